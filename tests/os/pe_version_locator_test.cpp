// Version resources of PE32 and PE32+ files, found through the resource directory.
#include "platform/os/version_resource.h"

#include "platform/os/version_block.h"
#include "version_test_files.h"

#include <gtest/gtest.h>

using namespace zarix;
using namespace zarix::test;

namespace {

constexpr auto PolishBlock = MakeVersionBlock<"1.2.3.4">();
constexpr auto EnglishBlock = MakeVersionBlock<"9.8.7.6", 0x0409, 0x04B0>();

TFileBytes Bytes(std::span<const unsigned char> block) { return TFileBytes(block.begin(), block.end()); }

std::optional<std::string> FileVersionOf(const std::string& path, const char* table) {
    const TFileBytes block = VersionInfoOf(path);
    return VerQueryString(block.data(), static_cast<uint32_t>(block.size()),
                          std::string("\\StringFileInfo\\") + table + "\\FileVersion");
}

}  // namespace

TEST(PeVersionFile, Pe32AndPe32PlusTakeTheFirstLanguage) {
    TTempDir dir;
    for (const bool wide : {false, true}) {
        const TPeFile pe = MakePe({.Wide = wide, .Languages = {Bytes(PolishBlock), Bytes(EnglishBlock)}});
        const std::string path = dir.Write(wide ? "wide.dll" : "narrow.dll", pe.Bytes);
        EXPECT_EQ(GetFileVersionInfoSizeW(path), PolishBlock.size());
        EXPECT_EQ(FileVersionOf(path, "041504E2"), "1.2.3.4");
        EXPECT_EQ(FileVersionOf(path, "040904B0"), std::nullopt);  // the second language is not looked at
    }
}

// A PE file without a version resource, or with a broken header, says which and where.
TEST(PeVersionFile, FilesWithoutAReadableResourceSayWhy) {
    TTempDir dir;
    const TPeFile pe = MakePe({.Languages = {Bytes(PolishBlock)}});
    const std::string good = dir.Write("good.dll", pe.Bytes);
    const auto broken = [&](uint64_t offset, const TFileBytes& bytes) { return dir.Overwritten(good, offset, bytes); };
    const struct {
        std::string Path;
        TVersionErrorKind Kind;
        const char* Says;
    } cases[] = {
        {dir.Write("plain.exe", MakePe({.WithResources = false, .Languages = {Bytes(PolishBlock)}}).Bytes),
         TVersionErrorKind::NoVersionBlock, "no version block (no resource directory)"},
        {dir.Write("icons.exe", MakePe({.WithVersionType = false, .Languages = {Bytes(PolishBlock)}}).Bytes),
         TVersionErrorKind::NoVersionBlock, "no version block (no RT_VERSION resource)"},
        {dir.Write("empty.exe", MakePe({.Languages = {}}).Bytes), TVersionErrorKind::NoVersionBlock,
         "no version block (empty RT_VERSION directory)"},
        {broken(0x3C, Le(0x7FFFFFF0, 4)), TVersionErrorKind::NotValidObject,
         "not a valid PE file (PE header runs past the end of the file, offset 0x7ffffff0)"},
        {broken(pe.PeHeader, Le(0x4543, 4)), TVersionErrorKind::NotValidObject, "not a valid PE file (no PE signature, offset 0x80)"},
        {broken(pe.PeHeader + 24, Le(0x107, 2)), TVersionErrorKind::NotValidObject, "unknown optional header magic 0x107"},
        {broken(pe.PeHeader + 6, Le(0, 2)), TVersionErrorKind::NotValidObject, "lies in no section"},
        {broken(pe.FirstBlock, Le(0xFFFF, 2)), TVersionErrorKind::DamagedBlock,
         "not a valid version block (root length runs past the data, offset 0x0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Says);
        ExpectNoVersionBlock(c.Path, c.Kind, c.Says);
    }
}
TEST(PeVersionFile, ATruncatedFileGivesZeroUntilTheWholeBlockIsThere) {
    const TPeFile pe = MakePe({.Languages = {Bytes(PolishBlock)}});
    TTempDir dir;
    const std::string whole = dir.Write("whole.dll", pe.Bytes);
    for (std::size_t length = 0; length <= pe.Bytes.size(); ++length) {
        const uint32_t size = GetFileVersionInfoSizeW(dir.Truncated(whole, length));
        EXPECT_EQ(size, length >= pe.FirstBlock + PolishBlock.size() ? PolishBlock.size() : 0u) << "length " << length;
    }
}
