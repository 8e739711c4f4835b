// Probing a folder of plugin libraries in a child process against loading the same folder in
// this one: the cost per library of the isolation.
//
// Each iteration loads the folder through the manager and unloads it, then probes the folder,
// then probes one library on its own (a process of its own, shown for reference); all are
// timed on the wall clock, since the probe's work happens in another process, and the ratio is
// taken from the medians.
#include "bench_ratio.h"

#include "manager/ZarixPluginManager.h"
#include "platform/os/library.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace zarix;

constexpr int kLibraries = 50;

struct TProbeFolder {
    TProbeFolder() {
        Folder = std::filesystem::temp_directory_path() / ("zarix_probe_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(Folder);
        for (int i = 0; i < kLibraries; ++i) {
            const auto file = Folder / ("modul" + std::to_string(i) + ".bpl");
            std::filesystem::copy_file(BENCH_PLUGIN_PATH, file, std::filesystem::copy_options::overwrite_existing);
            Files.push_back(file.string());
        }
    }
    ~TProbeFolder() { std::filesystem::remove_all(Folder); }
    std::filesystem::path Folder;
    std::vector<std::string> Files;
};

struct TSamples {
    std::vector<double> Load, Probe, ProbeOne;  // ms per library
} gSamples;

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_ProbeAgainstLoad(benchmark::State& state) {
    const TProbeFolder folder;
    TZarixPluginManager manager(nullptr);
    manager.SetPluginFolder(folder.Folder.string());
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        manager.LoadPlugins();
        for (int i = manager.PluginCount() - 1; i >= 0; --i) manager.UnloadPlugin(i);
        gSamples.Load.push_back(MsSince(start) / kLibraries);
        start = std::chrono::steady_clock::now();
        for (const TProbeResult& result : manager.ProbePluginFiles())
            if (!result.Passed) state.SkipWithError("a probe failed");
        gSamples.Probe.push_back(MsSince(start) / kLibraries);
        start = std::chrono::steady_clock::now();
        if (!manager.ProbePluginFile(folder.Files.front()).Passed) state.SkipWithError("a probe failed");
        gSamples.ProbeOne.push_back(MsSince(start));
        if (IsLibraryLoaded(folder.Files.front())) state.SkipWithError("a library stayed mapped");
    }
}
BENCHMARK(BM_ProbeAgainstLoad)->Iterations(15)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    std::printf("\nmedian wall time per library, ms: load and unload %.3f, probe in a folder %.3f, probe alone %.3f\n",
                Median(gSamples.Load), Median(gSamples.Probe), Median(gSamples.ProbeOne));
    reporter.PrintRatio("probe_per_library_vs_load", Median(gSamples.Probe) / Median(gSamples.Load), 3.0);
    return 0;
}
