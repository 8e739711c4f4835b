// The libFuzzer driver of one target, chosen by name when the program is built.
#include "fuzz_target.h"

#include <cstdio>
#include <cstdlib>

namespace {

using namespace zarix::fuzz;

consteval auto FindTarget(std::string_view name) {
    for (const TFuzzTarget& target : FuzzTargets)
        if (target.Name == name) return target.Run;
    throw "no fuzz target of that name";
}

constexpr auto Run = FindTarget(ZARIX_FUZZ_TARGET);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        Run(TInput(data, size));
    } catch (const EFuzzFinding& finding) {
        // Any other exception escapes on its own and ends the run just the same.
        std::fprintf(stderr, "fuzz finding: %s\n", finding.what());
        std::abort();
    }
    return 0;
}
