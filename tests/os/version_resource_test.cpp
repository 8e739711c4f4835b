// Version blocks read from files on disk: the fixture plugins, synthetic ELF objects of both
// classes, PE32 and PE32+ files through their resource directory, and files that are no library
// at all.
#include "platform/os/version_resource.h"

#include "platform/os/version_block.h"
#include "plugin/plugin_utils.h"
#include "version_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include <dlfcn.h>
#include <sys/stat.h>

using namespace zarix;
using namespace zarix::test;
using enum TVersionErrorKind;

namespace {

// Each fixture plugin's path, file version and translation.
const std::tuple<const char*, const char*, TVerTranslation> Fixtures[] = {
    {FIXTURE_VERSION_PL, "1.2.3.4", {0x0415, 0x04E2}},
    {FIXTURE_VERSION_COMMAS, "1, 0, 0, 0", {0x0415, 0x04E2}},
    {FIXTURE_VERSION_EN, "2.0.1.7", {0x0409, 0x04B0}},
    {FIXTURE_VERSION_MACRO, "3.1.4.1", {0x0415, 0x04E2}},
};

constexpr auto PolishBlock = MakeVersionBlock<"1.2.3.4", 0x0415, 0x04E2, "Zarix", "Moduł próbny">();
constexpr auto EnglishBlock = MakeVersionBlock<"9.8.7.6", 0x0409, 0x04B0>();

// A note of another vendor, as a build-id note would sit before ours in the same section.
const TFileBytes ForeignNote = {4, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 'G', 'N', 'U', 0, 0xDE, 0xAD, 0xBE, 0xEF};

// The PE files of the fuzz corpus, read here too: pe32 holds PolishBlock and then EnglishBlock,
// pe32_plus (PE32+) EnglishBlock alone, pe32_without_version an icon resource but no RT_VERSION.
const std::string PeCorpus = std::string(ZARIX_FUZZ_CORPUS) + "/pe_version/";
const std::string Pe32 = PeCorpus + "pe32";
// Where pe32 keeps the fields its broken copies change.
constexpr uint64_t kPeHeader = 0x80;
constexpr uint64_t kResourceDirectoryRva = 0x108;  // the resource entry of the data directories
constexpr uint64_t kVersionLanguageCount = 0x456;  // in the directory of the RT_VERSION name

TFileBytes Bytes(std::span<const unsigned char> block) { return TFileBytes(block.begin(), block.end()); }

// Where the first copy of Part lies in File.
uint64_t OffsetOf(const TFileBytes& file, std::span<const unsigned char> part) {
    return static_cast<uint64_t>(std::search(file.begin(), file.end(), part.begin(), part.end()) - file.begin());
}

}  // namespace

TEST(ElfVersionFile, FixturePluginsAreReadWithoutBeingLoaded) {
    for (const auto& [path, fileVersion, translation] : Fixtures) {
        SCOPED_TRACE(path);
        const auto block = VersionInfoOf(path);
        const auto translations = VerQueryTranslations(block.data(), block.size());
        ASSERT_EQ(translations.size(), 1u);
        EXPECT_EQ(std::pair(translations[0].Language, translations[0].CodePage), std::pair(translation.Language, translation.CodePage));
        // The framework's readers take the file's first translation, whichever language it is;
        // GetVersionInfo only parses what this one gives.
        EXPECT_EQ(GetVersionInfoString(path, "FileVersion"), fileVersion);
        EXPECT_EQ(dlopen(path, RTLD_NOW | RTLD_NOLOAD), nullptr);  // read, never loaded
        // The linker lists the note in a PT_NOTE program header, within the reader's first read.
        const TElfLandmarks at = FindElfLandmarks(ReadFileBytes(path));
        EXPECT_TRUE(at.NoteProgramHeader != 0 && at.BlockOffset + at.BlockSize <= 1536u) << at.NoteProgramHeader << " " << at.BlockOffset;
    }
    // Built with the header macro alone, under -Wl,--gc-sections: the block must survive.
    EXPECT_EQ(GetVersionInfoString(FIXTURE_VERSION_MACRO, "FileDescription"), "Moduł próbny");
}

// Synthetic files of both widths: an ELF object without program headers is searched by section,
// past a foreign note; a PE32 or PE32+ file gives its first language's block, the second one is
// never looked at.
TEST(SyntheticVersionFiles, ElfObjectsAndPeFilesOfBothWidthsGiveTheirBlock) {
    static constexpr auto note = MakeVersionNote<"4.3.2.1", 0x0405, 0x04E2>();
    static constexpr auto czech = MakeVersionBlock<"4.3.2.1", 0x0405, 0x04E2>();
    TFileBytes notes = ForeignNote;
    notes.insert(notes.end(), note.begin(), note.end());
    TTempDir dir;
    for (const bool wide : {false, true})
        EXPECT_EQ(VersionInfoOf(dir.Write(wide ? "wide.bpl" : "narrow.bpl", MakeElf(wide, notes))), Bytes(czech)) << wide;
    EXPECT_EQ(std::pair(VersionInfoOf(Pe32), VersionInfoOf(PeCorpus + "pe32_plus")), std::pair(Bytes(PolishBlock), Bytes(EnglishBlock)));
}

