// Named connections of DBInt: case, replacing, files, failures, scripts; TDBQuery on both
// backends: rows in order, fields read as text, parameters, misuse and SQL errors, lifetime.
#include "db_fixture.h"

#include <gmock/gmock.h>

#include <fstream>
#include <tuple>
#include <utility>
#include <vector>

namespace db_interface_test {

using namespace zarix;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Connections = DatabaseTest;
using Files = DatabaseTest;
using ServerConnections = DatabaseTest;

TEST_P(Connections, NamesIgnoreAsciiCaseAndAnUnknownOneIsReportedByName) {
    DBInt().OpenConnection("Kasa", Location());
    EXPECT_EQ(std::pair(DBInt().HasConnection("KASA"), DBInt().Dialect("kasa")),
              std::pair(true, OnServer() ? TDBDialect::dbPostgreSQL : TDBDialect::dbSQLite));
    DBInt().ExecSQL("kasa", "CREATE TABLE t (a integer); INSERT INTO t VALUES (1)");
    EXPECT_EQ(Count("t", "kAsA"), "1");
    DBInt().CloseConnection("KASA");
    EXPECT_NO_THROW(DBInt().CloseConnection("Kasa"));
    EXPECT_EQ(ErrorOf([] { DBInt().ExecSQL("Kasa", "SELECT 1"); }), "Connection \"Kasa\" is not open");
}

// Data lives in the file across reopening; a failed open names the file and keeps the old
// connection of that name.
TEST_P(Files, DataLivesInTheFileAndAFailedOpenNamesItAndKeepsTheOldConnection) {
    const std::string file = TempFile("persist.sqlite");
    DBInt().OpenConnection("Plik", "sqlite:" + file);
    EXPECT_EQ(DBInt().ConnectionFileName("PLIK"), "sqlite:" + file);
    DBInt().ExecSQL("Plik", "CREATE TABLE t (a); INSERT INTO t VALUES ('x'), ('y')");
    DBInt().CloseConnection("Plik");
    DBInt().OpenConnection("Plik", file);
    EXPECT_EQ(Count("t", "Plik"), "2");

    const std::string text = TempFile("not_a_database.sqlite");
    // Longer than the 100-byte header SQLite checks; an empty file would pass as an empty database.
    std::ofstream(text) << std::string(200, 'x') << '\n';
    EXPECT_THAT(ErrorOf([&] { DBInt().OpenConnection("Plik", text); }),
                AllOf(HasSubstr("\"" + text + "\""), HasSubstr("file is not a database")));
    EXPECT_EQ(Count("t", "Plik"), "2");
    // Re-opening the name on another database replaces the connection.
    DBInt().OpenConnection("Plik", ":memory:");
    EXPECT_THAT(ErrorOf([] { Count("t", "Plik"); }), HasSubstr("no such table: t"));
    DBInt().CloseConnection("Plik");

    EXPECT_THAT(ErrorOf([] { DBInt().OpenConnection("Brak", "/nonexistent-folder/x.sqlite"); }),
                HasSubstr("unable to open database file"));
    EXPECT_FALSE(DBInt().HasConnection("Brak"));
    EXPECT_THAT(ErrorOf([] { DBInt().OpenConnection("", ":memory:"); }), HasSubstr("without a name"));
}

TEST_P(Connections, ExecSQLRunsAScriptAndQuotesTheDatabaseOnFailure) {
    Exec("CREATE TABLE t (a integer); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);");
    EXPECT_EQ(Count("t"), "2");
    EXPECT_THAT(ErrorOf([] { Exec("INSERT INTO t VALUES (3); SELEC 1"); }),
                AllOf(HasSubstr("connection \"DBCONN\""),
                      HasSubstr(Says("near \"SELEC\": syntax error", "syntax error at or near \"SELEC\"")),
                      HasSubstr("SQL: INSERT INTO t VALUES (3); SELEC 1")));
    // Statements before the failing one stay done: both databases run them one by one.
    EXPECT_EQ(Count("t"), "3");
    EXPECT_THAT(ErrorOf([] { Exec(std::string("DELETE FROM t\0 garbage", 22)); }), HasSubstr("NUL character"));
    EXPECT_EQ(Count("t"), "3");
}

// Inside a transaction a failing statement undoes only itself; a savepoint outside one begins a
// transaction that releasing it commits, and rolling back to it undoes what came after it.
TEST_P(Connections, TransactionsBehaveAlikeOnBothDatabases) {
    Exec("CREATE TABLE t (a integer PRIMARY KEY)");
    Exec("BEGIN IMMEDIATE; INSERT INTO t VALUES (1)");
    EXPECT_THROW(Exec("INSERT INTO t VALUES (1)"), EDatabaseError);
    Exec("INSERT INTO t VALUES (2); COMMIT");
    EXPECT_EQ(Count("t"), "2");
    Exec("SAVEPOINT outer_sp; INSERT INTO t VALUES (3); SAVEPOINT inner_sp; INSERT INTO t VALUES (4)");
    Exec("ROLLBACK TO inner_sp; RELEASE inner_sp; RELEASE outer_sp");
    EXPECT_EQ(Count("t"), "3");
    if (OnServer()) {  // another desktop sees what was committed
        DBInt().OpenConnection("Druga", Location());
        EXPECT_EQ(Count("t", "Druga"), "3");
        DBInt().CloseConnection("Druga");
    }
    TDBQuery insert("INSERT INTO t VALUES (?)", "DBCONN");
    insert.Bind(1, true);
    EXPECT_THAT(ErrorOf([&] { insert.ExecSQL(); }), HasSubstr(Says("UNIQUE constraint failed", "duplicate key value")));
}

// A location that does not lead to a database says why, names it without its password, and
// neither makes a database nor replaces the connection of that name.
TEST_P(ServerConnections, ABadLocationFailsClearlyAndCreatesNothing) {
    const std::string server = *TestServerUrl();
    const std::string host = server.substr(server.find("host="));
    const std::pair<std::string, const char*> cases[] = {
        {"postgresql://localhost:notaport/zarix", "invalid integer value \"notaport\""},
        {"postgresql:///zarix?" + host.substr(0, host.find('&')) + "&user=zarix_password&password=zle", "password authentication failed"},
        {"postgresql:///zarix_brak?" + host, "database \"zarix_brak\" does not exist"},
        {"postgresql:///zarix?host=/nonexistent-folder", "No such file or directory"},
    };
    for (const auto& [url, says] : cases) {
        const std::string error = ErrorOf([&] { DBInt().OpenConnection("DBCONN", url); });
        EXPECT_THAT(error, AllOf(HasSubstr("Cannot open database"), HasSubstr(says))) << url;
        EXPECT_EQ(error.find("zle"), std::string::npos) << "the password is shown";
    }
    EXPECT_EQ(std::tuple(DBInt().ConnectionFileName("DBCONN"), Count("pg_database WHERE datname = 'zarix_brak'")), std::tuple(Location(), "0"));
}

// The server ends a desktop's session (an administrator, a restart): outside a transaction the
// next statement connects again and runs; inside one that statement fails with the server's
// reason, and so does every one up to the end of the transaction, which is never replayed.
TEST_P(ServerConnections, ALostSessionComesBackOnlyOutsideATransaction) {
    Exec("CREATE TABLE t (a integer)");
    DBInt().OpenConnection("Spis", *TestServerUrl());
    const auto endSession = [] {
        TDBQuery pid("SELECT pg_backend_pid() AS pid", "DBCONN");
        pid.Open();
        // Waits until the session is gone, so the next statement finds it closed.
        DBInt().ExecSQL("Spis", "SELECT pg_terminate_backend(" + pid.FieldByName("pid") + ", 30000)");
    };
    endSession();
    Exec("INSERT INTO t VALUES (1)");
    for (const std::string end : {"COMMIT", "ROLLBACK", "RELEASE outer_sp"}) {
        Exec(end == "RELEASE outer_sp" ? "SAVEPOINT outer_sp" : "BEGIN");
        Exec("INSERT INTO t VALUES (2)");
        endSession();
        for (const char* sql : {"INSERT INTO t VALUES (3)", "SAVEPOINT inner_sp", "SELECT 1"})
            EXPECT_THAT(ErrorOf([&] { Exec(sql); }),
                        AllOf(HasSubstr("lost inside a transaction (terminating connection due to administrator command)"),
                              HasSubstr("nothing of it was kept"), HasSubstr(sql)))
                << end;
        if (end == "ROLLBACK") Exec(end);
        else EXPECT_THAT(ErrorOf([&] { Exec(end); }), HasSubstr("lost inside a transaction")) << end;
        EXPECT_EQ(Count("t"), "1") << end;
    }
    DBInt().CloseConnection("Spis");
}

ZARIX_ON_BOTH_BACKENDS(Connections);
ZARIX_ON_BACKEND(Files, SQLite);
ZARIX_ON_BACKEND(ServerConnections, PostgreSQL);

class Query : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!Ready()) return;
        Exec("CREATE TABLE Towary (Id BIGINT, Nazwa TEXT, Cena DOUBLE PRECISION, Uwagi TEXT);"
             "INSERT INTO Towary VALUES (2, 'Żółw pluszowy', 2.5, NULL);"
             "INSERT INTO Towary VALUES (1, 'Kubek', 10, 'szkło');"
             "INSERT INTO Towary VALUES (-9007199254740993, 'Zeszyt', 0.1, '');");
    }
};

