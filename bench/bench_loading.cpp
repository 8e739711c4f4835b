// Loading and unloading 10, 100 and 1,000 plugin libraries through the manager, against raw
// dlopen/dlsym/dlclose loops over the same files in the same run.
#include "bench_ratio.h"

#include "manager/ZarixPluginManager.h"
#include "platform/os/library.h"

#include <dlfcn.h>
#include <unistd.h>

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

void RemoveFolders() {
    for (int count : {10, 100, 1000}) std::filesystem::remove_all(FolderOf(count).Folder);
}

using TRegister = TZarixPlugin* (*)();

std::vector<void*> RawLoad(const std::vector<std::string>& files) {
    std::vector<void*> handles;
    handles.reserve(files.size());
    for (const std::string& file : files) {
        void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        auto reg = reinterpret_cast<TRegister>(dlsym(handle, "PluginRegister"));
        benchmark::DoNotOptimize(reg());
        handles.push_back(handle);
    }
    return handles;
}

void RawUnload(std::vector<void*>& handles) {
    for (auto it = handles.rbegin(); it != handles.rend(); ++it) dlclose(*it);
    handles.clear();
}

bool AllUnmapped(const std::vector<std::string>& files) {
    for (const std::string& file : files)
        if (IsLibraryLoaded(file)) return false;
    return true;
}

void BM_RawLoad(benchmark::State& state) {
    const TPluginFolder& folder = FolderOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<void*> handles = RawLoad(folder.Files);
        state.PauseTiming();
        RawUnload(handles);
        state.ResumeTiming();
    }
}

void BM_LoadPlugins(benchmark::State& state) {
    const TPluginFolder& folder = FolderOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto manager = std::make_unique<TZarixPluginManager>(nullptr);
        manager->SetPluginFolder(folder.Folder.string());
        manager->LoadPlugins();
        state.PauseTiming();
        if (manager->PluginCount() != state.range(0)) state.SkipWithError("not every plugin was loaded");
        manager.reset();
        if (!AllUnmapped(folder.Files)) state.SkipWithError("a library stayed mapped after unloading");
        state.ResumeTiming();
    }
}

void BM_RawUnload(benchmark::State& state) {
    const TPluginFolder& folder = FolderOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<void*> handles = RawLoad(folder.Files);
        state.ResumeTiming();
        RawUnload(handles);
    }
}

void BM_UnloadPlugins(benchmark::State& state) {
    const TPluginFolder& folder = FolderOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto manager = std::make_unique<TZarixPluginManager>(nullptr);
        manager->SetPluginFolder(folder.Folder.string());
        manager->LoadPlugins();
        state.ResumeTiming();
        for (int i = manager->PluginCount() - 1; i >= 0; --i) manager->UnloadPlugin(i);
        state.PauseTiming();
        // Unloading must really unmap: a library kept by a unique symbol would still be there.
        if (!AllUnmapped(folder.Files)) state.SkipWithError("a library stayed mapped after unloading");
        manager.reset();
        state.ResumeTiming();
    }
}

constexpr int kSizes[] = {10, 100, 1000};

void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : kSizes) b->Arg(n);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_RawLoad)->Apply(Sizes);
BENCHMARK(BM_LoadPlugins)->Apply(Sizes);
BENCHMARK(BM_RawUnload)->Apply(Sizes);
BENCHMARK(BM_UnloadPlugins)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    for (int n : kSizes) {
        const std::string arg = "/" + std::to_string(n);
        std::printf("size %4d: load %.3f ms (raw %.3f), unload %.3f ms (raw %.3f)\n", n,
                    reporter.Time("BM_LoadPlugins" + arg + "/real_time"), reporter.Time("BM_RawLoad" + arg + "/real_time"),
                    reporter.Time("BM_UnloadPlugins" + arg + "/real_time"),
                    reporter.Time("BM_RawUnload" + arg + "/real_time"));
    }
    const double load1000 = reporter.Time("BM_LoadPlugins/1000/real_time");
    const double load10 = reporter.Time("BM_LoadPlugins/10/real_time");
    reporter.PrintRatio("load_plugins_1000", load1000 / reporter.Time("BM_RawLoad/1000/real_time"), 1.2);
    reporter.PrintRatio("load_per_plugin_growth_1000_vs_10", (load1000 / 1000) / (load10 / 10), 1.5);
    reporter.PrintRatio("unload_plugins_1000",
                        reporter.Time("BM_UnloadPlugins/1000/real_time") / reporter.Time("BM_RawUnload/1000/real_time"),
                        1.1);
    RemoveFolders();
    return 0;
}
