// KLIENT's register on a server: citext keeps the short names unique without regard to case, as
// NOCASE does on SQLite, and a PL/pgSQL trigger stamps the time of a customer's last edit.
#include "server_schemas.h"

namespace samples {

const TModuleSchema& KlientServerSchema() {
    static const TModuleSchema schema{
        {{"Kontrahenci", R"sql(
            CREATE TABLE Kontrahenci (
                KNTOrigid    integer PRIMARY KEY,
                KNTSkrot     citext NOT NULL UNIQUE,
                KNTNazwa     text NOT NULL,
                KNTNip       text NOT NULL DEFAULT '',
                KNTEmail     text NOT NULL DEFAULT '',
                KNTObrot     bigint NOT NULL DEFAULT 0,
                KNTZmieniono text NOT NULL DEFAULT ''
            ))sql",
          {{"KNTOrigid"}, {"KNTSkrot"}, {"KNTNazwa"}, {"KNTNip", "text NOT NULL DEFAULT ''"},
           {"KNTEmail", "text NOT NULL DEFAULT ''"}, {"KNTObrot", "bigint NOT NULL DEFAULT 0"},
           {"KNTZmieniono", "text NOT NULL DEFAULT ''"}}}},
        // The time in UTC and in SQLite's datetime('now') form, so both databases read alike.
        {{"function", "KontrahenciZmiana", R"sql(
            CREATE OR REPLACE FUNCTION KontrahenciZmiana() RETURNS trigger LANGUAGE plpgsql AS $$
            BEGIN
                NEW.KNTZmieniono := to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS');
                RETURN NEW;
            END $$)sql"},
         {"trigger", "KontrahenciZmiana", R"sql(
            CREATE OR REPLACE TRIGGER KontrahenciZmiana
            BEFORE UPDATE OF KNTSkrot, KNTNazwa, KNTNip, KNTEmail ON Kontrahenci
            FOR EACH ROW EXECUTE FUNCTION KontrahenciZmiana())sql"}},
        {{"Kontrahenci", R"sql(
            INSERT INTO Kontrahenci (KNTOrigid, KNTSkrot, KNTNazwa, KNTEmail) VALUES
                (1, 'DETAL', 'Klient detaliczny', ''),
                (15, 'KOWALSKI', 'Kowalski Jan', 'jan.kowalski@example.com'),
                (16, 'NOWAK', 'Nowak Sp. z o.o.', 'biuro@example.com'),
                (17, 'ZIELONY', 'Zielony Rynek S.A.', ''))sql",
          true}}};
    return schema;
}

}  // namespace samples
