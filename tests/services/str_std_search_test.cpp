// Plugin-name normalisation.
#include "services/various.h"

#include <gtest/gtest.h>

using namespace zarix;

TEST(StrStdSearch, FoldsPolishLettersUpperCasesAndDropsTheRest) {
    EXPECT_EQ(StrStdSearch("Kopia danych", 500), "KOPIADANYCH");
    EXPECT_EQ(StrStdSearch("Formularze ŁOW", 500), "FORMULARZELOW");
    EXPECT_EQ(StrStdSearch("ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ", 500), "ACELNOSZZACELNOSZZ");
    EXPECT_EQ(StrStdSearch("Formularz CIT-8", 500), "FORMULARZCIT8");
    EXPECT_EQ(StrStdSearch("Dane firmy.", 500), "DANEFIRMY");
    EXPECT_EQ(StrStdSearch("Straße Ærø", 500), "STRASSEAERO");
    EXPECT_EQ(StrStdSearch("", 500), "");
    EXPECT_EQ(StrStdSearch("日本 kasa €", 500), "KASA");
}

TEST(StrStdSearch, KeepsAtMostTheGivenNumberOfCharacters) {
    EXPECT_EQ(StrStdSearch(std::string(600, 'a'), 500), std::string(500, 'A'));
    EXPECT_EQ(StrStdSearch("abcß", 4), "ABCS");  // a two-letter fold is cut at the limit
    EXPECT_EQ(StrStdSearch("abc", 0), "");
}

TEST(StrStdSearch, MalformedTextIsDroppedWithoutOverrun) {
    EXPECT_EQ(StrStdSearch(std::string("ka\xC5") , 500), "KA");
    EXPECT_EQ(StrStdSearch(std::string("\xFF\xFEsa"), 500), "SA");
    EXPECT_EQ(StrStdSearch(std::string("\xC5\x82\xE2\x82"), 500), "L");
}
