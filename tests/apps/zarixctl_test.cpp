// The real zarixctl as a child process over real files, as people run it: help on standard
// output, usage errors with exit code 2 and refusals with 1, their reason on standard error and
// the folder exactly as it was; a --json document from every command that parses and names its
// schema whatever bytes the paths hold; a killed check leaves the old database or the checked one.
#include "zarixctl_run.h"

#include "tests/db/db_fixture.h"

#include "services/db/zarix_db.h"
#include "zarix/version.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <chrono>
#include <set>
#include <thread>

namespace zarixctl_test {

using ::testing::HasSubstr;
using ::testing::PrintToString;
using nlohmann::json;

const std::string kPlugins = PLUGIN_DIR;

/// Every entry below Path with its mode and its bytes or link target, in name order.
std::string PathState(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "(nothing)\n";
    const std::string head = path.filename().string() + " " + std::to_string(st.st_mode) + " ";
    if (S_ISLNK(st.st_mode)) return head + "-> " + fs::read_symlink(path).string() + '\n';
    if (!S_ISDIR(st.st_mode)) return head + std::to_string(st.st_size) + ": " + ReadFile(path) + '\n';
    std::set<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) entries.insert(entry.path());
    std::string state = head + "{\n";
    for (const fs::path& entry : entries) state += PathState(entry);
    return state + "}\n";
}

/// Runs Sql on the database file Path.
void ExecOn(const fs::path& path, const std::string& sql) {
    zarix::DBInt().OpenConnection("TEST", path);
    zarix::DBInt().ExecSQL("TEST", sql);
    zarix::DBInt().CloseConnection("TEST");
}

/// The demo database, with one more user, 7, so a replacement by a new demo one shows.
void MakeDatabase(const fs::path& path) {
    ASSERT_EQ(Ctl({"demo-db", path}).Exit, 0);
    ExecOn(path, "INSERT INTO Users VALUES (7, 'ewa', 'Ewa Nowak', 0)");
}

