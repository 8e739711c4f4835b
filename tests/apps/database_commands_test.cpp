// zarixctl's database commands as a child process over real files: whatever they refuse, the
// folder stays exactly as it was and the error exits non-zero with its reason on standard
// error; a killed check leaves the old database or the checked one.
#include "zarixctl_run.h"

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

namespace database_commands_test {

using namespace zarixctl_test;
using ::testing::HasSubstr;

const std::string kPlugins = PLUGIN_DIR;

class DatabaseCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = fs::path(::testing::TempDir()) / ("zarixctl-db-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder / "pusty.db");
        std::ofstream(Folder / "text.db") << "notatki klienta, nie baza danych\n";
        std::ofstream{Folder / "empty.db"};
        for (const char* name : {"firma.db", "checked.db", "ro.db", "zbak.db", "journal.db", "bez-parametrow.db"})
            MakeDatabase(Folder / name);
        MakeDamagedDatabase(Folder / "damaged.db");
        ASSERT_EQ(Zarixctl({"dbcheck", "--folder", kPlugins, "--db", Folder / "checked.db"}).Exit, 0);
        fs::permissions(Folder / "ro.db", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::create_symlink("firma.db", Folder / "link.db");
        std::ofstream(Folder / "zbak.db.bak") << "older";
        std::ofstream(Folder / "journal.db-journal") << std::string(512, 'j');
        std::ofstream(Folder / "stary.db-journal") << std::string(512, 'j');
        zarix::DBInt().OpenConnection("TEST", Folder / "bez-parametrow.db");
        zarix::DBInt().ExecSQL("TEST", "DROP TABLE UserParameters");
        zarix::DBInt().CloseConnection("TEST");
    }
    static void TearDownTestSuite() { fs::remove_all(Folder); }

    static std::vector<std::string> Args(std::vector<std::string> args) { return ArgsIn(Folder, std::move(args)); }

    static inline fs::path Folder;
};

TEST_F(DatabaseCommands, EveryRefusalExitsNonZeroSaysWhyAndChangesNothing) {
    const std::string damaging = DAMAGING_PLUGIN_DIR;
    const struct {
        std::vector<std::string> Args;
        int Exit;
        std::string Error;
    } rows[] = {
        // demo-db over every kind of existing path, then with --force.
        {{"demo-db", "@firma.db"}, 1, "firma.db already exists (a file); demo-db never overwrites anything"},
        {{"demo-db", "@empty.db"}, 1, "already exists (an empty file)"},
        {{"demo-db", "@pusty.db"}, 1, "already exists (a folder)"},
        {{"demo-db", "@link.db"}, 1, "already exists (a symbolic link)"},
        {{"demo-db", "@ro.db"}, 1, "already exists (a read-only file)"},
        {{"demo-db", "@text.db", "--force"}, 1, "text.db is not replaced: it is not an SQLite database (no SQLite header)"},
        {{"demo-db", "@empty.db", "--force"}, 1, "is not replaced: it is an empty file"},
        {{"demo-db", "@pusty.db", "--force"}, 1, "is not replaced: it is a folder"},
        {{"demo-db", "@link.db", "--force"}, 1, "is not replaced: it is a symbolic link"},
        {{"demo-db", "@ro.db", "--force"}, 1, "is not replaced: it is a read-only file"},
        {{"demo-db", "@damaged.db", "--force"}, 1, "is not replaced: it is damaged: Page "},
        {{"demo-db", "@zbak.db", "--force"}, 1, "zbak.db.bak already exists; move it away first"},
        {{"demo-db", "@journal.db", "--force"}, 1, "journal.db-journal lies beside it"},
        {{"demo-db", "@stary.db"}, 1, "stary.db is not created: " + (Folder / "stary.db-journal").string()},
        // Commands that only read, over a database that is not there.
        {{"menu", "--folder", kPlugins, "--db", "@brak.db"}, 1,
         "zarixctl: Cannot open database \"" + (Folder / "brak.db").string() +
             "\" as connection \"DBCONN\": no such database file"},
        {{"toolbar", "--folder", kPlugins, "--db", "@brak/firma.db", "--user", "1"}, 1, "no such database file"},
        {{"calls", "--folder", kPlugins, "--db", "@pusty.db"}, 1, "it is a folder, not a database file"},
        // Users, folders and errors the framework reports instead of raising.
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "99"}, 1, "zarixctl: no user 99 in "},
        {{"menu", "--folder", kPlugins, "--db", "@firma.db", "--user", "0"}, 1, "--user \"0\" is not a user number"},
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "abc"}, 1, "--user \"abc\" is not a user"},
        {{"menu", "--folder", kPlugins, "--user", "2"}, 1, "--user needs --db"},
        {{"toolbar", "--folder", kPlugins, "--db", "@bez-parametrow.db", "--user", "2"}, 1,
         "EDatabaseError: Database error on connection \"DBCONN\": no such table: UserParameters"},
        {{"session", "--folder", "/nonexistent"}, 1, "zarixctl: /nonexistent: no such plugin folder"},
        {{"toolbar", "--folder", kPlugins, "--db"}, 2, "zarixctl toolbar: --db needs a value"},
        // The database check.
        {{"dbcheck", "--folder", kPlugins, "--db", "@damaged.db"}, 1,
         "damaged.db: the database is damaged (Page 9: btreeInitPage() returns error code 11; "},
        {{"dbcheck", "--folder", damaging, "--db", "@firma.db"}, 1,
         "the check stopped: the checked database fails SQLite's quick "
         "check: 2nd reference to page "},
        {{"dbcheck", "--folder", "/nonexistent", "--db", "@firma.db"}, 1, "no such plugin folder"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@brak/nowa.db"}, 1,
         "nowa.db: no such folder " + (Folder / "brak").string()},
        // A version the modules cannot compare stops the check; the new file goes again.
        {{"dbcheck", "--folder", kPlugins, "--db", "@nowa.db", "--version", "65535.65535.65535.65535"}, 1,
         "the check stopped at \"Weryfikacja struktury modułu: Kontrahenci\": Moduł Kontrahenci: nieprawidłowa wersja "
         "bazy danych"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "-1"}, 2,
         "--version \"-1\" is not a version: \"-1\" is not a number from 0 to 65535"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "abc"}, 2, "\"abc\" is not a number"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "1.2.3.4.5"}, 2, "at most four parts"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "1.3"}, 1,
         "--version \"1.3\" is older than the database's version 1.4.0.0, which never moves backwards"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", ""}, 1, "--version \"\" is older"},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> args = Args(row.Args);
        const std::string before = PathState(Folder);
        const TRun run = Zarixctl(args);
        EXPECT_EQ(run.Exit, row.Exit) << Shown(row.Args) << "\n" << run.Errors;
        EXPECT_THAT(run.Errors, HasSubstr(row.Error)) << Shown(row.Args);
        EXPECT_EQ(PathState(Folder), before) << Shown(row.Args);
    }
}

