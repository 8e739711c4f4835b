// The sample modules' answers to the three passes of the database check, and what the
// diagnostic log tells of it.
#include "sample_application.h"

#include "platform/ui/menus.h"
#include "services/log.h"

#include <gmock/gmock.h>

#include <functional>
#include <utility>

using namespace zarix;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

// The database of version 1.2: customers without e-mail addresses and their trigger without
// them, documents without a payment term, a totals view without the gross value, a price
// view of its own (the price lists' 1.1 is not newer, so it stays), one document type. The
// tables read alike on both backends; the trigger is SQLite's own or a PL/pgSQL function.
constexpr const char* kVersion12 = R"sql(
    CREATE TABLE Kontrahenci (KNTOrigid integer PRIMARY KEY, KNTSkrot citext NOT NULL UNIQUE, KNTNazwa text NOT NULL,
                              KNTNip text NOT NULL DEFAULT '', KNTObrot bigint NOT NULL DEFAULT 0,
                              KNTZmieniono text NOT NULL DEFAULT '');
    INSERT INTO Kontrahenci (KNTOrigid, KNTSkrot, KNTNazwa, KNTObrot) VALUES (15, 'KOWALSKI', 'Kowalski Jan', 2000),
                                                                           (30, 'ABC', 'ABC Hurt', 0);
    CREATE TABLE Cenniki (CENOrigid integer PRIMARY KEY, CENNazwa text NOT NULL UNIQUE, CENWaluta text NOT NULL DEFAULT 'PLN');
    CREATE TABLE CennikiPozycje (CPOCennik integer NOT NULL, CPOIndeks integer NOT NULL, CPONazwa text NOT NULL,
                                 CPOCenaNetto bigint NOT NULL, CPOStawkaVat integer NOT NULL DEFAULT 23,
                                 PRIMARY KEY (CPOCennik, CPOIndeks));
    CREATE VIEW CennikiBrutto AS SELECT CPOCennik, CPOIndeks, CPOCenaNetto * 123 / 100 AS CPOCenaBrutto FROM CennikiPozycje;
    CREATE TABLE DokumentyTypy (DTYSymbol text PRIMARY KEY, DTYNazwa text NOT NULL);
    INSERT INTO DokumentyTypy VALUES ('FV', 'Faktura VAT');
    CREATE TABLE Dokumenty (DOKOrigid integer PRIMARY KEY, DOKTyp text NOT NULL, DOKNumer text NOT NULL UNIQUE,
                            DOKKontrahent integer NOT NULL, DOKData text NOT NULL DEFAULT '');
    INSERT INTO Dokumenty VALUES (1, 'FV', 'FV/1/2025', 15, '2025-03-01');
    CREATE TABLE DokumentyPozycje (DPODokument integer NOT NULL, DPOLp integer NOT NULL, DPOIndeks integer NOT NULL,
                                   DPOIlosc bigint NOT NULL, DPOCenaNetto bigint NOT NULL,
                                   DPOStawkaVat integer NOT NULL DEFAULT 23, PRIMARY KEY (DPODokument, DPOLp));
    INSERT INTO DokumentyPozycje VALUES (1, 1, 101, 2, 1000, 23);
    CREATE VIEW DokumentyWartosci AS SELECT DOKOrigid, SUM(DPOIlosc * DPOCenaNetto) AS DOKNetto
        FROM Dokumenty JOIN DokumentyPozycje ON DPODokument = DOKOrigid GROUP BY DOKOrigid;
)sql";
constexpr const char* kTrigger12 = R"sql(
    CREATE TRIGGER KontrahenciZmiana AFTER UPDATE OF KNTSkrot, KNTNazwa, KNTNip ON Kontrahenci
    BEGIN UPDATE Kontrahenci SET KNTZmieniono = datetime('now') WHERE KNTOrigid = NEW.KNTOrigid; END;
)sql";
constexpr const char* kServerTrigger12 = R"sql(
    CREATE FUNCTION KontrahenciZmiana() RETURNS trigger LANGUAGE plpgsql AS $$
    BEGIN NEW.KNTZmieniono := now()::text; RETURN NEW; END $$;
    CREATE TRIGGER KontrahenciZmiana BEFORE UPDATE OF KNTSkrot, KNTNazwa, KNTNip ON Kontrahenci
    FOR EACH ROW EXECUTE FUNCTION KontrahenciZmiana();
)sql";

}  // namespace