/// A database whose table Notatki has its root page, an interior one, overwritten with garbage.
void MakeDamagedDatabase(const fs::path& path) {
    MakeDatabase(path);
    ExecOn(path, "CREATE TABLE Notatki (a TEXT); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                 "INSERT INTO Notatki SELECT printf('%0200d', i) FROM n");
    zarix::DBInt().OpenConnection("TEST", path);
    const long size = std::stol(ColumnOf("PRAGMA page_size", "TEST").at(0));
    const long root = std::stol(ColumnOf("SELECT rootpage FROM sqlite_master WHERE name = 'Notatki'", "TEST").at(0));
    zarix::DBInt().CloseConnection("TEST");
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp((root - 1) * size)
        << std::string(static_cast<std::size_t>(size), '\x5a');
}

const std::vector<std::string> kCommands = {"plugins", "version", "menu", "toolbar", "session", "dbcheck", "calls",
                                            "demo-db", "parse", "compare", "name", "palette", "form", "help"};

// One folder for every test: a subfolder whose name is not UTF-8, as an old file system may hand
// one over, and databases of every kind the database commands meet.
class Zarixctl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = fs::path(::testing::TempDir()) / ("zarixctl-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder / "wtyczki-\xff\xfe");
        fs::copy_file(kPlugins + "/klient.bpl", Folder / "wtyczki-\xff\xfe" / "klient.bpl");
        fs::create_directories(Folder / "pusty.db");
        std::ofstream(Folder / "text.db") << "notatki klienta, nie baza danych\n";
        std::ofstream{Folder / "empty.db"};
        for (const char* name : {"firma.db", "checked.db", "ro.db", "zbak.db", "journal.db", "bez-parametrow.db"})
            MakeDatabase(Folder / name);
        MakeDamagedDatabase(Folder / "damaged.db");
        ASSERT_EQ(Ctl({"dbcheck", "--folder", kPlugins, "--db", Folder / "checked.db"}).Exit, 0);
        fs::permissions(Folder / "ro.db", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::create_symlink("firma.db", Folder / "link.db");
        std::ofstream(Folder / "zbak.db.bak") << "older";
        std::ofstream(Folder / "journal.db-journal") << std::string(512, 'j');
        std::ofstream(Folder / "stary.db-journal") << std::string(512, 'j');
        ExecOn(Folder / "bez-parametrow.db", "DROP TABLE UserParameters");
    }
    static void TearDownTestSuite() { fs::remove_all(Folder); }

    /// The arguments with each "@name" standing for that entry of Folder.
    static std::vector<std::string> Args(std::vector<std::string> args) {
        for (std::string& a : args)
            if (!a.empty() && a.front() == '@') a = (Folder / a.substr(1)).string();
        return args;
    }

    static inline fs::path Folder;
};

// Help and the version answer on standard output with exit 0; a usage error exits 2 and a
// refusal 1, each saying why on standard error, a usage error printing nothing else. None of
// them changes anything in the folder.
TEST_F(Zarixctl, EveryAnswerGoesToItsStreamWithItsExitCodeAndChangesNothing) {
    // Each row: the arguments, the exit code and a part of what the answer's stream says.
    std::vector<std::tuple<std::vector<std::string>, int, std::string>> rows = {
        {{"--help"}, 0, "Usage: zarixctl [OPTIONS] SUBCOMMAND"},
        {{"-h"}, 0, "2 wrong usage"},
        {{"help"}, 0, "fileBytes"},
        {{"--version"}, 0, std::string("zarixctl ") + ZARIX_VERSION_STRING + " (framework ABI " + std::to_string(ZARIX_ABI_NUMBER) + ")"},
        {{"demo-db", "-h"}, 0, "Usage: zarixctl demo-db [OPTIONS] FILE"},
        {{"dbcheck", "--db", "@never.db", "--help"}, 0, "--version X"},
        // Bad command lines.
        {{}, 2, "zarixctl: a command is required\nRun \"zarixctl --help\""},
        {{"frobnicate"}, 2, "frobnicate"},
        {{"help", "frobnicate"}, 2, "zarixctl help: no command frobnicate"},
        {{"plugins", "--folder"}, 2, "zarixctl plugins: --folder needs a value (DIR)"},
        {{"plugins", "--isolatd"}, 2, "zarixctl plugins: The following argument was not expected: --isolatd"},
        {{"menu", "--isolated"}, 2, "not expected: --isolated"},
        {{"form", "--folder", "@x"}, 2, "zarixctl form: The following arguments were not expected"},
        {{"session", "--ext", "so"}, 2, "not expected: so --ext"},
        {{"toolbar", "--db", "@new.db"}, 2, "zarixctl toolbar: --user is required"},
        {{"calls", "--folder", kPlugins}, 2, "zarixctl calls: --db is required"},
        {{"dbcheck"}, 2, "--db is required"},
        {{"compare", "1.0"}, 2, "zarixctl compare: B is required"},
        {{"demo-db", "@a.db", "@b.db"}, 2, "not expected: "},
        {{"demo-db", "@a.db", "--force=@b.db"}, 2, "--force"},
        {{"parse"}, 2, "TEXT is required"},
        // demo-db over every kind of existing path, then with --force.
        {{"demo-db", "@firma.db"}, 1, "firma.db already exists (a file); demo-db never overwrites anything"},
        {{"demo-db", "@empty.db"}, 1, "already exists (an empty file)"},
        {{"demo-db", "@pusty.db"}, 1, "already exists (a folder)"},
        {{"demo-db", "@link.db"}, 1, "already exists (a symbolic link)"},
        {{"demo-db", "@ro.db"}, 1, "already exists (a read-only file)"},
        {{"demo-db", "@text.db", "--force"}, 1, "text.db is not replaced: it is not an SQLite database (no SQLite header)"},
        {{"demo-db", "@link.db", "--force"}, 1, "is not replaced: it is a symbolic link"},
        {{"demo-db", "@ro.db", "--force"}, 1, "is not replaced: it is a read-only file"},
        {{"demo-db", "@damaged.db", "--force"}, 1, "is not replaced: it is damaged: Page "},
        {{"demo-db", "@zbak.db", "--force"}, 1, "zbak.db.bak already exists; move it away first"},
        {{"demo-db", "@journal.db", "--force"}, 1, "journal.db-journal lies beside it"},
        {{"demo-db", "@stary.db"}, 1, "stary.db is not created: " + (Folder / "stary.db-journal").string()},
        // Commands that only read, over a database that is not there.
        {{"menu", "--folder", kPlugins, "--db", "@brak.db"}, 1,
         "zarixctl: Cannot open database \"" + (Folder / "brak.db").string() + "\" as connection \"DBCONN\": no such database file"},
        {{"calls", "--folder", kPlugins, "--db", "@pusty.db"}, 1, "it is a folder, not a database file"},
        // Users, folders and errors the framework reports instead of raising.
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "99"}, 1, "zarixctl: no user 99 in "},
        {{"menu", "--folder", kPlugins, "--db", "@firma.db", "--user", "0"}, 1, "--user \"0\" is not a user number"},
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "abc"}, 1, "--user \"abc\" is not a user"},
        {{"menu", "--folder", kPlugins, "--user", "2"}, 1, "--user needs --db"},
        {{"toolbar", "--folder", kPlugins, "--db", "@bez-parametrow.db", "--user", "2"}, 1,
         "EDatabaseError: Database error on connection \"DBCONN\": no such table: UserParameters"},
        {{"session", "--folder", "/nonexistent"}, 1, "zarixctl: /nonexistent: no such plugin folder"},
        // The database check.
        {{"dbcheck", "--folder", kPlugins, "--db", "@damaged.db"}, 1,
         "damaged.db: the database is damaged (Page 9: btreeInitPage() returns error code 11; "},
        {{"dbcheck", "--folder", DAMAGING_PLUGIN_DIR, "--db", "@firma.db"}, 1,
         "the check stopped: the checked database fails SQLite's quick check: 2nd reference to page "},
        {{"dbcheck", "--folder", "/nonexistent", "--db", "@firma.db"}, 1, "no such plugin folder"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@brak/nowa.db"}, 1, "nowa.db: no such folder " + (Folder / "brak").string()},
        // A version the modules cannot compare stops the check; the new file goes again.
        {{"dbcheck", "--folder", kPlugins, "--db", "@nowa.db", "--version", "65535.65535.65535.65535"}, 1,
         "the check stopped at \"Weryfikacja struktury modułu: Kontrahenci\": Moduł Kontrahenci: nieprawidłowa wersja bazy danych"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "-1"}, 2,
         "--version \"-1\" is not a version: \"-1\" is not a number from 0 to 65535"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "1.2.3.4.5"}, 2, "at most four parts"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", "1.3"}, 1,
         "--version \"1.3\" is older than the database's version 1.4.0.0, which never moves backwards"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@checked.db", "--version", ""}, 1, "--version \"\" is older"},
    };
    for (const std::string& command : kCommands) {
        rows.push_back({{command, "--help"}, 0, "Usage: zarixctl " + command});
        rows.push_back({{"help", command}, 0, "Usage: zarixctl " + command});
    }
    for (const auto& [given, exit, text] : rows) {
        const std::vector<std::string> args = Args(given);
        const std::string before = PathState(Folder);
        const TRun run = Ctl(args);
        EXPECT_EQ(run.Exit, exit) << PrintToString(args) << "\n" << run.Errors;
        EXPECT_THAT(exit == 0 ? run.Output : run.Errors, HasSubstr(text)) << PrintToString(args);
        // Help says nothing on standard error, a usage error nothing on standard output.
        EXPECT_EQ(exit == 0 ? run.Errors : exit == 2 ? run.Output : "", "") << PrintToString(args);
        EXPECT_EQ(PathState(Folder), before) << PrintToString(args);
    }
    EXPECT_FALSE(fs::exists("-h")) << "demo-db -h made a database";
}

