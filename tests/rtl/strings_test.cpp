// UTF-8 counting and copying, ASCII-only case folding, trimming, strict conversion of text and
// Variants; TList, TStringList and collections: positions, sorting, searching, duplicates,
// ownership and assignment.
#include "platform/rtl/collection.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/variant.h"

#include <gtest/gtest.h>

#include "message_of.h"

using namespace zarix;

TEST(Utf8, CountsCodePointsNotBytesAndMalformedBytesCountOneEachWithoutOverrun) {
    const std::string cut4 = "\xF0\x9F\x98";  // four-byte sequence cut short
    // The lowest and highest two-byte leads (0xC2, 0xC3), a lead byte without continuation, lone
    // continuation bytes.
    const std::pair<std::string, std::size_t> lengths[] = {
        {"Zażółć gęślą jaźń", 17}, {"", 0}, {"\u00A0\u00A7\u00DF", 3}, {"ab\xC5", 3}, {"\x80\x80z", 3}, {cut4, 3}};
    for (const auto& [text, length] : lengths) EXPECT_EQ(Utf8Length(text), length) << text;
    const std::tuple<std::string, std::size_t, std::size_t, std::string> copies[] = {
        {"Dokumenty księgowe", 11, 5, "księg"}, {"Płace", 1, 2, "Pł"}, {"Płace", 4, 99, "ce"}, {"Płace", 9, 1, ""},
        {cut4, 2, 5, "\x9F\x98"}};
    for (const auto& [text, from, count, copy] : copies) EXPECT_EQ(Utf8Copy(text, from, count), copy) << text;
    EXPECT_EQ(std::pair(Utf8Pos(" ", "Słowniki kont"), Utf8Pos("x", "Słowniki")), std::pair(std::size_t{9}, std::size_t{0}));
}

TEST(Case, UpperCaseAndTrimChangeOnlyAsciiAndControlCharacters) {
    EXPECT_EQ(UpperCase("ąbć-xyz ŁÓDŹ 9"), "ąBć-XYZ ŁÓDŹ 9");
    // Polish letters differ in case: not the same text.
    EXPECT_EQ(std::pair(SameText("Kasa", "KASA"), SameText("łódź", "ŁÓDŹ")), std::pair(true, false));
    EXPECT_EQ(Trim("\t\r\n  a b \x01"), "a b");
    EXPECT_EQ(std::tuple(Trim("   "), TrimLeft("  a "), TrimRight("  a ")), std::tuple("", "a ", "  a"));
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

TEST(Variant, ConvertsBetweenKindsAndComparesIntegersAcrossWidths) {
    const std::pair<Variant, std::string> texts[] = {
        {Variant(), ""}, {Variant(int32_t{-5}), "-5"}, {Variant(true), "True"}, {Variant(int64_t{1} << 40), "1099511627776"}};
    for (const auto& [value, text] : texts) EXPECT_EQ(value.AsString(), text);
    // Doubles round half to even.
    const std::pair<Variant, int32_t> integers[] = {
        {Variant(), 0}, {Variant("123"), 123}, {Variant(true), -1}, {Variant(2.5), 2}, {Variant(3.5), 4}};
    for (const auto& [value, integer] : integers) EXPECT_EQ(value.AsInteger(), integer) << value.AsString();
    for (const auto& [text, truth] : {std::pair("true", true), std::pair("FALSE", false), std::pair("0", false)})
        EXPECT_EQ(Variant(text).AsBoolean(), truth) << text;
    EXPECT_FALSE(Variant().AsBoolean());
    EXPECT_DOUBLE_EQ(Variant("2.5").AsDouble(), 2.5);
    // Equality compares integers across widths, never text against numbers.
    EXPECT_EQ(Variant(int32_t{7}), Variant(int64_t{7}));
    EXPECT_NE(Variant("7"), Variant(int32_t{7}));
    EXPECT_EQ(Variant("a"), Variant(std::string("a")));
    EXPECT_NE(Variant(), Variant::Null());
}

TEST(Variant, FailedConversionsNameBothTypes) {
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("abc").AsInteger(); }),
              "Could not convert variant of type (String) into type (Integer)");
    for (const char* text : {"2.5x", " 2.5", ""})
        EXPECT_EQ(MessageOf<EVariantError>([&] { (void)Variant(text).AsDouble(); }),
                  "Could not convert variant of type (String) into type (Double)")
            << text;
    EXPECT_THROW((void)Variant(int64_t{1} << 40).AsInteger(), EVariantError);
    EXPECT_THROW((void)Variant::Null().AsString(), EVariantError);
    EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantError);
    EXPECT_THROW((void)Variant::FromObject(nullptr).AsInteger(), EVariantError);  // a reference is no number
    EXPECT_THROW((void)Variant(int32_t{1}).AsObject(), EVariantError);           // nor a number a reference
}

TEST(TList, PositionsOutOfRangeRaiseAndNothingChanges) {
    TList list;
    int a = 1, b = 2, c = 3;
    list.Add(&a);
    list.Add(&b);
    list.Insert(0, &c);
    EXPECT_EQ(std::pair(list.Items(0), list.IndexOf(&b)), std::pair(static_cast<void*>(&c), 2));
    EXPECT_EQ(MessageOf<EListError>([&] { list.Delete(3); }), "List index out of bounds (3)");
    EXPECT_THROW(list.Insert(5, &a), EListError);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Remove(&a), 1);
    EXPECT_EQ(list.Remove(&a), -1);
    list.Move(1, 0);
    EXPECT_EQ(list.Items(0), &b);
    EXPECT_EQ(MessageOf<EListError>([&] { list.SetCapacity(1); }), "List capacity out of bounds (1)");
    list.SetCapacity(100);
    EXPECT_EQ(std::pair(list.Capacity() >= 100, list.Count()), std::pair(true, 2));
}

