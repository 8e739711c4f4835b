// TDBQuery on both backends: rows in order, fields read as text, parameters, misuse and SQL errors, lifetime.
#include "db_fixture.h"

#include <gmock/gmock.h>

#include <vector>

namespace db_query_test {

using namespace zarix;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

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
    EXPECT_TRUE(q.Active());
    EXPECT_EQ(q.FieldName(3), "Uwagi");
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next())
        rows.push_back(q.FieldByName("id") + "|" + q.FieldByName("NAZWA") + "|" + q.FieldByName("Cena") + "|" +
                       q.FieldByName("Uwagi") + (q.FieldIsNull("Uwagi") ? "NULL" : ""));
    EXPECT_THAT(rows, ElementsAre("-9007199254740993|Zeszyt|0.1|", Says("1|Kubek|10.0|szkło", "1|Kubek|10|szkło"),
                                  "2|Żółw pluszowy|2.5|NULL"));
    q.Close();
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(q.FieldCount(), 0);

    TDBQuery none("SELECT Id FROM Towary WHERE Id = 99", "DBCONN");
    none.Open();
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.FieldCount(), 1);
}

TEST_P(Query, MisuseRaisesInsteadOfCrashing) {
    TDBQuery q("SELECT Id FROM Towary WHERE Id = 1", "DBCONN");
    EXPECT_THAT(ErrorOf([&] { q.FieldByName("Id"); }), HasSubstr("needs an open query"));
    EXPECT_THAT(ErrorOf([&] { q.Next(); }), HasSubstr("needs an open query"));
    q.Open();
    EXPECT_THAT(ErrorOf([&] { q.FieldByName("Nazwa"); }),
                AllOf(HasSubstr("Field \"Nazwa\" not found"), HasSubstr("SELECT Id FROM Towary")));
    EXPECT_THAT(ErrorOf([&] { q.FieldName(1); }), HasSubstr("out of range"));
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
}

TEST_P(Query, SqlErrorsCarryTheDatabasesMessageAndTheSql) {
    EXPECT_THAT(ErrorOf([] { TDBQuery("SELECT * FROM Brak", "DBCONN").Open(); }),
                AllOf(HasSubstr(Says("no such table: Brak", "relation \"brak\" does not exist")),
                      HasSubstr("(SQL: SELECT * FROM Brak)")));
    EXPECT_THAT(ErrorOf([] { TDBQuery("SELECT Nic FROM Towary", "DBCONN").Open(); }),
                HasSubstr(Says("no such column: Nic", "column \"nic\" does not exist")));
    EXPECT_THAT(ErrorOf([] { TDBQuery("  ", "DBCONN").Open(); }), HasSubstr("no SQL statement"));
    EXPECT_THAT(ErrorOf([] { TDBQuery("SELECT 1; DELETE FROM Towary", "DBCONN").Open(); }),
                HasSubstr("runs one statement"));
    // SQLite steps row by row in insertion order, so the overflow strikes at the second row, after
    // Open; the server computes every row at Open. A failure leaves the query closed.
    TDBQuery overflow("SELECT abs(Id - 1 - 9223372036854775807 - 1) AS v FROM Towary", "DBCONN");
    if (OnServer()) {
        EXPECT_THAT(ErrorOf([&] { overflow.Open(); }), HasSubstr("bigint out of range"));
    } else {
        overflow.Open();
        EXPECT_THAT(ErrorOf([&] { overflow.Next(); }), HasSubstr("integer overflow"));
    }
    EXPECT_FALSE(overflow.Active());
    EXPECT_TRUE(overflow.Eof());
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
    EXPECT_EQ(select.FieldByName("Nazwa"), "Ołówek 'HB'");
    EXPECT_EQ(select.FieldByName("Cena"), "1.25");
    EXPECT_TRUE(select.FieldIsNull("Uwagi"));
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
}

TEST_P(Query, AnOpenQueryKeepsItsDatabaseWhenTheConnectionCloses) {
    TDBQuery q("SELECT Nazwa FROM Towary ORDER BY Id", "DBCONN");
    q.Open();
    DBInt().CloseConnection("DBCONN");
    q.Next();
    EXPECT_EQ(q.FieldByName("Nazwa"), "Kubek");
    q.Close();
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), "Connection \"DBCONN\" is not open");
}

ZARIX_ON_BOTH_BACKENDS(Query);

}  // namespace db_query_test