// Run in order: the database each later command needs is made and checked by the rows before.
TEST_F(Zarixctl, EveryJsonDocumentParsesAndNamesItsSchema) {
    const std::string odd = (Folder / "wtyczki-\xff\xfe").string();
    std::string oddHex;
    for (const unsigned char c : odd) oddHex += "0123456789abcdef"[c >> 4], oddHex += "0123456789abcdef"[c & 15];
    // Each row: the arguments, the exit code, and a value of the document with its JSON pointer.
    const std::tuple<std::vector<std::string>, int, std::string, json> rows[] = {
        {{"plugins", "--folder=" + kPlugins, "--json"}, 0, "/plugins/3/dependencies/0/loadedVersion", "1.4.2.0"},
        {{"version", kPlugins + "/dokmag.bpl", "--json"}, 0, "/fileVersion", "1.4.2.0"},
        {{"version", kPlugins + "/dokmag.bpl", "--json"}, 0, "/translation", "041504E2"},
        {{"version", __FILE__, "--json"}, 1, "/fileVersion", nullptr},
        {{"menu", "--folder", kPlugins, "--json"}, 0, "/items/0/caption", "Kartoteki"},
        {{"session", "--folder", kPlugins, "--json"}, 0, "/steps/7/windows/1/text", "Karta: Kowalski Jan"},
        {{"demo-db", "@demo.db", "--json"}, 0, "/done", "created"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@demo.db", "--json"}, 0, "/versionAfter", "1.4.0.0"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@demo.db", "--version=1.0", "--json"}, 1, "/error",
         "the check stopped: --version \"1.0\" is older than the database's version 1.4.0.0, which never moves backwards"},
        {{"calls", "--folder", kPlugins, "--db", "@demo.db", "--json"}, 0, "/sections/0/calls/0/result",
         "\"Kowalski Jan\""},
        {{"toolbar", "--folder", kPlugins, "--db", "@demo.db", "--user=1", "--json"}, 0, "/buttons/2/caption",
         "Cenniki ..."},
        {{"parse", "1.2", "abc", "--json"}, 1, "/texts/1/error/class", "EConvertError"},
        {{"compare", "1.10.0.0", "2.0.0.0", "--json"}, 0, "/relation", ">"},
        {{"name", "Kopia danych", "--json"}, 0, "/names/0/pluginName", "KOPIADANYCH"},
        {{"palette", "--json"}, 0, "/pages/0/name", "Zarix"},
        {{"form", "--json"}, 0, "/properties/0/name", "Caption"},
        {{"plugins", "--folder", odd, "--json"}, 0, "/folderBytes", oddHex},
        {{"plugins", "--folder", odd, "--json"}, 0, "/plugins/0/name", "KLIENT"},
        {{"version", odd + "/klient.bpl", "--json"}, 0, "/fileBytes", oddHex + "2f6b6c69656e742e62706c"},
    };
    for (const auto& [given, exit, at, expected] : rows) {
        const std::vector<std::string> args = Args(given);
        const TRun run = Ctl(args);
        EXPECT_EQ(run.Exit, exit) << PrintToString(args) << run.Errors;
        const json document = json::parse(run.Output, nullptr, false);
        ASSERT_TRUE(document.is_object()) << PrintToString(args) << run.Output;
        EXPECT_EQ(document.value("schema", ""), "zarixctl." + args[0] + "/1") << PrintToString(args);
        const json::json_pointer pointer(at);
        ASSERT_TRUE(document.contains(pointer)) << PrintToString(args) << run.Output;
        EXPECT_EQ(document.at(pointer), expected) << PrintToString(args);
    }
}