// Files of no kind, ELF objects without a block, and PE files without a version resource or with
// a broken header: each says which and where.
TEST(VersionFiles, FilesWithoutABlockGiveZeroAndSayWhy) {
    TTempDir dir;
    const std::string fifo = dir.Path() + "/fifo.bpl";  // must not block the reader
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto broken = [&](uint64_t offset, const TFileBytes& bytes) { return dir.Overwritten(Pe32, offset, bytes); };
    ExpectNoVersionBlocks(std::initializer_list<TNoBlock>{
        {FIXTURE_VERSION_NONE, NoVersionBlock, "no version block (no .note.zarix_version section)"},
        {dir.Write("nosection.bpl", MakeElf(true, {})), NoVersionBlock, "no version block"},
        {dir.Write("foreign.bpl", MakeElf(true, ForeignNote)), DamagedBlock, "no Zarix note in the section"},
        {dir.Path() + "/missing.bpl", CannotRead, "missing.bpl: cannot open: No such file or directory"},
        {dir.Path(), CannotRead, "cannot read: Is a directory"},
        {fifo, CannotRead, "cannot read: Illegal seek"},
        {dir.Write("empty.bpl", {}), NotValidObject, "the file is empty, offset 0x0"},
        {dir.Write("text.bpl", TFileBytes{'h', 'e', 'l', 'l', 'o'}), NotValidObject, "neither ELF nor PE magic"},
        {dir.Write("mz.bpl", TFileBytes{'M', 'Z'}), NotValidObject, "not a valid PE file"},  // the magic alone
        // The size of the resource directory stays: its address alone says there is none.
        {broken(kResourceDirectoryRva, Le(0, 4)), NoVersionBlock, "no version block (no resource directory)"},
        {PeCorpus + "pe32_without_version", NoVersionBlock, "no version block (no RT_VERSION resource)"},
        {broken(kVersionLanguageCount, Le(0, 2)), NoVersionBlock, "no version block (empty RT_VERSION directory)"},
        {broken(0x3C, Le(0x7FFFFFF0, 4)), NotValidObject,
         "not a valid PE file (PE header runs past the end of the file, offset 0x7ffffff0)"},
        {broken(kPeHeader, Le(0x4543, 4)), NotValidObject, "not a valid PE file (no PE signature, offset 0x80)"},
        {broken(kPeHeader + 24, Le(0x107, 2)), NotValidObject, "unknown optional header magic 0x107"},
        {broken(kPeHeader + 6, Le(0, 2)), NotValidObject, "lies in no section"},
        {broken(OffsetOf(ReadFileBytes(Pe32), PolishBlock), Le(0xFFFF, 2)), DamagedBlock,
         "not a valid version block (root length runs past the data, offset 0x0)"},
        {broken(OffsetOf(ReadFileBytes(Pe32), PolishBlock) + 40, Le(0, 4)), DamagedBlock, "fixed file info has no signature"},
    });
}

TEST(ElfVersionFile, ShortCopyStaysWithinLenAndKeepsQueriesInsideIt) {
    const uint32_t size = GetFileVersionInfoSizeW(FIXTURE_VERSION_PL);
    ASSERT_GT(size, 100u);
    for (const uint32_t len : {size - 1, size / 2, 40u, 6u}) {
        std::vector<unsigned char> buffer(len + 16, 0xAB);
        ASSERT_TRUE(GetFileVersionInfoW(FIXTURE_VERSION_PL, len, buffer.data()));
        EXPECT_EQ(buffer[0] | (buffer[1] << 8), static_cast<int>(len));
        EXPECT_TRUE(std::all_of(buffer.begin() + len, buffer.end(), [](unsigned char b) { return b == 0xAB; }));
        // An exact-size copy, so a query reading past the restamped length trips ASan.
        const std::vector<unsigned char> exact(buffer.begin(), buffer.begin() + len);
        const void* value = nullptr;
        uint32_t valueLen = 0;
        if (VerQueryValueW(exact.data(), "\\StringFileInfo\\041504E2\\FileVersion", &value, &valueLen)) {
            EXPECT_LE(static_cast<const unsigned char*>(value) + valueLen * 2, exact.data() + exact.size());
        }
    }
    unsigned char tiny[4];
    EXPECT_FALSE(GetFileVersionInfoW(FIXTURE_VERSION_PL, sizeof tiny, tiny));
}

TEST(PeVersionFile, ATruncatedFileGivesZeroUntilTheWholeFirstBlockIsThere) {
    const TFileBytes file = ReadFileBytes(Pe32);
    const uint64_t blockEnd = OffsetOf(file, PolishBlock) + PolishBlock.size();
    TTempDir dir;
    for (std::size_t length = 0; length <= file.size(); ++length) {
        const uint32_t size = GetFileVersionInfoSizeW(dir.Truncated(Pe32, length));
        EXPECT_EQ(size, length >= blockEnd ? PolishBlock.size() : 0u) << "length " << length;
    }
}