TEST(TStringList, SortIsStableAndCustomSortUsesTheGivenComparison) {
    TStringList list;
    TObject tags[4];
    for (int i = 0; i < 4; ++i) list.AddObject(i % 2 == 0 ? "0000000020" : "0000000003", &tags[i]);
    list.Sort();
    const std::vector<TObject*> order{list.Objects(0), list.Objects(1), list.Objects(2), list.Objects(3)};
    EXPECT_EQ(order, (std::vector<TObject*>{&tags[1], &tags[3], &tags[0], &tags[2]}));

    TStringList words;
    for (const char* s : {"bb", "a", "ccc"}) words.Add(s);
    words.CustomSort([](const TStringList& l, int i, int j) {
        return static_cast<int>(l.Strings(j).size()) - static_cast<int>(l.Strings(i).size());
    });
    EXPECT_EQ(words.Text(), "ccc\nbb\na\n");
}

TEST(TStringList, SortedListsFindAndInsertInOrderWithTheirDuplicateRule) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"delta", "Alfa", "charlie"}) list.Add(s);
    EXPECT_EQ(list.Text(), "Alfa\ncharlie\ndelta\n");
    int at = -1;
    EXPECT_TRUE(list.Find("ALFA", at));  // case-insensitive by default
    EXPECT_EQ(at, 0);
    EXPECT_FALSE(list.Find("bravo", at));
    EXPECT_EQ(at, 1);
    EXPECT_EQ(list.Add("alfa"), 0);  // ignored duplicate reports the existing position
    EXPECT_EQ(list.Count(), 3);
    list.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(list.Add("Delta"), EListError);
    list.SetDuplicates(TDuplicates::dupAccept);
    TObject later;
    EXPECT_EQ(list.AddObject("alfa", &later), 1);  // after the equal one already there
    EXPECT_THROW(list.Insert(0, "x"), EListError);
    list.SetCaseSensitive(true);
    EXPECT_EQ(std::pair(list.IndexOf("alfa"), list.IndexOf("ALFA")), std::pair(1, -1));
}

TEST(TStringList, ObjectsStayWithTheirStringsAndAssignCopiesBoth) {
    TStringList list, copy;
    TObject tag;
    list.AddObject("KLIENT", &tag);
    list.Add("CENNIKI");
    copy.Add("old");
    copy.Assign(&list);
    EXPECT_EQ(std::pair(copy.Text(), copy.IndexOfObject(&tag)), std::pair(std::string("KLIENT\nCENNIKI\n"), 0));
    EXPECT_THROW(copy.Strings(2), EListError);
    copy.Delete(0);
    EXPECT_EQ(copy.Strings(0), "CENNIKI");
}

class TPlainItem : public TCollectionItem {
    ZARIX_CLASS(TPlainItem, TCollectionItem)
    explicit TPlainItem(TCollection* c) : TCollectionItem(c) {}
    int Value = 0;
};
ZARIX_DEFINE_CLASS(TPlainItem)

// An item class that knows how to copy itself.
class TCopyItem : public TCollectionItem {
    ZARIX_CLASS(TCopyItem, TCollectionItem)
    explicit TCopyItem(TCollection* c) : TCollectionItem(c) {}
    void Assign(const TPersistent* source) override {
        if (const auto* other = dynamic_cast<const TCopyItem*>(source)) Text = other->Text;
        else TCollectionItem::Assign(source);
    }
    std::string Text;
};
ZARIX_DEFINE_CLASS(TCopyItem)

TEST(Collection, ItemsKeepOrderKnowTheirIndexAndLeaveWhenFreed) {
    TTypedCollection<TPlainItem> items;
    auto* a = items.Add();
    auto* b = items.Add();
    auto* c = items.Add();
    EXPECT_EQ(b->Index(), 1);
    c->SetIndex(0);
    EXPECT_EQ(std::pair(items.Items(0), items.Items(1)), std::pair(c, a));
    c->SetIndex(99);  // clamped to the last position
    EXPECT_EQ(items.Items(2), c);
    delete a;
    EXPECT_EQ(items.Count(), 2);
    items.Delete(0);
    EXPECT_EQ(items.Items(0), c);
    EXPECT_THROW(items.Items(1), EListError);
    EXPECT_THROW(items.Delete(-1), EListError);
    EXPECT_EQ(items.FindItemID(c->ID()), c);
    EXPECT_EQ(items.Insert(0)->Index(), 0);  // in front of the first, never past the end
    EXPECT_THROW(items.Insert(3), EListError);
}

TEST(Collection, AssignmentCopiesCopyableItemsAndOtherwiseRaisesKeepingTheTarget) {
    TTypedCollection<TPlainItem> source, target, empty;
    source.Add()->Value = 1;
    auto* kept = target.Add();
    kept->Value = 42;
    EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(&source); }), "Cannot assign a TPlainItem to a TPlainItem");
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(std::pair(target.Items(0), kept->Value), std::pair(kept, 42));
    EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(nullptr); }), "Cannot assign a nil to a TCollection");
    TPlainItem loose(nullptr);
    EXPECT_EQ(loose.Index(), -1);
    EXPECT_THROW(target.Assign(&loose), EConvertError);
    target.Assign(&empty);
    EXPECT_EQ(target.Count(), 0);

    TTypedCollection<TCopyItem> words, copy;
    words.Add()->Text = "jeden";
    words.Add()->Text = "dwa";
    copy.Add()->Text = "old";
    copy.Assign(&words);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(std::pair(copy.Items(1)->Text, copy.Items(1)->Collection()),
              std::pair(std::string("dwa"), static_cast<TCollection*>(&copy)));
    EXPECT_NE(copy.Items(0), words.Items(0));
}
