// zarixctl's database commands run as a child process over real files: nothing at a path is
// ever lost, a database that is not there is never made, and every error exits non-zero.
#include "database_files.h"
#include "zarixctl_run.h"

#include "services/db/zarix_db.h"

#include <gmock/gmock.h>

#include <functional>

namespace database_commands_test {

using namespace zarixctl_test;
using ::testing::HasSubstr;

// ---------------------------------------------------------------------------------------------
// demo-db over every kind of existing path

struct TExisting {
    const char* Name;
    std::function<void(const fs::path&)> Make;
    const char* Refusal;  // with --force
};

void PrintTo(const TExisting& e, std::ostream* out) { *out << e.Name; }

const TExisting kExisting[] = {
    {"TextFile", [](const fs::path& p) { std::ofstream(p) << "notatki klienta\n"; }, "no SQLite header"},
    {"EmptyFile", [](const fs::path& p) { std::ofstream{p}; }, "it is an empty file"},
    {"EmptyFolder", [](const fs::path& p) { fs::create_directory(p); }, "it is a folder"},
    {"FolderWithAFile",
     [](const fs::path& p) {
         fs::create_directory(p);
         std::ofstream(p / "x") << 'x';
     },
     "it is a folder"},
    {"SymlinkToADatabase",
     [](const fs::path& p) {
         MakeDatabase(p.string() + "-target");
         fs::create_symlink(p.filename().string() + "-target", p);
     },
     "it is a symbolic link"},
    {"ReadOnlyDatabase",
     [](const fs::path& p) {
         MakeDatabase(p);
         fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
     },
     "it is a read-only file"},
    {"DamagedDatabase", MakeDamagedDatabase, "it is damaged: "},
    {"DatabaseWithABackup",
     [](const fs::path& p) {
         MakeDatabase(p);
         std::ofstream(p.string() + ".bak") << "older";
     },
     ".bak already exists"},
    {"DatabaseWithAJournal",
     [](const fs::path& p) {
         MakeDatabase(p);
         std::ofstream(p.string() + "-journal") << std::string(512, 'j');
     },
     "-journal lies beside it"},
};

class DemoDbOverAnExistingPath : public ::testing::TestWithParam<TExisting> {};

TEST_P(DemoDbOverAnExistingPath, IsRefusedAndLeavesEverythingByteForByte) {
    const TScratchFolder folder("demo-" + std::string(GetParam().Name));
    const fs::path target = folder / "firma.db";
    GetParam().Make(target);
    const std::string before = PathState(folder.Path()) + PathState(target);
    const std::set<std::string> entries = Entries(folder.Path());

    const TRun plain = Zarixctl({"demo-db", target});
    EXPECT_EQ(plain.Exit, 1);
    EXPECT_THAT(plain.Errors, HasSubstr(target.string() + " already exists ("));
    const TRun forced = Zarixctl({"demo-db", target, "--force"});
    EXPECT_EQ(forced.Exit, 1);
    EXPECT_THAT(forced.Errors, HasSubstr(GetParam().Refusal));

    EXPECT_EQ(PathState(folder.Path()) + PathState(target), before);
    EXPECT_EQ(Entries(folder.Path()), entries) << "a temporary or backup file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Kinds, DemoDbOverAnExistingPath, ::testing::ValuesIn(kExisting),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(DemoDb, ForceKeepsTheOldDatabaseAsBakAndPutsANewOneInPlace) {
    const TScratchFolder folder("demo-force");
    const fs::path target = folder / "firma.db";
    MakeDatabase(target);
    const std::string old = ReadFile(target);

    const TRun run = Zarixctl({"demo-db", target, "--force"});
    ASSERT_EQ(run.Exit, 0) << run.Errors;
    EXPECT_EQ(ReadFile(target.string() + ".bak"), old);
    EXPECT_EQ(Entries(folder.Path()), (std::set<std::string>{"firma.db", "firma.db.bak"}));
    zarix::DBInt().OpenConnection("TEST", target, zarix::TDBOpenMode::omExistingOnly);
    zarix::TDBQuery users("SELECT group_concat(USRLogin) AS logins FROM Users", "TEST");
    users.Open();
    EXPECT_EQ(users.FieldByName("logins"), "admin,jan") << "the new database is the demo one, without user 7";
    users.Close();
    zarix::DBInt().CloseConnection("TEST");
}

TEST(DemoDb, AJournalLeftWithoutItsDatabaseIsNotAdoptedByTheNewOne) {
    const TScratchFolder folder("demo-journal");
    const fs::path target = folder / "firma.db";
    std::ofstream(target.string() + "-journal") << std::string(512, 'j');

    const TRun run = Zarixctl({"demo-db", target});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_THAT(run.Errors, HasSubstr(target.string() + "-journal lies beside it"));
    EXPECT_EQ(Entries(folder.Path()), std::set<std::string>{"firma.db-journal"});
}

// ---------------------------------------------------------------------------------------------
// Commands that only read never make a database

struct TMissing {
    const char* Name;
    const char* Path;  // below the scratch folder
    const char* Error;
};

class ReadingCommandOverAMissingDatabase
    : public ::testing::TestWithParam<std::tuple<const char*, TMissing>> {};

TEST_P(ReadingCommandOverAMissingDatabase, FailsAndCreatesNothing) {
    const auto& [command, missing] = GetParam();
    const TScratchFolder folder(std::string("read-") + command + "-" + missing.Name);
    fs::create_directory(folder / "folder.db");
    const fs::path db = folder / missing.Path;
    const std::string before = PathState(folder.Path());

    const TRun run = Zarixctl({command, "--folder", kPlugins, "--db", db, "--user", "1"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_THAT(run.Errors, HasSubstr("zarixctl: Cannot open database \"" + db.string() + "\""));
    EXPECT_THAT(run.Errors, HasSubstr(missing.Error));
    EXPECT_EQ(PathState(folder.Path()), before);
}

const TMissing kMissing[] = {
    {"MistypedName", "firam.db", "no such database file"},
    {"MistypedFolder", "firma/firma.db", "no such database file"},
    {"AFolder", "folder.db", "it is a folder, not a database file"},
};

INSTANTIATE_TEST_SUITE_P(Commands, ReadingCommandOverAMissingDatabase,
                         ::testing::Combine(::testing::Values("menu", "toolbar", "calls"), ::testing::ValuesIn(kMissing)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).Name;
                         });

// ---------------------------------------------------------------------------------------------
// Every error a command reports ends with a non-zero exit and a line on standard error

class CommandErrors : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = std::make_unique<TScratchFolder>("errors");
        MakeDatabase(*Folder / "firma.db");
        MakeDatabase(*Folder / "bez-parametrow.db");
        zarix::DBInt().OpenConnection("TEST", *Folder / "bez-parametrow.db");
        zarix::DBInt().ExecSQL("TEST", "DROP TABLE UserParameters");
        zarix::DBInt().CloseConnection("TEST");
    }
    static void TearDownTestSuite() { Folder.reset(); }