TEST_P(Query, RowsComeInOrderUntilEofWithEveryFieldReadAsText) {
    // The server folds the names to lower case; they come back as the statement spells them.
    TDBQuery q("SELECT Id, Nazwa, Cena, Uwagi FROM Towary ORDER BY Id", "dbconn");
    EXPECT_TRUE(q.Eof());
    q.Open();
    EXPECT_EQ(std::tuple(q.Active(), q.FieldName(3)), std::tuple(true, "Uwagi"));
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next())
        rows.push_back(q.FieldByName("id") + "|" + q.FieldByName("NAZWA") + "|" + q.FieldByName("Cena") + "|" +
                       q.FieldByName("Uwagi") + (q.FieldIsNull("Uwagi") ? "NULL" : ""));
    EXPECT_THAT(rows, ElementsAre("-9007199254740993|Zeszyt|0.1|", Says("1|Kubek|10.0|szkło", "1|Kubek|10|szkło"),
                                  "2|Żółw pluszowy|2.5|NULL"));
    q.Close();
    EXPECT_EQ(std::pair(q.Active(), q.FieldCount()), std::pair(false, 0));

    TDBQuery none("SELECT Id FROM Towary WHERE Id = 99", "DBCONN");
    none.Open();
    EXPECT_EQ(std::pair(none.Eof(), none.FieldCount()), std::pair(true, 1));
}

