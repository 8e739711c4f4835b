// The database check on a server shared by many desktops: zarixctl processes run it at once or
// are killed half-way, and the database is always the old one or the fully checked one.
#include "test_database.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace server_check_test {

using namespace zarix;
using ::testing::HasSubstr;

// A zarixctl dbcheck on Location, its output (both streams) written to a file of its own.
class TCheck {
public:
    TCheck(const std::string& Location, int Number)
        : FOutput(::testing::TempDir() + "zarix_check_" + std::to_string(::getpid()) + "_" + std::to_string(Number)) {
        std::vector<std::string> args{ZARIXCTL, "dbcheck", "--folder", PLUGIN_DIR, "--db", Location};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, FOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        if (posix_spawn(&FPid, ZARIXCTL, &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TCheck() {
        Kill();
        std::filesystem::remove(FOutput);
    }
    TCheck(const TCheck&) = delete;
    TCheck& operator=(const TCheck&) = delete;

    /// The exit code, or 128 + the signal that ended it.
    int Wait() {
        if (FPid > 0 && FStatus < 0) ::waitpid(FPid, &FStatus, 0);
        if (FStatus < 0) return -1;
        return WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : 128 + WTERMSIG(FStatus);
    }
    void Kill() {
        if (FPid > 0 && FStatus < 0) ::kill(FPid, SIGKILL);
        Wait();
    }
    std::string Output() const {
        std::ifstream in(FOutput);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::string FOutput;
    pid_t FPid = -1;
    int FStatus = -1;
};

class ServerCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ZARIX_REQUIRE_BACKEND(TBackend::PostgreSQL);
        FDatabase = std::make_unique<TTestDatabase>(TBackend::PostgreSQL);
        DBInt().OpenConnection("DUMP", FDatabase->Location());
    }
    void TearDown() override {
        DBInt().CloseConnection("DUMP");
        FDatabase.reset();
    }
    const std::string& Location() const { return FDatabase->Location(); }
    const std::string& Schema() const { return FDatabase->Schema(); }

    /// Every table of the schema with a digest of its rows, and every view and trigger.
    static std::string Dump() {
        std::string dump;
        TDBQuery tables("SELECT table_name AS name FROM information_schema.tables WHERE table_schema = current_schema() "
                        "ORDER BY 1",
                        "DUMP");
        for (tables.Open(); !tables.Eof(); tables.Next()) {
            const std::string name = tables.FieldByName("name");
            TDBQuery rows("SELECT count(*) AS n, md5(string_agg(t::text, '|' ORDER BY t::text)) AS rows FROM " + name + " t",
                          "DUMP");
            rows.Open();
            dump += name + " " + rows.FieldByName("n") + " " + rows.FieldByName("rows") + "\n";
        }
        TDBQuery triggers("SELECT tgname FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid "
                          "WHERE c.relnamespace = current_schema()::regnamespace AND NOT t.tgisinternal ORDER BY 1",
                          "DUMP");
        for (triggers.Open(); !triggers.Eof(); triggers.Next()) dump += "trigger " + triggers.FieldByName("tgname") + "\n";
        return dump;
    }

private:
    std::unique_ptr<TTestDatabase> FDatabase;
};

TEST_F(ServerCheck, TwoDesktopsStartingTogetherUpgradeOnce) {
    TCheck first(Location(), 1), second(Location(), 2);
    ASSERT_EQ(first.Wait(), 0) << first.Output();
    ASSERT_EQ(second.Wait(), 0) << second.Output();
    const std::string outputs = first.Output() + second.Output();
    // Exactly one upgraded; the other waited for the lock, then found the version stored.
    EXPECT_EQ(outputs.find("(new database) -> 1.4.0.0"), outputs.rfind("(new database) -> 1.4.0.0")) << outputs;
    EXPECT_THAT(outputs, HasSubstr("(new database) -> 1.4.0.0"));
    EXPECT_THAT(outputs, HasSubstr("Database version: 1.4.0.0 (unchanged)"));
    const std::string once = Dump();
    EXPECT_THAT(once, HasSubstr("kontrahenci 4 "));
    TCheck third(Location(), 3);
    ASSERT_EQ(third.Wait(), 0) << third.Output();
    EXPECT_EQ(Dump(), once);
}

// Killed at any moment, the check leaves what was there before it or everything it does:
// the server rolls back the transaction of a client that vanished.
TEST_F(ServerCheck, ACheckKilledAtAnyPointLeavesTheOldOrTheCheckedDatabase) {
    const std::string empty = Dump();
    std::string checked;
    {
        TCheck reference(Location(), 0);
        ASSERT_EQ(reference.Wait(), 0) << reference.Output();
        checked = Dump();
    }
    for (const int delay : {0, 15, 30, 45, 60, 80, 100, 130, 160, 200}) {
        DBInt().ExecSQL("DUMP", "DROP SCHEMA IF EXISTS " + Schema() + " CASCADE; CREATE SCHEMA " + Schema());
        {
            TCheck victim(Location(), delay + 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            victim.Kill();
        }
        // The server notices the lost client at once; its locks and transaction are gone.
        const std::string after = Dump();
        EXPECT_TRUE(after == empty || after == checked) << "killed after " << delay << " ms:\n" << after;
    }
}

}  // namespace server_check_test
