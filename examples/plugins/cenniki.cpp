// CENNIKI: price lists ("Cenniki") with their customer-specific prices. Other modules ask it
// for a net price through the routine "CenaNetto".
#include "manager/result_type.h"
#include "plugin/plugin_entry.h"
#include "sample_db.h"
#include "server_schemas.h"

namespace {

using namespace zarix;

// Price lists and their items. Prices are kept in grosze (hundredths of a złoty) as integers;
// version 1.1 brought the VAT rate of each item, in per cent.
const samples::TModuleSchema kSchema{
    {{"Cenniki", R"sql(
        CREATE TABLE Cenniki (
            CENOrigid INTEGER PRIMARY KEY,
            CENNazwa  TEXT NOT NULL UNIQUE,
            CENWaluta TEXT NOT NULL DEFAULT 'PLN'
        ))sql",
      {{"CENOrigid"}, {"CENNazwa"}, {"CENWaluta", "TEXT NOT NULL DEFAULT 'PLN'"}}},
     {"CennikiPozycje", R"sql(
        CREATE TABLE CennikiPozycje (
            CPOCennik    INTEGER NOT NULL REFERENCES Cenniki (CENOrigid),
            CPOIndeks    INTEGER NOT NULL,
            CPONazwa     TEXT NOT NULL,
            CPOCenaNetto INTEGER NOT NULL CHECK (CPOCenaNetto >= 0),
            CPOStawkaVat INTEGER NOT NULL DEFAULT 23,
            PRIMARY KEY (CPOCennik, CPOIndeks)
        ))sql",
      {{"CPOCennik"}, {"CPOIndeks"}, {"CPONazwa"}, {"CPOCenaNetto"}, {"CPOStawkaVat", "INTEGER NOT NULL DEFAULT 23"}}}},
    // Gross prices, rounded to the grosz.
    {{"view", "CennikiBrutto", R"sql(
        CREATE VIEW CennikiBrutto AS
        SELECT CPOCennik, CPOIndeks, CPONazwa, CPOCenaNetto,
               CPOCenaNetto + (CPOCenaNetto * CPOStawkaVat + 50) / 100 AS CPOCenaBrutto
        FROM CennikiPozycje)sql"}},
    {{"Cenniki", "INSERT INTO Cenniki (CENOrigid, CENNazwa) VALUES (1, 'Cennik podstawowy')", true},
     {"CennikiPozycje", R"sql(
        INSERT INTO CennikiPozycje (CPOCennik, CPOIndeks, CPONazwa, CPOCenaNetto, CPOStawkaVat) VALUES
            (1, 101, 'Kawa ziarnista 1 kg', 6999, 23),
            (1, 102, 'Herbata czarna 100 szt.', 1450, 23),
            (1, 103, 'Cukier biały 1 kg', 499, 5))sql",
      true}}};

int32_t IntegerWord(TRoutineWord word) { return static_cast<int32_t>(static_cast<intptr_t>(word)); }

// ExecuteMethod("CenaNetto", Args(priceList, index)): the net price in grosze of the goods
// with that index in that price list, as an integer. Registered routines get their arguments
// as words, so both must be integers.
void CenaNetto(TRoutineWord priceList, TRoutineWord index, TVarRec* result) {
    const std::optional<std::string> price =
        samples::QueryValue("SELECT CPOCenaNetto FROM CennikiPozycje WHERE CPOCennik = ? AND CPOIndeks = ?",
                            {Variant(IntegerWord(priceList)), Variant(IntegerWord(index))});
    // "Brak towaru X w cenniku Y" = no goods X in price list Y.
    if (!price)
        throw Exception("Brak towaru " + std::to_string(IntegerWord(index)) + " w cenniku " +
                        std::to_string(IntegerWord(priceList)));
    *result = TVarRec(StrToInt(*price));
}

class TCennikiPlugin : public TZarixPlugin {
    ZARIX_CLASS(TCennikiPlugin, TZarixPlugin)
    explicit TCennikiPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("CennikiPlugin");
        SetPluginName("Cenniki");
        SetPluginPriority(20);
        SetRequiredDBVersion(VersionParser("1.1.0.0"));
        AddDependency("Klient", "1.0.0.0");  // prices per customer need the customer register
        AddCommand(true, "Cenniki", "Cenniki sprzedaży", "1|3", "Kartoteki|Cenniki", [](TObject*) {}, "CENNIKI_LISTA",
                   3, true, 2, "Cenniki sprzedaży i zakupu");
        AddCommand(true, "Zmiana cen", "Zbiorcza zmiana cen w cenniku", "1|4", "Kartoteki|Zmiana cen",
                   [](TObject*) {}, "CENNIKI_ZMIANA", 4, true, -1, "");
        AddMethod("CenaNetto", &CenaNetto);
    }
    void OnMessage(TPluginMessagesTypes Kind, const std::string& AMessage, TConstArray) override {
        samples::AnswerDatabaseCheck(*this, samples::ForThisDatabase(kSchema, samples::CennikiServerSchema()), Kind, AMessage);
    }
};
ZARIX_DEFINE_CLASS(TCennikiPlugin)

}  // namespace

ZARIX_PLUGIN(TCennikiPlugin)
