// Reading the FileVersion of a thousand plugin files without loading them, against a bare
// open and close of the same files.
#include "platform/os/version_resource.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace zarix;

namespace {

constexpr int FileCount = 1000;
constexpr const char* FileVersionPath = "\\StringFileInfo\\041504E2\\FileVersion";

// A thousand copies of the plugin in a temporary folder, removed at exit.
class TPluginCopies {
public:
    // Without program headers (e_phnum cleared) the reader has to take the long way through the
    // section header table at the end of the file; that variant shows what the note saves.
    TPluginCopies(const char* plugin, bool withoutProgramHeaders) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zarix-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        FFolder = pattern;
        for (int i = 0; i < FileCount; ++i) {
            FPaths.push_back(FFolder + "/plugin" + std::to_string(i) + ".bpl");
            std::filesystem::copy_file(plugin, FPaths.back());
            if (!withoutProgramHeaders) continue;
            const int fd = ::open(FPaths.back().c_str(), O_WRONLY | O_CLOEXEC);
            const unsigned char zero[2] = {0, 0};
            if (fd < 0 || ::pwrite(fd, zero, sizeof zero, 0x38) != 2) std::abort();
            ::close(fd);
        }
    }
    ~TPluginCopies() {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }
    const std::vector<std::string>& Paths() const { return FPaths; }

private:
    std::string FFolder;
    std::vector<std::string> FPaths;
};

const TPluginCopies& Plugins() {
    static const TPluginCopies copies(VERSION_PLUGIN, false);
    return copies;
}
const TPluginCopies& PluginsWithoutProgramHeaders() {
    static const TPluginCopies copies(VERSION_PLUGIN, true);
    return copies;
}

// The version loop the ratio is about: size, copy and FileVersion query for every file.
std::size_t ReadVersions(const TPluginCopies& copies, std::vector<unsigned char>& block) {
    std::size_t found = 0;
    for (const std::string& path : copies.Paths()) {
        const uint32_t size = GetFileVersionInfoSizeW(path);
        block.resize(size);
        const void* value = nullptr;
        uint32_t length = 0;
        if (size != 0 && GetFileVersionInfoW(path, size, block.data()) &&
            VerQueryValueW(block.data(), FileVersionPath, &value, &length))
            found += length;
    }
    return found;
}

int OpenClose(const TPluginCopies& copies) {
    int opened = 0;
    for (const std::string& path : copies.Paths()) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        opened += fd >= 0;
        if (fd >= 0) ::close(fd);
    }
    return opened;
}

// "1.2.3.4" and its NUL from every file, or the benchmark measured failures.
constexpr std::size_t ExpectedFound = FileCount * 8u;

void BM_OpenClose(benchmark::State& state) {
    for (auto _ : state) {
        if (OpenClose(Plugins()) != FileCount) state.SkipWithError("a plugin copy did not open");
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}

void BM_VersionRead(benchmark::State& state) {
    const TPluginCopies& copies = state.range(0) == 0 ? Plugins() : PluginsWithoutProgramHeaders();
    std::vector<unsigned char> block;
    for (auto _ : state) {
        if (ReadVersions(copies, block) != ExpectedFound) state.SkipWithError("a plugin copy gave no FileVersion");
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}

double ThreadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Our loop against the bare loop inside every iteration, in alternating order, so a change in
// the machine's speed (another build starting on the other core) falls on both alike. The time
// is the thread's CPU time, kernel time included: with the files in the page cache both loops
// are pure CPU work, and CPU time does not count the moments another process had the core.
void BM_Ratio(benchmark::State& state) {
    const TPluginCopies& copies = state.range(0) == 0 ? Plugins() : PluginsWithoutProgramHeaders();
    std::vector<unsigned char> block;
    double ours = 0;
    double baseline = 0;
    bool oursFirst = false;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const double start = ThreadSeconds();
            if ((turn == 0) == oursFirst) {
                if (ReadVersions(copies, block) != ExpectedFound) state.SkipWithError("a plugin copy gave no FileVersion");
                ours += ThreadSeconds() - start;
            } else {
                if (OpenClose(copies) != FileCount) state.SkipWithError("a plugin copy did not open");
                baseline += ThreadSeconds() - start;
            }
        }
        oursFirst = !oursFirst;
    }
    state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
}

BENCHMARK(BM_OpenClose)->Repetitions(3)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VersionRead)->ArgName("without_program_headers")->Arg(0)->Arg(1)->Repetitions(3)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ratio)->ArgName("without_program_headers")->Arg(0)->Arg(1)->Repetitions(5)->MinTime(0.3)->Unit(benchmark::kMicrosecond);

// Keeps each repetition's paired ratio so the result can be their median, which one disturbed
// repetition does not move.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto ratio = run.counters.find("ratio");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && ratio != run.counters.end())
                FRatios[run.benchmark_name()].push_back(ratio->second.value);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Median(const std::string& prefix) const {
        std::vector<double> all;
        for (const auto& [name, ratios] : FRatios)
            if (name.rfind(prefix, 0) == 0) all.insert(all.end(), ratios.begin(), ratios.end());
        if (all.empty()) return 0;
        std::sort(all.begin(), all.end());
        return all[all.size() / 2];
    }

private:
    std::map<std::string, std::vector<double>> FRatios;
};

}  // namespace

int main(int argc, char** argv) {
    // Interleaving the repetitions spreads drift in the machine's speed over all benchmarks.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double ratio = reporter.Median("BM_Ratio/without_program_headers:0/");
    const double bySection = reporter.Median("BM_Ratio/without_program_headers:1/");
    if (ratio <= 0) {
        std::fprintf(stderr, "version_read: the paired benchmark did not run\n");
        return 1;
    }
    if (bySection > 0) std::printf("through the section headers instead: %.2f x open+close\n", bySection);
    std::printf("ratio version_read %.2f target 2.0\n", ratio);
    return 0;
}