using DbCheck = SampleApplication;

TEST_P(DbCheck, ANewDatabaseGetsEveryModulesObjectsAndSamplesOnce) {
    Check("");
    EXPECT_THAT(SchemaNames("table"), ElementsAre("cenniki", "cennikipozycje", "dokumenty", "dokumentypozycje", "dokumentytypy",
                                            "kontrahenci"));
    EXPECT_THAT(SchemaNames("view"), ElementsAre("cennikibrutto", "dokumentywartosci"));
    EXPECT_THAT(SchemaNames("trigger"), ElementsAre("dokumentypozycjeobrot", "dokumentypozycjeobrotusuniecie", "kontrahencizmiana"));
    // The sample rows themselves show in the sample windows' lists (SampleWindows).
    EXPECT_THAT(ColumnOf("SELECT DTYSymbol FROM DokumentyTypy ORDER BY 1"), ElementsAre("FV", "PAR", "WZ"));
    EXPECT_EQ(Value("SELECT CPOCenaBrutto FROM CennikiBrutto WHERE CPOIndeks = 103"), "524");  // 4,99 + 5%

    // Nothing to do the second time, whether the host stored the new version or not.
    const std::string once = DatabaseDump();
    Check("");
    Check("1.4.0.0");
    Check("9.0.0.0");
    EXPECT_EQ(DatabaseDump(), once);

    // The objects work: the lines keep the buyer's turnover, the view sums the document.
    Exec("INSERT INTO Dokumenty (DOKOrigid, DOKTyp, DOKNumer, DOKKontrahent) VALUES (7, 'FV', 'FV/7', 16);"
         "INSERT INTO DokumentyPozycje (DPODokument, DPOLp, DPOIndeks, DPOIlosc, DPOCenaNetto) VALUES (7, 1, 101, 2, 6999),"
         "  (7, 2, 102, 1, 1450)");
    EXPECT_EQ(Value("SELECT KNTObrot FROM Kontrahenci WHERE KNTOrigid = 16"), "15448");
    EXPECT_EQ(Value("SELECT DOKNetto || '/' || DOKVat || '/' || DOKBrutto FROM DokumentyWartosci"), "15448/3554/19002");
    Exec("DELETE FROM DokumentyPozycje WHERE DPOLp = 1");
    EXPECT_EQ(Value("SELECT KNTObrot FROM Kontrahenci WHERE KNTOrigid = 16"), "1450");
    EXPECT_EQ(Value("SELECT KNTZmieniono FROM Kontrahenci WHERE KNTOrigid = 16"), "");  // turnover is no edit
    Exec("UPDATE Kontrahenci SET KNTEmail = 'nowak@example.com' WHERE KNTOrigid = 16");
    EXPECT_NE(Value("SELECT KNTZmieniono FROM Kontrahenci WHERE KNTOrigid = 16"), "");
}

TEST_P(DbCheck, AnOlderDatabaseIsUpgradedAndKeepsItsRows) {
    Exec(std::string(kVersion12) + Says(kTrigger12, kServerTrigger12));
    Check("1.2.0.0");

    EXPECT_THAT(ColumnOf("SELECT KNTOrigid || ':' || KNTNazwa || ':' || KNTEmail || ':' || KNTObrot FROM Kontrahenci ORDER BY 1"),
                ElementsAre("15:Kowalski Jan::2000", "30:ABC Hurt::0"));  // no samples in a database in use
    EXPECT_EQ(Value("SELECT DOKTerminPlatnosci FROM Dokumenty WHERE DOKOrigid = 1"), "14");
    EXPECT_EQ(Value("SELECT DOKBrutto FROM DokumentyWartosci WHERE DOKOrigid = 1"), "2460");
    EXPECT_EQ(Value("SELECT count(*) FROM CennikiPozycje"), "0");
    EXPECT_THAT(ColumnOf("SELECT DTYSymbol FROM DokumentyTypy ORDER BY 1"), ElementsAre("FV", "PAR", "WZ"));  // dictionary rows always

    const std::string upgraded = DatabaseDump();
    Check("1.4.0.0");
    Check("1.2.0.0");
    EXPECT_EQ(DatabaseDump(), upgraded);
    // The trigger now follows the e-mail address too; the old price view still adds 23% where
    // the new one would add the line's own rate.
    Exec("UPDATE Kontrahenci SET KNTEmail = 'jan@example.com' WHERE KNTOrigid = 15;"
         "INSERT INTO CennikiPozycje (CPOCennik, CPOIndeks, CPONazwa, CPOCenaNetto, CPOStawkaVat) VALUES (1, 1, 'Kawa', 100, 5)");
    EXPECT_NE(Value("SELECT KNTZmieniono FROM Kontrahenci WHERE KNTOrigid = 15"), "");
    EXPECT_EQ(Value("SELECT CPOCenaBrutto FROM CennikiBrutto"), "123");
}

