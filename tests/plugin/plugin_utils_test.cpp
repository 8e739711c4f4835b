// Splitting, version parsing, the concatenated-digits comparison and display names.
#include "plugin/plugin_utils.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

using namespace zarix;

namespace {
TVersion V(uint16_t a, uint16_t b, uint16_t c, uint16_t d) { return TVersion{a, b, c, d}; }
}  // namespace

TEST(Explode, KeepsEveryEmptyElement) {
    EXPECT_EQ(Explode(".", ""), (TExplodeArray{""}));
    EXPECT_EQ(Explode(".", "a..b"), (TExplodeArray{"a", "", "b"}));
    EXPECT_EQ(Explode(".", ".a."), (TExplodeArray{"", "a", ""}));
    EXPECT_EQ(Explode("", "a.b"), (TExplodeArray{"a.b"}));
    EXPECT_EQ(Explode("||", "a|||b"), (TExplodeArray{"a", "|b"}));  // first occurrence, then the rest
    EXPECT_EQ(Explode("ł", "ałbłc"), (TExplodeArray{"a", "b", "c"}));
}

TEST(VersionParser, FillsMissingPartsIgnoresExtraOnesAndWrapsAt65536) {
    EXPECT_EQ(VersionParser("3"), V(3, 0, 0, 0));
    EXPECT_EQ(VersionParser("1.2.3.4.x"), V(1, 2, 3, 4));  // parts after the fourth are not even read
    EXPECT_EQ(VersionParser("65536"), V(0, 0, 0, 0));
    EXPECT_EQ(VersionParser("70000.-1"), V(4464, 65535, 0, 0));
}

TEST(VersionParser, AnyPartThatIsNotAnIntegerFailsTheWholeCall) {
    for (const char* bad : {"", "1.2.x", "1..2", "1.2.", "1, 0, 0, 0", " 1.0", "1.0.0.99999999999"})
        EXPECT_THROW(VersionParser(bad), EConvertError) << bad;
}

TEST(VersionCompare, ComparesTheConcatenatedDigitsNotTheFields) {
    EXPECT_EQ(VersionCompare(V(1, 10, 0, 0), V(2, 0, 0, 0)), ">");   // 11000 against 2000
    EXPECT_EQ(VersionCompare(V(1, 23, 4, 5), V(12, 3, 4, 5)), "=");  // 12345 both
    EXPECT_EQ(VersionCompare(V(0, 0, 0, 1), V(0, 0, 1, 0)), "<");    // 1 against 10
    // Numbers past the signed 32-bit range raise the conversion error.
    EXPECT_THROW(VersionCompare(V(65535, 65535, 65535, 65535), V(1, 0, 0, 0)), EConvertError);
    EXPECT_THROW(VersionCompare(V(1, 0, 0, 0), V(2147, 48, 36, 48)), EConvertError);  // 2147483648
    EXPECT_EQ(VersionCompare(V(2147, 48, 36, 47), V(1, 0, 0, 0)), ">");                 // 2147483647 fits
}

TEST(GetNicePluginName, MapsTheExactIdentifiersOnly) {
    const std::pair<const char*, const char*> names[] = {
        {"ADMINISTRACJA", "Administracja"}, {"ASORTYMENT", "Asortymenty"}, {"CENNIKI", "Cenniki"},
        {"DOKMAG", "Dokumenty handlowe"}, {"Dane firmy.", "Dane firmy"}, {"DOKKHPLUGIN", "Dokumenty księgowe"},
        {"DOKKH", "Dokumenty księgowe"}, {"DEFINICJERAPORTOW", "Definicje raportów"},
        {"DEFINICJEDOK", "Definicje dokumentów"}, {"EWVAT", "Ewidencja VAT"}, {"FORMULARZE", "Formularze"},
        {"FORMVAT7", "Deklaracje VAT"}, {"Formularze ŁOW", "Formularze łowieckie"},
        {"FORMULARZEINNE", "Formularze łowieckie"}, {"Formularz CIT8", "Deklaracje CIT"},
        {"FORMULARZCIT8", "Deklaracje CIT"}, {"Formularz Bilansu", "Formularze bilansów"},
        {"FORMBILANSFK", "Formularze bilansów"}, {"FORMULARZEPLACOWE", "Formularze płacowe"},
        {"FORMPIT5", "Deklaracje PIT"}, {"PITY", "Deklaracje PIT"}, {"HISTORIA", "Historia"},
        {"INTRASTAT", "Deklaracje Intrastat"}, {"FORMULARZINTRASTAT", "Deklaracje Intrastat"},
        {"KPR", "Ewidencja KPR"}, {"KLIENT", "Kontrahenci"}, {"KASA", "Finanse"}, {"KONWERSJA", "Konwersja"},
        {"KOPIADANYCH", "Kopia danych"}, {"KONTO", "Plan kont"}, {"MONITY", "Monity"},
        {"PLUGINZESTAWIENIAH", "Zestawienia handlowe"}, {"PARAMETRY", "Parametry"}, {"PLACE", "Płace"},
        {"PLUGINRELS", "Relacje"}, {"RELSPLUGIN", "Relacje"}, {"SLOWNIK", "Słowniki"}, {"SCHEMATY", "Schematy"},
        {"STARTPANEL", "Panel startowy"}, {"TABKURS", "Tabele kursowe"},
        {"ZESTAWIENIAFK", "Zestawienia finansowo-ksiegowe"},
        {"kasa", "kasa"}, {"", ""}, {"KLIENT ", "KLIENT "}, {"Formularze łow", "Formularze łow"}};
    for (const auto& [id, nice] : names) EXPECT_EQ(GetNicePluginName(id), nice) << id;
}