    static std::vector<std::string> Args(std::vector<std::string> args) {
        for (std::string& a : args)
            if (a.front() == '@') a = (*Folder / a.substr(1)).string();
        return args;
    }

    static inline std::unique_ptr<TScratchFolder> Folder;
};

TEST_F(CommandErrors, ExitNonZeroAndSayWhatIsWrong) {
    const struct {
        std::vector<std::string> Args;
        int Exit;
        std::string Error;
    } rows[] = {
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "99"}, 1, "zarixctl: no user 99 in "},
        {{"menu", "--folder", kPlugins, "--db", "@firma.db", "--user", "0"}, 1, "--user \"0\" is not a user number"},
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "-1"}, 1, "--user \"-1\" is not a user number"},
        {{"toolbar", "--folder", kPlugins, "--db", "@firma.db", "--user", "abc"}, 1, "--user \"abc\" is not a user"},
        {{"menu", "--folder", kPlugins, "--user", "2"}, 1, "--user needs --db"},
        {{"toolbar", "--folder", kPlugins, "--db", "@bez-parametrow.db", "--user", "2"}, 1,
         "EDatabaseError: Database error on connection \"DBCONN\": no such table: UserParameters"},
        {{"menu", "--folder", "/nonexistent", "--db", "@firma.db"}, 1, "zarixctl: /nonexistent: no such plugin folder"},
        {{"toolbar", "--folder", "/nonexistent", "--db", "@firma.db", "--user", "1"}, 1, "no such plugin folder"},
        {{"dbcheck", "--folder", "/nonexistent", "--db", "@firma.db"}, 1, "no such plugin folder"},
        {{"toolbar", "--folder", kPlugins, "--db"}, 2, "zarixctl: --db needs a value"},
    };
    for (const auto& row : rows) {
        const TRun run = Zarixctl(Args(row.Args));
        EXPECT_EQ(run.Exit, row.Exit) << row.Args[0] << ' ' << row.Args.back();
        EXPECT_THAT(run.Errors, HasSubstr(row.Error)) << row.Args[0] << ' ' << row.Args.back();
    }
}

}  // namespace database_commands_test
