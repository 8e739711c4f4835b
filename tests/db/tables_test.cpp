// CreateZarixTables: every table once, nothing lost on a second call, all or none on failure.
#include "db_fixture.h"

#include <gmock/gmock.h>

#include <vector>

namespace tables_test {

using namespace zarix;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Tables = DatabaseTest;

std::vector<std::string> TableNames() {
    TDBQuery q("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", "DBCONN");
    std::vector<std::string> names;
    for (q.Open(); !q.Eof(); q.Next()) names.push_back(q.FieldByName("name"));
    return names;
}

TEST_F(Tables, AllOrNoneOnceAndLeftAloneAfterwards) {
    // An index already holding the last table's name stops the run after three tables.
    Exec("CREATE TABLE Inna (a); CREATE INDEX UserToolBar ON Inna (a)");
    EXPECT_THAT(ErrorOf([] { CreateZarixTables("DBCONN"); }), HasSubstr("UserToolBar"));
    EXPECT_THAT(TableNames(), ElementsAre("Inna"));
    EXPECT_THAT(ErrorOf([] { CreateZarixTables("Brak"); }), HasSubstr("\"Brak\" is not open"));

    Exec("DROP TABLE Inna");
    CreateZarixTables("DBCONN");
    EXPECT_THAT(TableNames(), ElementsAre("UserParameters", "UserPrivileges", "UserToolBar", "Users"));
    Exec("INSERT INTO UserToolBar VALUES (5, 'Kartoteki|Kontrahenci')");
    CreateZarixTables("dbconn");
    TDBQuery q("SELECT count(*) AS n FROM UserToolBar", "DBCONN");
    q.Open();
    EXPECT_EQ(q.FieldByName("n"), "1");
}

}  // namespace tables_test