TEST_P(Query, MisuseRaisesInsteadOfCrashingAndAnOpenQueryOutlivesItsConnection) {
    TDBQuery q("SELECT Id FROM Towary WHERE Id = 1", "DBCONN");
    EXPECT_THAT(ErrorOf([&] { q.FieldByName("Id"); }), HasSubstr("needs an open query"));
    EXPECT_THAT(ErrorOf([&] { q.Next(); }), HasSubstr("needs an open query"));
    q.Open();
    EXPECT_THAT(ErrorOf([&] { q.FieldByName("Nazwa"); }),
                AllOf(HasSubstr("Field \"Nazwa\" not found"), HasSubstr("SELECT Id FROM Towary")));
    EXPECT_THAT(ErrorOf([&] { q.FieldName(1); }), HasSubstr("out of range"));
    EXPECT_THAT(ErrorOf([&] { q.Fields(1); }), HasSubstr("Field index 1 out of range, the query has 1 fields"));
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_THAT(ErrorOf([&] { q.FieldByName("Id"); }), HasSubstr("no current row"));
    EXPECT_THAT(ErrorOf([&] { q.Next(); }), HasSubstr("at the end"));
    // Open runs the statement again from its first row.
    q.Open();
    EXPECT_EQ(q.FieldByName("Id"), "1");

    TDBQuery moved = std::move(q);
    EXPECT_EQ(moved.FieldByName("Id"), "1");
    // A moved-from query raises rather than touching a statement it no longer has.
    EXPECT_THAT(ErrorOf([&] { q.Open(); }), HasSubstr("moved"));
    EXPECT_EQ(q.FieldCount(), 0);

    // An open query keeps its database when the connection closes; opening it again needs one.
    TDBQuery names("SELECT Nazwa FROM Towary ORDER BY Id", "DBCONN");
    names.Open();
    DBInt().CloseConnection("DBCONN");
    names.Next();
    EXPECT_EQ(names.FieldByName("Nazwa"), "Kubek");
    names.Close();
    EXPECT_EQ(ErrorOf([&] { names.Open(); }), "Connection \"DBCONN\" is not open");
}