TEST_F(DatabaseCommands, ForceKeepsTheOldDatabaseAsBakAndPutsANewOneInPlace) {
    const fs::path target = Folder / "zastap" / "firma.db";
    fs::create_directory(target.parent_path());
    fs::copy_file(Folder / "firma.db", target);
    const std::string old = ReadFile(target);

    ASSERT_EQ(Zarixctl({"demo-db", target, "--force"}).Exit, 0);
    EXPECT_EQ(ReadFile(target.string() + ".bak"), old);
    EXPECT_NE(ReadFile(target), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), {}), 2) << "a temporary file is left";
}

/// What a check changes, once SQLite has rolled back a killed run's journal: schema, stored
/// version, each table's row count. The file must pass the full integrity check.
std::string DatabaseState(const fs::path& path) {
    zarix::DBInt().OpenConnection("STATE", path, zarix::TDBOpenMode::omExistingOnly);
    std::string state;
    const auto rows = [&](const std::string& sql) {
        zarix::TDBQuery query(sql, "STATE");
        for (query.Open(); !query.Eof(); query.Next())
            for (int i = 0; i < query.FieldCount(); ++i) state += query.FieldByName(query.FieldName(i)) + '|';
    };
    rows("PRAGMA integrity_check");
    EXPECT_EQ(state, "ok|") << path;
    rows("SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
    rows("SELECT UPAValue FROM UserParameters WHERE UPAUserOrigid = 0 AND UPAName = 'Administracja|WersjaBazy'");
    std::vector<std::string> tables;
    zarix::TDBQuery names("SELECT name FROM sqlite_master WHERE type = 'table'", "STATE");
    for (names.Open(); !names.Eof(); names.Next()) tables.push_back(names.FieldByName("name"));
    for (const std::string& table : tables) rows("SELECT '" + table + "', count(*) FROM \"" + table + "\"");
    zarix::DBInt().CloseConnection("STATE");
    return state;
}

// Kills the check after delays spread over one whole run: each time the database must be the
// old one or the fully checked one, never anything in between.
TEST_F(DatabaseCommands, AKilledCheckLeavesTheOldDatabaseOrTheCheckedOne) {
    const fs::path db = Folder / "kill" / "firma.db", errors = Folder / "kill" / "stderr";
    fs::create_directory(db.parent_path());
    const std::vector<std::string> check{"dbcheck", "--folder", kPlugins, "--db", db};
    fs::copy_file(Folder / "firma.db", db);
    const std::string oldState = DatabaseState(db);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Zarixctl(check).Exit, 0);
    const auto whole = std::chrono::steady_clock::now() - start;
    const std::string checkedState = DatabaseState(db);
    ASSERT_NE(oldState, checkedState);

    constexpr int kKills = 40;
    int sawOld = 0, sawChecked = 0, killedInside = 0;
    for (int i = 0; i <= kKills; ++i) {
        fs::copy_file(Folder / "firma.db", db, fs::copy_options::overwrite_existing);
        {
            TChild child(check, errors);
            std::this_thread::sleep_for(whole * 13 / 10 * i / kKills);
            // The last run ends on its own however busy the machine is.
            EXPECT_TRUE(i < kKills || child.Wait() == 0);
        }
        killedInside += fs::exists(db.string() + "-journal");
        const std::string state = DatabaseState(db);
        sawOld += state == oldState;
        sawChecked += state == checkedState;
        ASSERT_TRUE(state == oldState || state == checkedState) << "killed at " << i << "/" << kKills << ":\n" << state;
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawChecked, 0);
    RecordProperty("KilledInsideTheTransaction", killedInside);
}

}  // namespace database_commands_test
