// The compile-time version block and queries over blocks in memory.
#include "platform/os/version_block.h"

#include "platform/os/version_resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace zarix;

namespace {

template <std::size_t N>
std::optional<std::string> Str(const std::array<unsigned char, N>& block, std::string_view path) {
    return VerQueryString(block.data(), static_cast<uint32_t>(block.size()), path);
}

// The four 16-bit parts of the fixed file info's file version.
template <std::size_t N>
std::array<uint32_t, 4> FixedVersion(const std::array<unsigned char, N>& block) {
    const auto fixed = VerQueryValue(std::as_bytes(std::span(block)), "\\");
    EXPECT_TRUE(fixed && fixed->Bytes.size() == 52);
    uint32_t words[4]{};
    std::memcpy(words, fixed->Bytes.data(), sizeof words);
    EXPECT_EQ(words[0], 0xFEEF04BDu);
    return {words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF};
}

}  // namespace

TEST(VersionBlock, IsBuiltAtCompileTimeWithPolishDefaults) {
    static constexpr auto block = MakeVersionBlock<"1.2.3.4">();
    static_assert(block[6] == 'V' && block[7] == 0, "root key in UTF-16LE");
    EXPECT_EQ(block[0] | (block[1] << 8), static_cast<int>(block.size()));
    EXPECT_EQ(Str(block, "\\StringFileInfo\\041504E2\\FileVersion"), "1.2.3.4");
    const auto translations = VerQueryTranslations(block.data(), block.size());
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations[0].Language, 0x0415);
    EXPECT_EQ(translations[0].CodePage, 0x04E2);
    EXPECT_EQ(FixedVersion(block), (std::array<uint32_t, 4>{1, 2, 3, 4}));
}

TEST(VersionBlock, FileVersionTextIsKeptExactlyAndParsedWhenItCan) {
    static constexpr auto commas = MakeVersionBlock<"1, 0, 0, 0">();
    EXPECT_EQ(Str(commas, "\\StringFileInfo\\041504E2\\FileVersion"), "1, 0, 0, 0");
    EXPECT_EQ(FixedVersion(commas), (std::array<uint32_t, 4>{1, 0, 0, 0}));

    static constexpr auto odd = MakeVersionBlock<" 7.1-beta ", 0x0409, 0x04B0>();
    EXPECT_EQ(Str(odd, "\\StringFileInfo\\040904B0\\FileVersion"), " 7.1-beta ");
    EXPECT_EQ(FixedVersion(odd), (std::array<uint32_t, 4>{0, 0, 0, 0}));
    static constexpr auto big = MakeVersionBlock<"70000.1">();
    EXPECT_EQ(FixedVersion(big), (std::array<uint32_t, 4>{0, 0, 0, 0}));
    static constexpr auto shortText = MakeVersionBlock<"5.6">();
    EXPECT_EQ(FixedVersion(shortText), (std::array<uint32_t, 4>{5, 6, 0, 0}));
}

TEST(VersionQuery, KeysAndTableNamesIgnoreLetterCaseAndTheLeadingBackslashAndMissingOnesGiveNothing) {
    static constexpr auto block = MakeVersionBlock<"1.2.3.4", 0x0415, 0x04E2, "", "Zażółć">();
    EXPECT_EQ(Str(block, "\\stringfileinfo\\041504e2\\FILEVERSION"), "1.2.3.4");
    EXPECT_EQ(Str(block, "StringFileInfo\\041504E2\\fileDescription"), "Zażółć");
    const void* data = nullptr;
    uint32_t len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), "varfileinfo\\TRANSLATION", &data, &len));
    EXPECT_EQ(len, 4u);  // bytes, for binary values
    ASSERT_TRUE(VerQueryValueW(block.data(), "\\StringFileInfo\\041504E2\\FileVersion", &data, &len));
    EXPECT_EQ(len, 8u);  // characters with the NUL, for text
    EXPECT_EQ(std::memcmp(data, u"1.2.3.4", 16), 0);
    // Missing keys, tables and paths give nothing.
    EXPECT_FALSE(VerQueryValueW(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", &data, &len));
    EXPECT_FALSE(VerQueryValueW(block.data(), "\\StringFileInfo\\041504E2\\Comments", &data, &len));
    EXPECT_FALSE(VerQueryValueW(block.data(), "\\StringFileInfo\\041504E2\\FileVersion\\More", &data, &len));
    EXPECT_FALSE(VerQueryValueW(nullptr, "\\", &data, &len));
    EXPECT_EQ(Str(block, "\\StringFileInfo\\041504E2\\FileVersio"), std::nullopt);
}

TEST(VersionQuery, DamagedBlocksAnswerOnlyFromInsideThemselves) {
    static constexpr auto original = MakeVersionBlock<"1.2.3.4", 0x0415, 0x04E2, "Zarix", "Opis">();
    std::mt19937 random(20240611);
    int answered = 0;
    for (int round = 0; round < 4000; ++round) {
        // A heap copy of exactly the block's size, so any read past it is caught under ASan.
        std::vector<std::byte> block(original.size());
        std::memcpy(block.data(), original.data(), block.size());
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
            block[random() % block.size()] = static_cast<std::byte>(random());
        for (const char* path : {"\\StringFileInfo\\041504E2\\FileVersion", "\\VarFileInfo\\Translation", "\\"}) {
            const auto value = VerQueryValue(block, path);
            if (!value) continue;
            ++answered;
            EXPECT_GE(value->Bytes.data(), block.data());
            EXPECT_LE(value->Bytes.data() + value->Bytes.size(), block.data() + block.size());
        }
        (void)VerQueryTranslations(block.data(), static_cast<uint32_t>(block.size()));
    }
    EXPECT_GT(answered, 0);  // the flips must leave some blocks readable, or nothing was tested
}
