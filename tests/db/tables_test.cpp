// CreateZarixTables: every table once, nothing lost on a second call, all or none on failure.
#include "db_fixture.h"

#include <gmock/gmock.h>

#include "platform/rtl/strings.h"

#include <algorithm>
#include <vector>

namespace tables_test {

using namespace zarix;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Tables = DatabaseTest;

// In lower case, since the server folds unquoted names, and sorted.
std::vector<std::string> TableNames() {
    const bool server = DBInt().Dialect("DBCONN") == TDBDialect::dbPostgreSQL;
    TDBQuery q(server ? "SELECT table_name AS name FROM information_schema.tables WHERE table_schema = current_schema()"
                      : "SELECT name FROM sqlite_master WHERE type = 'table'",
               "DBCONN");
    std::vector<std::string> names;
    for (q.Open(); !q.Eof(); q.Next()) names.push_back(LowerCase(q.FieldByName("name")));
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(Tables, AllOrNoneOnceAndLeftAloneAfterwards) {
    // Something already holding the last table's name stops the run after three tables: an
    // index on SQLite, a type on the server (where an index would only make it skip the table).
    Exec(Says("CREATE TABLE Inna (a); CREATE INDEX UserToolBar ON Inna (a)",
              "CREATE TABLE Inna (a integer); CREATE TYPE UserToolBar AS (a integer)"));
    EXPECT_THAT(LowerCase(ErrorOf([] { CreateZarixTables("DBCONN"); })), HasSubstr("usertoolbar"));
    EXPECT_THAT(TableNames(), ElementsAre("inna"));
    EXPECT_THAT(ErrorOf([] { CreateZarixTables("Brak"); }), HasSubstr("\"Brak\" is not open"));

    Exec(Says("DROP TABLE Inna", "DROP TABLE Inna; DROP TYPE UserToolBar"));
    CreateZarixTables("DBCONN");
    EXPECT_THAT(TableNames(), ElementsAre("userparameters", "userprivileges", "users", "usertoolbar"));
    Exec("INSERT INTO UserToolBar VALUES (5, 'Kartoteki|Kontrahenci')");
    CreateZarixTables("dbconn");
    TDBQuery q("SELECT count(*) AS n FROM UserToolBar", "DBCONN");
    q.Open();
    EXPECT_EQ(q.FieldByName("n"), "1");
}

ZARIX_ON_BOTH_BACKENDS(Tables);

}  // namespace tables_test