TEST_P(DbCheck, AColumnThatCannotBeAddedStopsTheCheckAndItsModuleChangesNothing) {
    // Documents without their number: a required unique column, which no upgrade can add.
    Exec("CREATE TABLE Dokumenty (DOKOrigid INTEGER PRIMARY KEY, DOKTyp TEXT NOT NULL, DOKKontrahent INTEGER NOT NULL,"
         "                        DOKData TEXT NOT NULL)");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { Check("1.2.0.0"); }),
              "Moduł Dokumenty handlowe: w tabeli Dokumenty brak kolumny DOKNumer, a takiej kolumny nie można dodać.");
    // The modules before it passed; the failing one's pass left nothing (its document types
    // table came first); the later passes never ran.
    EXPECT_THAT(SchemaNames("table"), ElementsAre("cenniki", "cennikipozycje", "dokumenty", "kontrahenci"));
    EXPECT_THAT(SchemaNames("view"), IsEmpty());
    EXPECT_THAT(SchemaNames("trigger"), IsEmpty());
}

TEST_P(DbCheck, ADatabaseThatClaimsAVersionMustHaveItsColumns) {
    Exec("CREATE TABLE Kontrahenci (KNTOrigid INTEGER PRIMARY KEY, KNTSkrot TEXT NOT NULL UNIQUE, KNTNazwa TEXT NOT NULL)");
    const std::string before = DatabaseDump();
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { Check("1.3.0.0"); }),
              "Moduł Kontrahenci: w tabeli Kontrahenci brak kolumny KNTNip, choć baza danych ma wersję 1.3.0.0.");
    EXPECT_EQ(DatabaseDump(), before);
    EXPECT_THROW(Check("1.x"), EDatabaseError);
    EXPECT_EQ(DatabaseDump(), before);
}


// The diagnostic log: each category tells its part of the work, and nothing is told when off.
TEST_P(DbCheck, EachLogCategoryTellsItsPartAndNothingIsToldWhenOff) {
    const std::string klient = std::string(EXAMPLE_PLUGIN_DIR) + "/klient.bpl";
    // Each piece of work, with the category that must tell of it and what it tells.
    const std::tuple<const char*, std::function<void()>, std::string> parts[] = {
        {"load", [&] { EXPECT_THROW(Manager->LoadPlugin(klient, false), EPluginError); },
         klient + ": this library is already loaded"},  // the same reason the loading error gives
        {"menu",
         [&] {
             TMainMenu menu(nullptr);
             Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
         },
         "Kartoteki|Kontrahenci: item \"&Kontrahenci\" made"},
        {"db", [&] { Check(""); }, "module KLIENT, pass pmDBTableRequired: DBCONN: "},
        {"db", [&] { Exec("SELECT 1"); }, "DBCONN: SELECT 1"},  // outside a module's pass
    };
    using TLines = std::vector<std::pair<std::string, std::string>>;
    const uint32_t before = LogCategories();
    for (const auto& [category, work, told] : parts)
        for (const bool on : {true, false}) {
            SCOPED_TRACE(std::string(category) + (on ? " on" : " off"));
            TLines lines;
            TLogSink previous = SetLogSink([&](std::string_view name, std::string_view text) { lines.emplace_back(name, text); });
            SetLogCategories(ParseLogCategories(on ? category : "").value());
            work();
            SetLogCategories(before);
            SetLogSink(std::move(previous));
            const ::testing::Matcher<const TLines&> tells = Contains(Pair(category, HasSubstr(told)));
            EXPECT_THAT(lines, on ? tells : IsEmpty());
        }
}

ZARIX_ON_BOTH_BACKENDS(DbCheck);
