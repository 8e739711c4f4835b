// The database check on a server shared by many desktops: zarixctl processes run it at once, are
// killed half-way or lose their server, and the database is always the old one or the fully
// checked one.
#include "services/db/tables.h"
#include "db_fixture.h"
#include "tests/apps/zarixctl_run.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace server_check_test {

using namespace zarix;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// A zarixctl over the sample plugins, both its streams in a file of its own.
class TZarixctl {
public:
    TZarixctl(const std::vector<std::string>& Args, int Number)
        : FOutput(::testing::TempDir() + "zarix_ctl_" + std::to_string(::getpid()) + "_" + std::to_string(Number)),
          FChild(Args, FOutput, FOutput) {}
    ~TZarixctl() {
        FChild.Wait(true);
        std::filesystem::remove(FOutput);
    }
    int Wait() { return FChild.Wait(); }
    void Kill() { FChild.Wait(true); }
    std::string Output() const { return zarixctl_test::ReadFile(FOutput); }

private:
    std::string FOutput;
    zarixctl_test::TChild FChild;
};

// The database check of the sample modules on Location.
std::vector<std::string> CheckOf(const std::string& Location) { return {"dbcheck", "--folder", PLUGIN_DIR, "--db", Location}; }

// Runs zarixctl to its end and gives its output; failing is the test's failure.
std::string Ran(const std::vector<std::string>& Args) {
    TZarixctl run(Args, 0);
    EXPECT_EQ(run.Wait(), 0) << run.Output();
    return run.Output();
}

