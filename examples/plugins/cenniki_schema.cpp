// CENNIKI's price lists on a server: the same tables and gross-price view in the server's types.
#include "server_schemas.h"

namespace samples {

const TModuleSchema& CennikiServerSchema() {
    static const TModuleSchema schema{
        {{"Cenniki", R"sql(
            CREATE TABLE Cenniki (
                CENOrigid integer PRIMARY KEY,
                CENNazwa  text NOT NULL UNIQUE,
                CENWaluta text NOT NULL DEFAULT 'PLN'
            ))sql",
          {{"CENOrigid"}, {"CENNazwa"}, {"CENWaluta", "text NOT NULL DEFAULT 'PLN'"}}},
         {"CennikiPozycje", R"sql(
            CREATE TABLE CennikiPozycje (
                CPOCennik    integer NOT NULL REFERENCES Cenniki (CENOrigid),
                CPOIndeks    integer NOT NULL,
                CPONazwa     text NOT NULL,
                CPOCenaNetto bigint NOT NULL CHECK (CPOCenaNetto >= 0),
                CPOStawkaVat integer NOT NULL DEFAULT 23,
                PRIMARY KEY (CPOCennik, CPOIndeks)
            ))sql",
          {{"CPOCennik"}, {"CPOIndeks"}, {"CPONazwa"}, {"CPOCenaNetto"}, {"CPOStawkaVat", "integer NOT NULL DEFAULT 23"}}}},
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
    return schema;
}

}  // namespace samples
