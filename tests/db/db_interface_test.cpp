// Named connections of DBInt: case, replacing, files, failures, scripts.
#include "db_fixture.h"

#include <gmock/gmock.h>

#include <fstream>

namespace db_interface_test {

using namespace zarix;
using ::testing::AllOf;
using ::testing::HasSubstr;

using Connections = DatabaseTest;

std::string Count(const std::string& connection, const std::string& table) {
    TDBQuery q("SELECT count(*) AS n FROM " + table, connection);
    q.Open();
    return q.FieldByName("n");
}

TEST_F(Connections, NamesIgnoreAsciiCaseAndAnUnknownOneIsReportedByName) {
    DBInt().OpenConnection("Kasa", ":memory:");
    EXPECT_TRUE(DBInt().HasConnection("KASA"));
    DBInt().ExecSQL("kasa", "CREATE TABLE t (a); INSERT INTO t VALUES (1)");
    EXPECT_EQ(Count("kAsA", "t"), "1");
    DBInt().CloseConnection("KASA");
    EXPECT_FALSE(DBInt().HasConnection("Kasa"));
    EXPECT_NO_THROW(DBInt().CloseConnection("Kasa"));
    EXPECT_EQ(ErrorOf([] { DBInt().ExecSQL("Kasa", "SELECT 1"); }), "Connection \"Kasa\" is not open");
    EXPECT_EQ(ErrorOf([] { TDBQuery("SELECT 1", "Kasa").Open(); }), "Connection \"Kasa\" is not open");
    EXPECT_THROW(DBInt().ConnectionFileName("Kasa"), EDatabaseError);
}

TEST_F(Connections, DataLivesInTheFileAcrossReopening) {
    const std::string file = TempFile("persist.sqlite");
    DBInt().OpenConnection("Plik", file);
    EXPECT_EQ(DBInt().ConnectionFileName("PLIK"), file);
    DBInt().ExecSQL("Plik", "CREATE TABLE t (a); INSERT INTO t VALUES ('x'), ('y')");
    DBInt().CloseConnection("Plik");
    DBInt().OpenConnection("Plik", file);
    EXPECT_EQ(Count("Plik", "t"), "2");
    // Re-opening the name on another database replaces the connection.
    DBInt().OpenConnection("Plik", ":memory:");
    EXPECT_THAT(ErrorOf([] { Count("Plik", "t"); }), HasSubstr("no such table: t"));
    DBInt().CloseConnection("Plik");
}

TEST_F(Connections, AFailedOpenNamesTheFileAndKeepsTheOldConnection) {
    const std::string text = TempFile("not_a_database.sqlite");
    // Longer than the 100-byte header SQLite checks; an empty file would pass as an empty database.
    std::ofstream(text) << std::string(200, 'x') << '\n';
    Exec("CREATE TABLE kept (a)");
    EXPECT_THAT(ErrorOf([&] { DBInt().OpenConnection("DBCONN", text); }),
                AllOf(HasSubstr("\"" + text + "\""), HasSubstr("file is not a database")));
    EXPECT_EQ(Count("DBCONN", "kept"), "0");

    EXPECT_THAT(ErrorOf([] { DBInt().OpenConnection("Brak", "/nonexistent-folder/x.sqlite"); }),
                HasSubstr("unable to open database file"));
    EXPECT_FALSE(DBInt().HasConnection("Brak"));
    EXPECT_THAT(ErrorOf([] { DBInt().OpenConnection("", ":memory:"); }), HasSubstr("without a name"));
}

TEST_F(Connections, ExecSQLRunsAScriptAndQuotesSQLiteOnFailure) {
    Exec("CREATE TABLE t (a); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);");
    EXPECT_EQ(Count("DBCONN", "t"), "2");
    EXPECT_THAT(ErrorOf([] { Exec("INSERT INTO t VALUES (3); SELEC 1"); }),
                AllOf(HasSubstr("connection \"DBCONN\""), HasSubstr("near \"SELEC\": syntax error"),
                      HasSubstr("SQL: INSERT INTO t VALUES (3); SELEC 1")));
    // Statements before the failing one stay done, as SQLite runs them one by one.
    EXPECT_EQ(Count("DBCONN", "t"), "3");
    EXPECT_THAT(ErrorOf([] { Exec(std::string("DELETE FROM t\0 garbage", 22)); }), HasSubstr("NUL character"));
    EXPECT_EQ(Count("DBCONN", "t"), "3");
}

}  // namespace db_interface_test
