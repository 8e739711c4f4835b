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

TEST(PeVersionFile, FilesWithoutAVersionResourceSayWhy) {
    TTempDir dir;
    const struct {
        TPeOptions Options;
        const char* Says;
    } cases[] = {
        {{.WithResources = false, .Languages = {Bytes(PolishBlock)}}, "no version block (no resource directory)"},
        {{.WithVersionType = false, .Languages = {Bytes(PolishBlock)}}, "no version block (no RT_VERSION resource)"},
        {{.Languages = {}}, "no version block (empty RT_VERSION directory)"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write("plain.exe", MakePe(c.Options).Bytes);
        const auto read = ReadVersionBlock(path);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.Error().Kind, TVersionErrorKind::NoVersionBlock);
        EXPECT_NE(read.Error().Message.find(c.Says), std::string::npos) << read.Error().Message;
    }
}

TEST(PeVersionFile, BrokenHeadersAreNamedWithTheirOffset) {
    TTempDir dir;
    const TPeFile pe = MakePe({.Languages = {Bytes(PolishBlock)}});
    const std::string good = dir.Write("good.dll", pe.Bytes);
    const struct {
        uint64_t Offset;
        TFileBytes Bytes;
        const char* Says;
    } cases[] = {
        {0x3C, Le(0x7FFFFFF0, 4), "not a valid PE file (PE header runs past the end of the file, offset 0x7ffffff0)"},
        {pe.PeHeader, Le(0x4543, 4), "not a valid PE file (no PE signature, offset 0x80)"},
        {pe.PeHeader + 24, Le(0x107, 2), "unknown optional header magic 0x107"},
        {pe.PeHeader + 6, Le(0, 2), "lies in no section"},
        {pe.FirstBlock, Le(0xFFFF, 2), "not a valid version block (root length runs past the data, offset 0x0)"},
    };
    for (const auto& c : cases) {
        const auto read = ReadVersionBlock(dir.Overwritten(good, c.Offset, c.Bytes));
        ASSERT_FALSE(read);
        EXPECT_NE(read.Error().Message.find(c.Says), std::string::npos) << read.Error().Message;
    }
}
