// zarixctl dbcheck over real database files: a damaged database and a version that would go
// backwards are refused with the file untouched, and a check killed at any moment leaves either
// the old database or the fully checked one.
#include "database_files.h"

#include <gmock/gmock.h>

#include <thread>

namespace dbcheck_test {

using namespace zarixctl_test;
using ::testing::HasSubstr;

/// What a check changes, read after SQLite has rolled back whatever a killed run left in its
/// journal: the schema, the stored version and each table's row count. Fails the test when the
/// file does not pass the full integrity check.
std::string DatabaseState(const fs::path& path) {
    zarix::DBInt().OpenConnection("STATE", path, zarix::TDBOpenMode::omExistingOnly);
    std::string state;
    const auto rows = [&](const std::string& sql) {
        zarix::TDBQuery query(sql, "STATE");
        for (query.Open(); !query.Eof(); query.Next())
            for (int i = 0; i < query.FieldCount(); ++i) state += query.FieldByName(query.FieldName(i)) + '|';
        state += '\n';
    };
    zarix::TDBQuery integrity("PRAGMA integrity_check", "STATE");
    integrity.Open();
    EXPECT_EQ(integrity.FieldByName("integrity_check"), "ok") << path;
    integrity.Close();
    rows("SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
    rows("SELECT UPAValue FROM UserParameters WHERE UPAUserOrigid = 0 AND UPAName = 'Administracja|WersjaBazy'");
    std::vector<std::string> tables;
    {
        zarix::TDBQuery names("SELECT name FROM sqlite_master WHERE type = 'table'", "STATE");
        for (names.Open(); !names.Eof(); names.Next()) tables.push_back(names.FieldByName("name"));
    }
    for (const std::string& table : tables) rows("SELECT '" + table + "', count(*) FROM \"" + table + "\"");
    zarix::DBInt().CloseConnection("STATE");
    return state;
}

TRun Check(const fs::path& db, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"dbcheck", "--folder", kPlugins, "--db", db};
    args.insert(args.end(), more.begin(), more.end());
    return Zarixctl(args);
}

TEST(DbCheck, ADamagedDatabaseIsRefusedAndLeftByteForByte) {
    const TScratchFolder folder("dbcheck-damaged");
    const fs::path db = folder / "firma.db";
    MakeDamagedDatabase(db);
    const std::string before = PathState(db);
    const std::set<std::string> entries = Entries(folder.Path());

    const TRun run = Check(db);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_THAT(run.Errors, HasSubstr("zarixctl: " + db.string() + ": the database is damaged (Page "));
    EXPECT_THAT(run.Errors, HasSubstr("the check was not started and nothing was written"));
    EXPECT_EQ(PathState(db), before);
    EXPECT_EQ(Entries(folder.Path()), entries);
}

TEST(DbCheck, AModuleThatDamagesTheDatabaseIsCaughtBeforeTheCommit) {
    const TScratchFolder folder("dbcheck-damaging");
    const fs::path db = folder / "firma.db";
    MakeDatabase(db);
    const std::string before = PathState(db);

    const TRun run = Zarixctl({"dbcheck", "--folder", DAMAGING_PLUGIN_DIR, "--db", db});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_THAT(run.Errors, HasSubstr("the check stopped at \"Weryfikacja danych modułu: USZKODZ\": the checked "
                                      "database fails SQLite's quick check: 2nd reference to page "));
    EXPECT_EQ(PathState(db), before);
}

TEST(DbCheck, AVersionMustBeOneAndMayNotGoBackwards) {
    const TScratchFolder folder("dbcheck-version");
    const fs::path checked = folder / "checked.db";
    MakeDatabase(checked);
    ASSERT_EQ(Check(checked).Exit, 0);
    const struct {
        const char* Version;
        int Exit;
        const char* Error;
    } rows[] = {
        {"-1", 2, "--version \"-1\" is not a version: \"-1\" is not a number from 0 to 65535"},
        {"abc", 2, "is not a version: \"abc\" is not a number"},
        {"1.2.3.4.5", 2, "is not a version: a version has at most four parts"},
        {"65536", 2, "is not a version: 65536 is above 65535"},
        {"1..4", 2, "is not a version: \"\" is not a number"},
        {"1.3", 1, "--version \"1.3\" is older than the database's version 1.4.0.0, which never moves backwards"},
        {"", 1, "--version \"\" is older than the database's version 1.4.0.0"},
        {"1.4", 0, ""},
        {"1.10", 0, ""},  // newer in the dependency check's ordering, which reads 1.10 as 110
    };
    for (const auto& row : rows) {
        const fs::path db = folder / "firma.db";
        fs::copy_file(checked, db, fs::copy_options::overwrite_existing);
        const std::string before = PathState(db);
        const TRun run = Check(db, {"--version", row.Version});
        EXPECT_EQ(run.Exit, row.Exit) << row.Version << ": " << run.Errors;
        EXPECT_THAT(run.Errors, HasSubstr(row.Error)) << row.Version;
        if (row.Exit != 0) {
            EXPECT_EQ(PathState(db), before) << row.Version;
        }
    }
}

TEST(DbCheck, ANewDatabaseNeedsAnExistingFolderAndIsNotLeftBehindWhenTheCheckFails) {
    const TScratchFolder folder("dbcheck-new");
    TRun run = Check(folder / "brak" / "firma.db");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_THAT(run.Errors, HasSubstr("firma.db: no such folder " + (folder / "brak").string()));
    // The modules cannot compare a version this large, so the check stops at the first one.
    run = Check(folder / "firma.db", {"--version", "65535.65535.65535.65535"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_THAT(run.Errors, HasSubstr("nieprawidłowa wersja bazy danych"));
    EXPECT_TRUE(Entries(folder.Path()).empty());
}

// Kills the check after delays spread over one whole run: each time the database must be the
// old one or the fully checked one, never something in between.
TEST(DbCheck, AKilledCheckLeavesTheOldDatabaseOrTheCheckedOne) {
    const TScratchFolder folder("dbcheck-kill");
    const fs::path old = folder / "old.db", reference = folder / "checked.db", db = folder / "firma.db";
    MakeDatabase(old);
    fs::copy_file(old, reference);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Check(reference).Exit, 0);
    const auto whole = std::chrono::steady_clock::now() - start;
    const std::string oldState = DatabaseState(old), checkedState = DatabaseState(reference);
    ASSERT_NE(oldState, checkedState);

    constexpr int kKills = 40;
    int sawOld = 0, sawChecked = 0, sawJournal = 0;
    for (int i = 0; i < kKills; ++i) {
        fs::copy_file(old, db, fs::copy_options::overwrite_existing);
        {
            TChild child({"dbcheck", "--folder", kPlugins, "--db", db}, folder / "stderr");
            std::this_thread::sleep_for(whole * 13 / 10 * i / kKills);
            child.Kill();
        }
        sawJournal += fs::exists(db.string() + "-journal");
        const std::string state = DatabaseState(db);
        sawOld += state == oldState;
        sawChecked += state == checkedState;
        ASSERT_TRUE(state == oldState || state == checkedState) << "killed after " << i << "/" << kKills << ":\n"
                                                                << state;
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawChecked, 0);
    RecordProperty("KilledInsideTheTransaction", sawJournal);
}

}  // namespace dbcheck_test
