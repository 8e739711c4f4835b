// UTF-8 counting and copying, ASCII-only case folding, trimming, strict conversion of text and
// Variants.
#include "platform/rtl/strings.h"
#include "platform/rtl/variant.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include "message_of.h"

using namespace zarix;

TEST(Utf8, CountsCodePointsNotBytesAndMalformedBytesCountOneEachWithoutOverrun) {
    EXPECT_EQ(Utf8Length("Zażółć gęślą jaźń"), 17u);
    EXPECT_EQ(Utf8Length(""), 0u);
    EXPECT_EQ(Utf8Copy("Dokumenty księgowe", 11, 5), "księg");
    EXPECT_EQ(Utf8Copy("Płace", 1, 2), "Pł");
    EXPECT_EQ(Utf8Copy("Płace", 4, 99), "ce");
    EXPECT_EQ(Utf8Copy("Płace", 9, 1), "");
    EXPECT_EQ(Utf8Pos(" ", "Słowniki kont"), 9u);
    EXPECT_EQ(Utf8Pos("x", "Słowniki"), 0u);
    EXPECT_EQ(Utf8Length("ab\xC5"), 3u);     // lead byte without continuation
    EXPECT_EQ(Utf8Length("\x80\x80z"), 3u);  // lone continuation bytes
    const std::string cut4 = "\xF0\x9F\x98";  // four-byte sequence cut short
    EXPECT_EQ(Utf8Length(cut4), 3u);
    EXPECT_EQ(Utf8Copy(cut4, 2, 5), "\x9F\x98");
}

TEST(Case, UpperCaseAndTrimChangeOnlyAsciiAndControlCharacters) {
    EXPECT_EQ(UpperCase("ąbć-xyz ŁÓDŹ 9"), "ąBć-XYZ ŁÓDŹ 9");
    EXPECT_TRUE(SameText("Kasa", "KASA"));
    EXPECT_FALSE(SameText("łódź", "ŁÓDŹ"));  // Polish letters differ in case: not the same text
    EXPECT_EQ(Trim("\t\r\n  a b \x01"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
}

TEST(StrToInt, AcceptsSignsAndHexadecimalPrefixesAndRejectsEverythingElseNamingTheText) {
    const std::pair<const char*, int> good[] = {{"42", 42}, {"-42", -42}, {"+7", 7}, {"$1F", 31}, {"0x10", 16},
                                                {"$FFFFFFFF", -1}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : good) EXPECT_EQ(StrToInt(text), value) << text;
    for (const char* bad : {"", " 1", "1 ", "1,0", "1.0", "x", "-", "$", "0x", "2147483648", "-2147483649",
                            "$100000000", "$FFFFFFFFFFFFFFFF", "--1", "99999999999999999999999"})
        EXPECT_EQ(MessageOf<EConvertError>([&] { StrToInt(bad); }), "'" + std::string(bad) + "' is not a valid integer value");
    EXPECT_EQ(StrToIntDef("nope", -5), -5);
}

TEST(FileNames, SplitWithSlashSeparators) {
    EXPECT_EQ(ExtractFileName("/opt/app/plugins/klient.bpl"), "klient.bpl");
    EXPECT_EQ(ExtractFilePath("/opt/app/plugins/klient.bpl"), "/opt/app/plugins/");
    EXPECT_EQ(ChangeFileExt("/opt/app/plugins/klient.bpl", ".map"), "/opt/app/plugins/klient.map");
    EXPECT_EQ(ChangeFileExt("/opt/app.d/klient", ".map"), "/opt/app.d/klient.map");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/app"), "/opt/app/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/app/"), "/opt/app/");
}

TEST(Variant, ConvertsBetweenKindsAndComparesIntegersAcrossWidths) {
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_EQ(Variant("123").AsInteger(), 123);
    EXPECT_EQ(Variant(int32_t{-5}).AsString(), "-5");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_DOUBLE_EQ(Variant("2.5").AsDouble(), 2.5);
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // half to even
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(int64_t{1} << 40).AsString(), "1099511627776");
    // Equality compares integers across widths, never text against numbers.
    EXPECT_EQ(Variant(int32_t{7}), Variant(int64_t{7}));
    EXPECT_NE(Variant("7"), Variant(int32_t{7}));
    EXPECT_EQ(Variant("a"), Variant(std::string("a")));
    EXPECT_NE(Variant(), Variant::Null());
}

TEST(Variant, FailedConversionsNameBothTypes) {
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("abc").AsInteger(); }),
              "Could not convert variant of type (String) into type (Integer)");
    EXPECT_THROW((void)Variant(int64_t{1} << 40).AsInteger(), EVariantError);
    EXPECT_THROW((void)Variant::Null().AsString(), EVariantError);
    EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantError);
    EXPECT_THROW((void)Variant::FromObject(nullptr).AsInteger(), EVariantError);  // a reference is no number
    EXPECT_THROW((void)Variant(int32_t{1}).AsObject(), EVariantError);           // nor a number a reference
}
