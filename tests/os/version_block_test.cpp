// The compile-time version block and queries over blocks in memory.
#include "platform/os/version_block.h"

#include "platform/os/version_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace zarix;

namespace {

std::optional<std::string> Str(std::span<const unsigned char> block, std::string_view path) {
    return VerQueryString(block.data(), static_cast<uint32_t>(block.size()), path);
}

// The four 16-bit parts of the fixed file info's file version.
std::array<uint32_t, 4> FixedVersion(std::span<const unsigned char> block) {
    const auto fixed = VerQueryValue(std::as_bytes(block), "\\");
    EXPECT_TRUE(fixed && fixed->Bytes.size() == 52);
    uint32_t words[4]{};
    if (fixed) std::memcpy(words, fixed->Bytes.data(), std::min(sizeof words, fixed->Bytes.size()));
    EXPECT_EQ(words[0], 0xFEEF04BDu);
    return {words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF};
}

}  // namespace

// Polish by default; the text is kept exactly, and the fixed file info holds what parses of it.
TEST(VersionBlock, IsBuiltAtCompileTimeKeepingTheTextAndParsingWhatItCan) {
    static constexpr auto polish = MakeVersionBlock<"1.2.3.4">();
    static_assert(polish[6] == 'V' && polish[7] == 0, "root key in UTF-16LE");
    EXPECT_EQ(polish[0] | (polish[1] << 8), static_cast<int>(polish.size()));
    static constexpr auto commas = MakeVersionBlock<"1, 0, 0, 0">();
    static constexpr auto odd = MakeVersionBlock<" 7.1-beta ", 0x0409, 0x04B0>();
    static constexpr auto big = MakeVersionBlock<"70000.1">();
    static constexpr auto shortText = MakeVersionBlock<"5.6">();
    const std::tuple<std::span<const unsigned char>, const char*, const char*, std::array<uint32_t, 4>> blocks[] = {
        {polish, "041504E2", "1.2.3.4", {1, 2, 3, 4}}, {commas, "041504E2", "1, 0, 0, 0", {1, 0, 0, 0}},
        {odd, "040904B0", " 7.1-beta ", {}}, {big, "041504E2", "70000.1", {}}, {shortText, "041504E2", "5.6", {5, 6, 0, 0}}};
    for (const auto& [block, table, text, fixed] : blocks) {
        EXPECT_EQ(Str(block, std::string("\\StringFileInfo\\") + table + "\\FileVersion"), text);
        EXPECT_EQ(FixedVersion(block), fixed) << text;
    }
}

TEST(VersionQuery, KeysAndTableNamesIgnoreLetterCaseAndTheLeadingBackslashAndMissingOnesGiveNothing) {
    static constexpr auto block = MakeVersionBlock<"1.2.3.4", 0x0415, 0x04E2, "", "Zażółć €𝄞𐀀">();
    EXPECT_EQ(Str(block, "\\stringfileinfo\\041504e2\\FILEVERSION"), "1.2.3.4");
    EXPECT_EQ(Str(block, "StringFileInfo\\041504E2\\fileDescription"), "Zażółć €𝄞𐀀");
    const void* data = nullptr;
    uint32_t len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), "varfileinfo\\TRANSLATION", &data, &len));
    EXPECT_EQ(len, 4u);  // bytes, for binary values
    ASSERT_TRUE(VerQueryValueW(block.data(), "\\StringFileInfo\\041504E2\\FileVersion", &data, &len));
    EXPECT_EQ(len, 8u);  // characters with the NUL, for text
    EXPECT_EQ(std::memcmp(data, u"1.2.3.4", 16), 0);
    // Missing keys, tables and paths give nothing.
    for (const char* path : {"\\StringFileInfo\\040904B0\\FileVersion", "\\StringFileInfo\\041504E2\\Comments",
                             "\\StringFileInfo\\041504E2\\FileVersion\\More", "\\StringFileInfo\\041504E2\\FileVersio"})
        EXPECT_FALSE(VerQueryValueW(block.data(), path, &data, &len)) << path;
    EXPECT_FALSE(VerQueryValueW(nullptr, "\\", &data, &len));
}