TEST_F(Zarixctl, ForceKeepsTheOldDatabaseAsBakAndPutsANewOneInPlace) {
    const fs::path target = Folder / "zastap" / "firma.db";
    fs::create_directory(target.parent_path());
    fs::copy_file(Folder / "firma.db", target);
    const std::string old = ReadFile(target);

    ASSERT_EQ(Ctl({"demo-db", target, "--force"}).Exit, 0);
    EXPECT_EQ(ReadFile(target.string() + ".bak"), old);
    EXPECT_NE(ReadFile(target), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), {}), 2) << "a temporary file is left";
}

/// The database once SQLite has rolled back a killed run's journal, which must leave a file that
/// passes the full integrity check.
std::string DatabaseState(const fs::path& path) {
    zarix::DBInt().OpenConnection("STATE", path, zarix::TDBOpenMode::omExistingOnly);
    EXPECT_EQ(ColumnOf("PRAGMA integrity_check", "STATE"), std::vector<std::string>{"ok"}) << path;
    const std::string state = DatabaseDump("STATE");
    zarix::DBInt().CloseConnection("STATE");
    return state;
}

// Kills the check after delays spread over one whole run: each time the database must be the
// old one or the fully checked one, never anything in between.
TEST_F(Zarixctl, AKilledCheckLeavesTheOldDatabaseOrTheCheckedOne) {
    const fs::path db = Folder / "kill" / "firma.db";
    fs::create_directory(db.parent_path());
    const std::vector<std::string> check{"dbcheck", "--folder", kPlugins, "--db", db};
    fs::copy_file(Folder / "firma.db", db);
    const std::string oldState = DatabaseState(db);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Ctl(check).Exit, 0);
    const auto whole = std::chrono::steady_clock::now() - start;
    const std::string checkedState = DatabaseState(db);
    ASSERT_NE(oldState, checkedState);

    constexpr int kKills = 40;
    int sawOld = 0, sawChecked = 0, killedInside = 0;
    for (int i = 0; i <= kKills; ++i) {
        fs::copy_file(Folder / "firma.db", db, fs::copy_options::overwrite_existing);
        {
            TChild child(check);
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

}  // namespace zarixctl_test