TEST_P(Query, SqlErrorsCarryTheDatabasesMessageAndTheSql) {
    const std::pair<std::string, const char*> errors[] = {
        {"SELECT * FROM Brak", Says("no such table: Brak", "relation \"brak\" does not exist")},
        {"SELECT Nic FROM Towary", Says("no such column: Nic", "column \"nic\" does not exist")},
        {"  ", "no SQL statement"}, {"SELECT 1; DELETE FROM Towary", "runs one statement"},
        {"SELECT $1$; SELECT $1$", "runs one statement"}};  // a dollar quote's tag starts with no digit
    for (const auto& [sql, says] : errors)
        EXPECT_THAT(ErrorOf([&] { TDBQuery(sql, "DBCONN").Open(); }), AllOf(HasSubstr(says), HasSubstr("(SQL: " + sql + ")")));
    // SQLite steps row by row in insertion order, so the overflow strikes at the second row, after
    // Open; the server computes every row at Open. A failure leaves the query closed.
    TDBQuery overflow("SELECT abs(Id - 1 - 9223372036854775807 - 1) AS v FROM Towary", "DBCONN");
    if (OnServer()) {
        EXPECT_THAT(ErrorOf([&] { overflow.Open(); }), HasSubstr("bigint out of range"));
    } else {
        overflow.Open();
        EXPECT_THAT(ErrorOf([&] { overflow.Next(); }), HasSubstr("integer overflow"));
    }
    EXPECT_EQ(std::pair(overflow.Active(), overflow.Eof()), std::pair(false, true));
}

TEST_P(Query, ParametersBindByNameAndPosition) {
    TDBQuery insert("INSERT INTO Towary (Id, Nazwa, Cena, Uwagi) VALUES (:Id, @Nazwa, ?3, ?4)", "DBCONN");
    insert.ParamByName("Id", 7);
    insert.ParamByName("@Nazwa", "Ołówek 'HB'");
    insert.Bind(3, 1.25);
    insert.Bind(4, Variant::Null());
    EXPECT_EQ(insert.ExecSQL(), 1);
    EXPECT_FALSE(insert.Active());

    TDBQuery select("SELECT Nazwa, Cena, Uwagi FROM Towary WHERE Id = ?", "DBCONN");
    select.Bind(1, int64_t{7});
    select.Open();
    EXPECT_EQ(std::tuple(select.FieldByName("Nazwa"), select.FieldByName("Cena"), select.FieldIsNull("Uwagi")),
              std::tuple("Ołówek 'HB'", "1.25", true));
    select.Bind(1, 1);
    select.Open();
    EXPECT_EQ(select.FieldByName("Nazwa"), "Kubek");

    EXPECT_EQ(TDBQuery("UPDATE Towary SET Cena = Cena * 2 WHERE Id > 0", "DBCONN").ExecSQL(), 3);

    select.ParamByName("Brak", 1);
    EXPECT_THAT(ErrorOf([&] { select.Open(); }), HasSubstr("Parameter \"Brak\" not found"));
    select.ClearParams();
    select.Bind(2, 1);
    EXPECT_THAT(ErrorOf([&] { select.Open(); }), HasSubstr("Parameter 2 out of range"));
    EXPECT_THAT(ErrorOf([&] { select.Bind(0, 1); }), HasSubstr("count from 1"));
    select.ClearParams();
    select.Bind(1, Variant::FromObject(nullptr));
    EXPECT_THAT(ErrorOf([&] { select.Open(); }), HasSubstr("Cannot bind parameter 1: it holds an object, which is no database value"));
}

// Parameters and the ends of statements count only outside strings and comments, as the
// database reads them; the server's escaped strings and nested comments only there.
TEST_P(Query, ParametersAndSemicolonsCountOnlyOutsideStringsAndComments) {
    // Each text takes one parameter, bound to 3, and gives one value.
    std::vector<std::pair<std::string, std::string>> texts = {{"SELECT 7 - ? AS v", "4"}, {"SELECT 2 /* a; */*? AS v", "6"}};
    if (OnServer())
        texts.insert(texts.end(), {{"SELECT E'\\';' || e'\\';' || ? AS v", "';';3"}, {"SELECT 2 /* a /* ?; */ */*? AS v", "6"}});
    for (const auto& [sql, value] : texts) {
        TDBQuery q(sql, "DBCONN");
        q.Bind(1, 3);
        q.Open();
        EXPECT_EQ(q.Fields(0), value) << sql;
    }
}

ZARIX_ON_BOTH_BACKENDS(Query);

}  // namespace db_interface_test