// A server of the test's own, which it may stop and start while the shared one serves the others.
class TPrivateServer {
public:
    TPrivateServer() {
        char folder[] = "/tmp/zarix-pg-own.XXXXXX";
        if (::mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
        FFolder = folder;
        FUrl = Run("init");
        while (!FUrl.empty() && FUrl.back() == '\n') FUrl.pop_back();
    }
    ~TPrivateServer() {
        try {
            Run("remove");
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
    TPrivateServer(const TPrivateServer&) = delete;
    TPrivateServer& operator=(const TPrivateServer&) = delete;

    const std::string& Url() const { return FUrl; }
    void Stop() { Run("stop"); }
    void Start() { Run("start"); }

private:
    std::string Run(const char* command) {
        const std::string line = std::string(PG_SERVER_SCRIPT) + " " + command + " " + FFolder;
        std::string output;
        FILE* pipe = ::popen(line.c_str(), "r");
        if (pipe == nullptr) throw std::runtime_error("cannot run " + line);
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        if (::pclose(pipe) != 0) throw std::runtime_error(line + " failed");
        return output;
    }

    std::string FFolder;
    std::string FUrl;
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
    TZarixctl first(CheckOf(Location()), 1), second(CheckOf(Location()), 2);
    ASSERT_EQ(first.Wait(), 0) << first.Output();
    ASSERT_EQ(second.Wait(), 0) << second.Output();
    const std::string outputs = first.Output() + second.Output();
    // Exactly one upgraded; the other waited for the lock, then found the version stored.
    EXPECT_EQ(outputs.find("(new database) -> 1.4.0.0"), outputs.rfind("(new database) -> 1.4.0.0")) << outputs;
    EXPECT_THAT(outputs, AllOf(HasSubstr("(new database) -> 1.4.0.0"), HasSubstr("Database version: 1.4.0.0 (unchanged)")));
    const std::string once = Dump();
    EXPECT_THAT(once, HasSubstr("kontrahenci 4 "));
    Ran(CheckOf(Location()));
    EXPECT_EQ(Dump(), once);
}

// Killed at any moment, the check leaves what was there before it or everything it does:
// the server rolls back the transaction of a client that vanished.
TEST_F(ServerCheck, ACheckKilledAtAnyPointLeavesTheOldOrTheCheckedDatabase) {
    const std::string empty = Dump();
    Ran(CheckOf(Location()));
    const std::string checked = Dump();
    for (const int delay : {0, 15, 30, 45, 60, 80, 100, 130, 160, 200}) {
        DBInt().ExecSQL("DUMP", "DROP SCHEMA IF EXISTS " + Schema() + " CASCADE; CREATE SCHEMA " + Schema());
        {
            TZarixctl victim(CheckOf(Location()), delay + 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            victim.Kill();
        }
        // The server notices the lost client at once; its locks and transaction are gone.
        const std::string after = Dump();
        EXPECT_TRUE(after == empty || after == checked) << "killed after " << delay << " ms:\n" << after;
    }
}

// The server cuts the check off after the modules wrote everything, as it waits to store the new
// version: the server ending its session, then the server going down. The check fails with the
// server's reason, and the database is the old one once the server is back.
TEST_F(ServerCheck, ACheckCutOffByItsServerFailsAndLeavesTheOldDatabase) {
    TPrivateServer server;
    DBInt().OpenConnection("DUMP", server.Url());
    CreateZarixTables("DUMP");
    const std::string old = Dump();
    DBInt().OpenConnection("HOLD", server.Url());
    for (const bool downs : {false, true}) {
        // Reading the stored version passes this lock; writing the new one waits for it.
        DBInt().ExecSQL("HOLD", "BEGIN; LOCK TABLE UserParameters IN SHARE MODE");
        TZarixctl check(CheckOf(server.Url()), downs ? 51 : 50);
        std::string waiting;
        for (int i = 0; i < 3000 && waiting.empty(); ++i) {
            TDBQuery blocked("SELECT pid FROM pg_stat_activity WHERE wait_event_type = 'Lock'", "DUMP");
            blocked.Open();
            if (blocked.Eof()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            else waiting = blocked.FieldByName("pid");
        }
        ASSERT_FALSE(waiting.empty()) << "the check never waited for the lock:\n" << check.Output();
        if (downs) server.Stop();
        else DBInt().ExecSQL("DUMP", "SELECT pg_terminate_backend(" + waiting + ")");
        EXPECT_EQ(check.Wait(), 1) << check.Output();
        EXPECT_THAT(check.Output(), AllOf(HasSubstr("terminating connection due to administrator command"),
                                          HasSubstr("nothing was written"), Not(HasSubstr("Database version"))))
            << downs;
        // After a restart the connections are new ones; the lock's transaction died with the old.
        if (downs) server.Start();
        DBInt().ExecSQL("HOLD", "ROLLBACK");
        EXPECT_EQ(Dump(), old) << downs;
    }
    DBInt().CloseConnection("HOLD");
}


// An idle desktop outlives a restart of its server: while the server is down each statement
// fails saying so, and the first one after connects again. A transaction does not survive it.
TEST_F(ServerCheck, AnIdleConnectionOutlivesARestartOfTheServer) {
    TPrivateServer server;
    DBInt().OpenConnection("DUMP", server.Url());
    DBInt().ExecSQL("DUMP", "CREATE TABLE t (a integer); INSERT INTO t VALUES (1)");
    const auto count = [] {
        TDBQuery rows("SELECT count(*) AS n FROM t", "DUMP");
        rows.Open();
        return rows.FieldByName("n");
    };
    server.Stop();
    for (int i = 0; i < 2; ++i)
        EXPECT_THROW(
            try { count(); } catch (const EDatabaseError& e) {
                EXPECT_THAT(e.Message(), HasSubstr("the connection to the server was lost and cannot be made again: "
                                                   "connection to server on socket"));
                throw;
            },
            EDatabaseError);
    server.Start();
    EXPECT_EQ(count(), "1");
    DBInt().ExecSQL("DUMP", "BEGIN; INSERT INTO t VALUES (2)");
    server.Stop();
    server.Start();
    EXPECT_THROW(DBInt().ExecSQL("DUMP", "INSERT INTO t VALUES (3)"), EDatabaseError);
    DBInt().ExecSQL("DUMP", "ROLLBACK");
    EXPECT_EQ(count(), "1");
}

// Desktops read their menus and toolbars while an administrator keeps rewriting one user's
// toolbar rows and privileges, each change one transaction: no reader fails, and the last
// state is exactly what the administrator wrote last.
TEST_F(ServerCheck, DesktopsReadWhileTheAdministratorChangesToolbarsAndPrivileges) {
    Ran({"demo-db", Location()});
    std::atomic<bool> writing{true};
    std::thread administrator([&] {
        DBInt().OpenConnection("ADMIN", Location());
        for (int round = 0; writing || round < 20 || round % 2 == 1; ++round) {
            const bool even = round % 2 == 0;
            DBInt().ExecSQL("ADMIN", std::string("BEGIN; DELETE FROM UserToolBar WHERE UTBUserOrigid = 2;"
                                                 "INSERT INTO UserToolBar VALUES (2, 'Kartoteki|Kontrahenci')") +
                                         (even ? ", (2, 'Dokumenty|Sprzedaż|Faktura VAT')" : "") +
                                         (even ? "; INSERT INTO UserPrivileges VALUES (2, 'KLIENT_GRUPY')"
                                               : "; DELETE FROM UserPrivileges WHERE UPRUserOrigid = 2 AND UPRPrivilege = 'KLIENT_GRUPY'") +
                                         "; COMMIT");
        }
        DBInt().CloseConnection("ADMIN");
    });
    std::vector<std::unique_ptr<TZarixctl>> desktops;
    for (int i = 0; i < 16; ++i)
        desktops.push_back(std::make_unique<TZarixctl>(
            std::vector<std::string>{i % 2 ? "menu" : "toolbar", "--folder", PLUGIN_DIR, "--db", Location(), "--user", "2"},
            i + 1));
    for (const auto& desktop : desktops) EXPECT_EQ(desktop->Wait(), 0) << desktop->Output();
    writing = false;
    administrator.join();
    // The last round is odd: one row on the toolbar and the groups' privilege taken away.
    const std::string toolbar = Ran({"toolbar", "--folder", PLUGIN_DIR, "--db", Location(), "--user", "2"});
    EXPECT_THAT(toolbar, AllOf(HasSubstr("Kontrahenci"), Not(HasSubstr("Faktura VAT"))));
    EXPECT_THAT(Ran({"menu", "--folder", PLUGIN_DIR, "--db", Location(), "--user", "2"}),
                HasSubstr("Grupy kontrahentów  [1] disabled"));
}

}  // namespace server_check_test
