// Files for the version-resource tests: a temporary folder, corrupt copies of a real file made
// at named offsets, and small synthetic ELF files holding a given version block.
#pragma once

#include "platform/os/version_resource.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarix::test {

using TFileBytes = std::vector<unsigned char>;

TFileBytes ReadFileBytes(const std::string& path);

/// The file's version block read through the platform's calls as a host reads it; empty when
/// the size call finds none, a test failure when the copy then fails.
TFileBytes VersionInfoOf(const std::string& path);

/// A file without a version block, and why the reader must say it has none.
struct TNoBlock {
    std::string Path;
    TVersionErrorKind Kind;
    std::string Says;  // a part of the reader's message
};
/// Each file has no version block for a host (size 0, and the copy call fails), and the reader
/// says why: Kind, and a message that holds Says.
void ExpectNoVersionBlocks(std::span<const TNoBlock> files);

/// A fresh folder, removed with everything in it when the object goes.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }
    /// Writes `bytes` as the file `name` in the folder and returns its path.
    std::string Write(const std::string& name, std::span<const unsigned char> bytes) const;
    /// A copy of `source` cut to its first `length` bytes.
    std::string Truncated(const std::string& source, std::size_t length) const;
    /// A copy of `source` with `bytes` written over it at `offset` (the file grows if needed);
    /// every copy gets a name of its own, so a table of them can be made before it is read.
    std::string Overwritten(const std::string& source, uint64_t offset, std::span<const unsigned char> bytes);

private:
    std::string FPath;
    int FCopies = 0;
};

/// Little-endian bytes of an integer, for overwriting header fields.
TFileBytes Le(uint64_t value, std::size_t width);

/// Where the interesting parts of an ELF64 file lie, found by a walk of the test's own.
struct TElfLandmarks {
    uint64_t ProgramHeaders = 0;  // e_phoff
    uint64_t ProgramHeaderEnd = 0;
    uint64_t NoteProgramHeader = 0;  // the PT_NOTE entry covering the version note
    uint64_t DynamicProgramHeader = 0;  // the PT_DYNAMIC entry
    uint64_t SectionHeaders = 0;     // e_shoff
    uint64_t VersionHeader = 0;  // the .note.zarix_version section header
    uint64_t NoteOffset = 0;
    uint64_t BlockOffset = 0;  // the note's descriptor
    uint64_t BlockSize = 0;
    uint64_t StampOffset = 0;  // the descriptor of the .note.zarix_abi note; 0 without one
    struct TLoad {
        uint64_t Index = 0;  // among the program headers
        uint64_t End = 0;    // p_offset + p_filesz
    };
    std::vector<TLoad> Loads;  // the PT_LOAD entries, in table order
};
TElfLandmarks FindElfLandmarks(const TFileBytes& file);

/// An ELF object (64- or 32-bit) without program headers, whose sections are a null one,
/// .note.zarix_version holding `notes` (left out when empty) and the section names.
TFileBytes MakeElf(bool wide, std::span<const unsigned char> notes);

}  // namespace zarix::test
