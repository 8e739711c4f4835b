// Truncated and damaged copies of real files: the reader must answer "no version block" or
// the whole block, never crash, hang, read outside what it holds or allocate what a header
// claims.
#include "allocation_hooks.h"
#include "version_test_files.h"

#include "platform/os/library_check.h"
#include "platform/os/version_block.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace zarix;
using namespace zarix::test;
using enum TVersionErrorKind;

TEST(CorruptVersionFiles, TruncatedPluginGivesZeroUntilTheWholeNoteIsThere) {
    const TFileBytes file = ReadFileBytes(FIXTURE_VERSION_PL);
    const TElfLandmarks at = FindElfLandmarks(file);
    const uint64_t noteEnd = at.BlockOffset + at.BlockSize;
    std::vector<uint64_t> lengths = {0, 1, 4, 5, 6, 16, 63, 64, at.ProgramHeaderEnd - 1, at.NoteOffset + 12,
                                     at.BlockOffset, at.BlockOffset + 6, noteEnd - 1, noteEnd, at.SectionHeaders,
                                     file.size() - 1};
    for (uint64_t length = 0; length < file.size(); length += 211) lengths.push_back(length);
    TTempDir dir;
    for (const uint64_t length : lengths) {
        const std::string path = dir.Truncated(FIXTURE_VERSION_PL, length);
        // A cut after the note leaves the block whole, and nothing past it is read.
        EXPECT_EQ(GetFileVersionInfoSizeW(path), length >= noteEnd ? at.BlockSize : 0u) << "length " << length;
        if (length >= 64 && length < noteEnd) {
            const auto read = ReadVersionBlock(path);
            ASSERT_FALSE(read);
            EXPECT_NE(read.Error().Message.find("section header table runs past the end of the file"), std::string::npos) << read.Error().Message;
        }
    }
}

TEST(CorruptVersionFiles, OverwrittenElfFieldsAreReportedWhereTheyLie) {
    const TElfLandmarks at = FindElfLandmarks(ReadFileBytes(FIXTURE_VERSION_PL));
    TTempDir dir;
    // Without program headers the section header table is the only way to the note.
    const std::string bySection = dir.Overwritten(FIXTURE_VERSION_PL, 0x38, Le(0, 2));
    const auto plugin = [&](uint64_t offset, const TFileBytes& bytes) { return dir.Overwritten(FIXTURE_VERSION_PL, offset, bytes); };
    const auto sections = [&](uint64_t offset, const TFileBytes& bytes) { return dir.Overwritten(bySection, offset, bytes); };
    ExpectNoVersionBlocks(std::initializer_list<TNoBlock>{
        {plugin(4, Le(9, 1)), NotValidObject, "not a valid ELF object (unknown class 9, offset 0x4)"},
        {plugin(5, Le(2, 1)), NotValidObject, "big-endian objects are not supported, offset 0x5"},
        {plugin(at.BlockOffset, Le(0xFFFF, 2)), DamagedBlock, "root length runs past the data"},
        {plugin(at.BlockOffset + 6, Le('W', 2)), DamagedBlock, "root key is not VS_VERSION_INFO"},
        {plugin(at.BlockOffset + 92, Le(0x7FF0, 2)), DamagedBlock, "node runs past its parent, offset 0x5c"},
        {plugin(at.NoteOffset + 4, Le(0x10000, 4)), DamagedBlock, "no Zarix note in the section"},
        {sections(0x28, Le(0xFFFFFFFFFFFFFFF0, 8)), NotValidObject, "section header table runs past the end of the file"},
        {sections(0x28, Le(0, 8)), NoVersionBlock, "no section headers"},
        {sections(0x3A, Le(8, 2)), NotValidObject, "section header size 8 is too small, offset 0x3a"},
        {sections(0x3E, Le(0x7FFF, 2)), NotValidObject, "index 32767 is out of range, offset 0x3e"},
        {sections(at.VersionHeader, Le(0, 4)), NoVersionBlock, "no .note.zarix_version section"},
        {sections(at.VersionHeader + 4, Le(8, 4)), NotValidObject, "version section has no data"},
        {sections(at.VersionHeader + 24, Le(0xFFFFFFFF00000000, 8)), NotValidObject, "version section runs past the end of the file"},
        {sections(at.VersionHeader + 32, Le(3, 8)), DamagedBlock, "no Zarix note in the section"},
    });
    // Both ways lead to the same block: a broken PT_NOTE entry or program header table only
    // sends the reader through the sections.
    for (const std::string& path : {bySection, plugin(at.NoteProgramHeader + 8, Le(~0ull, 8)), plugin(0x36, Le(3, 2))})
        EXPECT_EQ(GetFileVersionInfoSizeW(path), at.BlockSize) << path;
}

TEST(HostileSizes, ASizeBeyondTheFileIsRefusedWithoutAllocatingIt) {
    static constexpr auto note = MakeVersionNote<"1.2.3.4">();
    TFileBytes base = MakeElf(true, note);
    const uint64_t table = base[0x28] | (uint64_t{base[0x29]} << 8);  // e_shoff, small here
    base.resize(22 * 1024);
    TTempDir dir;
    const std::string whole = dir.Write("whole.bpl", base);
    ASSERT_NE(GetFileVersionInfoSizeW(whole), 0u);

    // Sizes of the section name table and of the version section, and an offset near 2^64.
    const std::tuple<uint64_t, uint64_t, const char*> claims[] = {
        {table + 2 * 64 + 32, 64ull << 20, "section name table runs past the end of the file"},
        {table + 64 + 32, 900u << 10, "version section runs past the end of the file"},
        {table + 2 * 64 + 24, ~0ull - 16, "section name table runs past the end of the file"},
    };
    for (const auto& [offset, claim, says] : claims) {
        SCOPED_TRACE(offset);
        const std::string path = dir.Overwritten(whole, offset, Le(claim, 8));
        std::optional<TVersionResult<std::vector<std::byte>>> read;
        const std::size_t largest = LargestAllocationDuring([&] { read = ReadVersionBlock(path); });
        ASSERT_TRUE(read && !*read);
        EXPECT_NE(read->Error().Message.find(says), std::string::npos) << read->Error().Message;
        EXPECT_LT(largest, base.size());
        EXPECT_LT(LargestAllocationDuring([&] { EXPECT_EQ(GetFileVersionInfoSizeW(path), 0u); }), base.size());
    }
}

// The check before loading reads a note segment only when the file holds it; a claimed size
// is never allocated.
TEST(HostileSizes, TheCheckBeforeLoadingAllocatesNothingAHeaderClaims) {
    const TElfLandmarks at = FindElfLandmarks(ReadFileBytes(FIXTURE_VERSION_PL));
    TTempDir dir;
    const std::string path = dir.Overwritten(FIXTURE_VERSION_PL, at.NoteProgramHeader + 32, Le(900u << 10, 8));
    std::optional<std::string> refusal;
    EXPECT_LT(LargestAllocationDuring([&] { refusal = InspectLibraryFile(path, false); }), 64u << 10);
    EXPECT_EQ(refusal.value_or(""), "no framework ABI stamp; rebuild it with zarix_add_module or allow unstamped plugins");
}
