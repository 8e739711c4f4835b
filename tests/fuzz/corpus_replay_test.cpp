// Every file of the committed fuzz corpus, seeds and crashes alike, run through its target.
#include "fuzz_target.h"

#include "../os/version_test_files.h"
#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <vector>

using namespace zarix;
using namespace zarix::fuzz;

namespace zarix::fuzz {
void PrintTo(const TFuzzTarget& target, std::ostream* out) { *out << target.Name; }
}  // namespace zarix::fuzz

namespace {

// Runs the target and names the file and what went wrong instead of ending the test program.
void Replay(const TFuzzTarget& target, const std::string& name, TInput input) {
    try {
        target.Run(input);
    } catch (const EFuzzFinding& finding) {
        ADD_FAILURE() << name << ": " << finding.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << name << ": " << ExceptionClassName(e) << " escaped: " << e.what();
    }
}

std::vector<std::filesystem::path> CorpusOf(const TFuzzTarget& target) {
    std::vector<std::filesystem::path> files;  // a missing folder throws, naming it
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(ZARIX_FUZZ_CORPUS) / target.Name))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    EXPECT_GE(files.size(), 3u) << "a seed corpus of a few files";
    return files;
}

class CorpusReplay : public testing::TestWithParam<TFuzzTarget> {};

TEST_P(CorpusReplay, EveryFileRunsClean) {
    for (const auto& file : CorpusOf(GetParam())) Replay(GetParam(), file.filename().string(), test::ReadFileBytes(file));
}

// A little of the fuzzer's work in every test run: each file with one to four bytes changed, the
// same draw every time, so that damage near the seeds is tried without clang.
TEST_P(CorpusReplay, FilesWithAFewBytesChangedRunClean) {
    std::mt19937 random(20240611);
    for (const auto& file : CorpusOf(GetParam())) {
        const std::vector<uint8_t> seed = test::ReadFileBytes(file);
        for (int round = 0; round < 1000 && !seed.empty(); ++round) {
            std::vector<uint8_t> input = seed;
            for (int changes = 1 + static_cast<int>(random() % 4); changes > 0; --changes)
                input[random() % input.size()] = static_cast<uint8_t>(random());
            Replay(GetParam(), file.filename().string() + " changed, round " + std::to_string(round), input);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, testing::ValuesIn(FuzzTargets),
                         [](const testing::TestParamInfo<TFuzzTarget>& info) { return std::string(info.param.Name); });

}  // namespace

// Inputs too big for the committed corpus, generated here: positions past 64 KiB and past
// 65535 levels, beyond what the sort's compact entries once counted.
TEST(FuzzTargetsOnLargeInputs, MenuPositionsPastSixteenBitLimits) {
    std::string longPositions;
    for (int i = 0; i < 40000; ++i) longPositions += "1|";
    longPositions += "2\n" + longPositions.substr(0, longPositions.size() - 2) + "1";
    const std::string manyLevels = std::string(65535, '|') + "\n1";
    for (const std::string& input : {longPositions, manyLevels})
        Replay({"menu_positions", FuzzMenuPositions}, std::to_string(input.size()) + " bytes of positions",
               TInput(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
}
