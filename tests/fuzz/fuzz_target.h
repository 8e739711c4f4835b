// The fuzz targets. Each takes arbitrary bytes, hands them to one reader or parser of the
// framework and checks what comes back against what those bytes allow. The same functions run
// under libFuzzer in the clang build and over the committed corpus in the ordinary test run,
// so an input that once broke something keeps being tried without clang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zarix::fuzz {

using TInput = std::span<const uint8_t>;

/// An answer the input does not allow. The libFuzzer driver turns it into a crash report, the
/// corpus replay into a failure naming the file.
class EFuzzFinding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline void Expect(bool holds, std::string_view what) {
    if (!holds) throw EFuzzFinding(std::string(what));
}

/// ELF files: the bytes are given the ELF magic and read as a library file from memory.
void FuzzElfVersion(TInput input);
/// PE files: the same with the "MZ" magic.
void FuzzPeVersion(TInput input);
/// The check of a library before it is loaded, on bytes given the ELF magic.
void FuzzLibraryCheck(TInput input);
/// A version block in memory, queried as a host queries the block it was given.
void FuzzVersionBlock(TInput input);
/// Integer and version texts: StrToInt and its relatives, VersionParser, VersionCompare.
void FuzzNumberText(TInput input);
/// Menu positions, one per line, ordered by the menu's position sort.
void FuzzMenuPositions(TInput input);

struct TFuzzTarget {
    std::string_view Name;  // the corpus folder and, prefixed with "fuzz_", the fuzzer program
    void (*Run)(TInput);
};

inline constexpr TFuzzTarget FuzzTargets[] = {
    {"elf_version", FuzzElfVersion},
    {"pe_version", FuzzPeVersion},
    {"library_check", FuzzLibraryCheck},
    {"version_block", FuzzVersionBlock},
    {"number_text", FuzzNumberText},
    {"menu_positions", FuzzMenuPositions},
};

}  // namespace zarix::fuzz
