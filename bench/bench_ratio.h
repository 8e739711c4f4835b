// Collects benchmark results so a program can print its target ratios after the run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

/// Prints the usual console output and keeps each run's real time per iteration, by name.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // A repeated benchmark is known by the median of its repetitions, which comes last.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                Times[WithoutRepeats(run.run_name.str())] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    /// Real time of a run by its full name ("BM_Load/1000"); 0 when it did not run.
    double Time(const std::string& name) const {
        const auto it = Times.find(name);
        return it == Times.end() ? 0.0 : it->second;
    }
    /// Prints "ratio <name> <value> target <limit>" for a ratio of two runs.
    void PrintRatio(const std::string& name, double value, double target) const {
        std::printf("ratio %s %.3f target %.2f\n", name.c_str(), value, target);
    }

    std::map<std::string, double> Times;

private:
    // "BM_X/1000/repeats:5/real_time" is known as "BM_X/1000/real_time".
    static std::string WithoutRepeats(std::string name) {
        const auto at = name.find("/repeats:");
        if (at == std::string::npos) return name;
        const auto end = name.find('/', at + 1);
        name.erase(at, end == std::string::npos ? std::string::npos : end - at);
        return name;
    }
};

/// Runs the registered benchmarks with the collecting reporter and hands it back.
inline void RunWithRatios(int argc, char** argv, TRatioReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
