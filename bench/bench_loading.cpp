// Loading and unloading 10, 100 and 1,000 plugin libraries through the manager, against raw
// dlopen/dlsym/dlclose loops over the same files in the same run.
//
// Each iteration runs all four loops one after another on the same files (raw load, raw
// unload, manager load, manager unload), each timed on the thread's CPU clock, and the ratios
// are taken from the medians: on a small shared machine, wall time swings with whatever else
// runs, while the four loops of one iteration see the same conditions. A fifth loads the same
// files again with every category of the diagnostic log on, into a sink that drops the lines:
// what logging costs when on, against the loops above, which run with it off.
#include "bench_pairs.h"
#include "bench_ratio.h"

#include "manager/ZarixPluginManager.h"
#include "platform/os/library.h"
#include "services/log.h"

#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zarix;

// One folder per size, each holding that many copies of the bench plugin: a copy is a new
// file, so the loader maps each one afresh.
struct TPluginFolder {
    std::filesystem::path Folder;
    std::vector<std::string> Files;
};

const TPluginFolder& FolderOf(int count) {
    static std::map<int, TPluginFolder> folders;
    auto [it, fresh] = folders.try_emplace(count);
    if (fresh) {
        it->second.Folder = std::filesystem::temp_directory_path() /
                            ("zarix_bench_" + std::to_string(getpid()) + "_" + std::to_string(count));
        std::filesystem::create_directories(it->second.Folder);
        for (int i = 0; i < count; ++i) {
            const auto file = it->second.Folder / ("modul" + std::to_string(i) + ".bpl");
            std::filesystem::copy_file(BENCH_PLUGIN_PATH, file, std::filesystem::copy_options::overwrite_existing);
            it->second.Files.push_back(file.string());
        }
    }
    return it->second;
}

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

using TRegister = TZarixPlugin* (*)();

struct TSamples {
    std::vector<double> RawLoad, RawUnload, Load, Unload, LoggedLoad;
};
std::map<int, TSamples> gSamples;

// The median of the iterations' own ratios: the two halves of one iteration see the same
// moment of a shared machine, two medians taken apart do not.
double MedianRatio(const std::vector<double>& Subject, const std::vector<double>& Base) {
    return MedianRatio(TPairSamples{Base, Subject});
}

bool AllUnmapped(const std::vector<std::string>& files) {
    for (const std::string& file : files)
        if (IsLibraryLoaded(file)) return false;
    return true;
}

void BM_LoadAndUnload(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const TPluginFolder& folder = FolderOf(count);
    TSamples& samples = gSamples[count];
    for (auto _ : state) {
        double t = CpuMs();
        std::vector<void*> handles;
        handles.reserve(folder.Files.size());
        for (const std::string& file : folder.Files) {
            void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            auto reg = reinterpret_cast<TRegister>(dlsym(handle, "PluginRegister"));
            benchmark::DoNotOptimize(reg());
            handles.push_back(handle);
        }
        samples.RawLoad.push_back(CpuMs() - t);
        t = CpuMs();
        // The same work the manager does besides cutting its views: free the component, close.
        for (auto it = handles.rbegin(); it != handles.rend(); ++it) {
            if (auto destroy = reinterpret_cast<void (*)()>(dlsym(*it, "PluginDestroy"))) destroy();
            dlclose(*it);
        }
        samples.RawUnload.push_back(CpuMs() - t);

        auto manager = std::make_unique<TZarixPluginManager>(nullptr);
        manager->SetPluginFolder(folder.Folder.string());
        t = CpuMs();
        manager->LoadPlugins();
        samples.Load.push_back(CpuMs() - t);
        if (manager->PluginCount() != count) state.SkipWithError("not every plugin was loaded");
        t = CpuMs();
        for (int i = manager->PluginCount() - 1; i >= 0; --i) manager->UnloadPlugin(i);
        samples.Unload.push_back(CpuMs() - t);
        // Unloading must really unmap: a library kept by a unique symbol would still be there.
        if (!AllUnmapped(folder.Files)) state.SkipWithError("a library stayed mapped after unloading");

        manager = std::make_unique<TZarixPluginManager>(nullptr);
        manager->SetPluginFolder(folder.Folder.string());
        TLogSink previous = SetLogSink([](std::string_view, std::string_view) {});
        SetLogCategories(lcAll);
        t = CpuMs();
        manager->LoadPlugins();
        samples.LoggedLoad.push_back(CpuMs() - t);
        SetLogCategories(0);
        SetLogSink(std::move(previous));
        for (int i = manager->PluginCount() - 1; i >= 0; --i) manager->UnloadPlugin(i);
    }
}
BENCHMARK(BM_LoadAndUnload)->Arg(10)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndUnload)->Arg(100)->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndUnload)->Arg(1000)->Iterations(15)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    std::printf("\nmedian CPU time per run, ms (thread clock):\n");
    std::printf("%6s %10s %10s %10s %10s %8s %8s\n", "count", "raw load", "load", "raw unld", "unload", "load x", "unld x");
    for (auto& [n, s] : gSamples)
        std::printf("%6d %10.3f %10.3f %10.3f %10.3f %8.3f %8.3f\n", n, Median(s.RawLoad), Median(s.Load),
                    Median(s.RawUnload), Median(s.Unload), Median(s.Load) / Median(s.RawLoad),
                    Median(s.Unload) / Median(s.RawUnload));
    const TSamples& big = gSamples[1000];
    const TSamples& small = gSamples[10];
    reporter.PrintRatio("load_plugins_1000", MedianRatio(big.Load, big.RawLoad), 1.2);
    reporter.PrintRatio("load_per_plugin_growth_1000_vs_10", (Median(big.Load) / 1000) / (Median(small.Load) / 10), 1.5);
    reporter.PrintRatio("raw_load_per_plugin_growth_1000_vs_10 (baseline, for reference)",
                        (Median(big.RawLoad) / 1000) / (Median(small.RawLoad) / 10), 0);
    reporter.PrintRatio("unload_plugins_1000", MedianRatio(big.Unload, big.RawUnload), 1.1);
    reporter.PrintRatio("logging_off_vs_on_load_plugins_1000", MedianRatio(big.Load, big.LoggedLoad), 1.0);
    for (int count : {10, 100, 1000}) std::filesystem::remove_all(FolderOf(count).Folder);
    return 0;
}
