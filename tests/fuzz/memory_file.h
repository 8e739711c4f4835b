// Bytes served as a file without touching the disk, for the readers that take a file name.
#pragma once

#include "fuzz_target.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarix::fuzz {

/// An anonymous in-memory file holding the given bytes, reachable by name through
/// /proc/self/fd while the object lives.
class TMemoryFile {
public:
    explicit TMemoryFile(TInput bytes);
    ~TMemoryFile();
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    const std::string& Path() const noexcept { return FPath; }

private:
    int FFd;
    std::string FPath;
};

/// The input with its first bytes replaced by a format's magic, so that the fuzzer spends its
/// time on the headers behind it rather than on finding the magic.
std::vector<uint8_t> WithMagic(TInput input, std::string_view magic);

}  // namespace zarix::fuzz
