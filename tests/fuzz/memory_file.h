// Bytes served as a file without touching the disk, for the readers that take a file name.
#pragma once

#include "fuzz_target.h"

#include <string>

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

}  // namespace zarix::fuzz
