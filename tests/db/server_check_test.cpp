// The database check on a server shared by many desktops: zarixctl processes run it at once or
// lose their server half-way, and the database is always the old one or the fully checked one.
#include "services/db/tables.h"
#include "db_fixture.h"
#include "tests/apps/zarixctl_run.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace server_check_test {

using namespace zarix;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

using zarixctl_test::Ctl;
using zarixctl_test::TChild;

// The database check of the sample modules on Location.
std::vector<std::string> CheckOf(const std::string& Location) { return {"dbcheck", "--folder", PLUGIN_DIR, "--db", Location}; }
// A desktop showing its menu or toolbar to user 2.
std::vector<std::string> DesktopOf(const char* Command, const std::string& Location) {
    return {Command, "--folder", PLUGIN_DIR, "--db", Location, "--user", "2"};
}

// Runs zarixctl to its end and gives its output; failing is the test's failure.
std::string Ran(const std::vector<std::string>& Args) {
    const zarixctl_test::TRun run = Ctl(Args);
    EXPECT_EQ(run.Exit, 0) << run.Errors;
    return run.Output;
}

// A server of the test's own, which it may stop and start while the shared one serves the others.
class TPrivateServer {
public:
    TPrivateServer() : FUrl(Run("init")) {
        if (FUrl.empty()) throw std::runtime_error("the private server did not start");
    }
    ~TPrivateServer() { Run("remove"); }
    TPrivateServer(const TPrivateServer&) = delete;
    TPrivateServer& operator=(const TPrivateServer&) = delete;

    const std::string& Url() const { return FUrl; }
    void Stop() { Run("stop"); }
    void Start() { Run("start"); }

private:
    /// What the server script prints for Command on this server's folder, without line ends.
    std::string Run(const char* command) const {
        const std::string line = std::string(PG_SERVER_SCRIPT) + " " + command + " " + FFolder;
        FILE* pipe = ::popen(line.c_str(), "r");
        std::string output;
        for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;)
            if (c != '\n') output += static_cast<char>(c);
        EXPECT_TRUE(pipe != nullptr && ::pclose(pipe) == 0) << line << " failed";
        return output;
    }

    char FTemplate[32] = "/tmp/zarix-pg-own.XXXXXX";
    const std::string FFolder = ::mkdtemp(FTemplate) != nullptr ? FTemplate : "mkdtemp failed";
    const std::string FUrl;
};

using ServerCheck = DatabaseTest;

TEST_P(ServerCheck, TwoDesktopsStartingTogetherUpgradeOnce) {
    TChild first(CheckOf(Location()), true), second(CheckOf(Location()), true);
    ASSERT_EQ(first.Wait(), 0) << first.Output();
    ASSERT_EQ(second.Wait(), 0) << second.Output();
    const std::string outputs = first.Output() + second.Output();
    // Exactly one upgraded; the other waited for the lock, then found the version stored.
    EXPECT_EQ(outputs.find("(new database) -> 1.4.0.0"), outputs.rfind("(new database) -> 1.4.0.0")) << outputs;
    EXPECT_THAT(outputs, AllOf(HasSubstr("(new database) -> 1.4.0.0"), HasSubstr("Database version: 1.4.0.0 (unchanged)")));
    EXPECT_EQ(Count("Kontrahenci"), "4");
}

// The server goes down while the check waits to store the new version, after the modules wrote
// everything. The check fails with the server's reason, and the database is the old one once the
// server is back, read through a connection that was idle all the while. (A session ended
// inside a transaction alone is ServerConnections.ALostSessionComesBackOnlyOutsideATransaction.)
TEST_P(ServerCheck, ACheckCutOffByItsServerFailsAndLeavesTheOldDatabase) {
    TPrivateServer server;
    DBInt().OpenConnection("DBCONN", server.Url());
    CreateZarixTables("DBCONN");
    const std::string old = DatabaseDump();
    // Reading the stored version passes this lock; writing the new one waits for it.
    DBInt().OpenConnection("HOLD", server.Url());
    DBInt().ExecSQL("HOLD", "BEGIN; LOCK TABLE UserParameters IN SHARE MODE");
    TChild check(CheckOf(server.Url()), true);
    bool waiting = false;
    for (int i = 0; i < 3000 && !waiting; ++i) {
        waiting = Count("pg_stat_activity WHERE wait_event_type = 'Lock'") != "0";
        if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(waiting) << "the check never waited for the lock:\n" << check.Output();
    server.Stop();
    EXPECT_EQ(check.Wait(), 1) << check.Output();
    EXPECT_THAT(check.Output(), AllOf(HasSubstr("terminating connection due to administrator command"),
                                      HasSubstr("nothing was written"), Not(HasSubstr("Database version"))));
    // An idle connection outlives the restart: while the server is down each statement fails
    // saying so, and the first one after connects again.
    for (int i = 0; i < 2; ++i)
        EXPECT_THAT(ErrorOf([] { Count("UserParameters"); }),
                    HasSubstr("the connection to the server was lost and cannot be made again: connection to server on socket"));
    server.Start();
    // The lock's transaction died with the old connection.
    DBInt().ExecSQL("HOLD", "ROLLBACK");
    EXPECT_EQ(DatabaseDump(), old);
    DBInt().CloseConnection("HOLD");
}

// Desktops read their menus and toolbars while an administrator keeps rewriting one user's
// toolbar rows and privileges, each change one transaction: no reader fails, and the last
// state is exactly what the administrator wrote last.
TEST_P(ServerCheck, DesktopsReadWhileTheAdministratorChangesToolbarsAndPrivileges) {
    Ran({"demo-db", Location()});
    std::atomic<bool> writing{true};
    // Even rounds put the invoice on the toolbar and grant the groups; odd ones take both away.
    const std::string rounds[] = {
        "INSERT INTO UserToolBar VALUES (2, 'Kartoteki|Kontrahenci'), (2, 'Dokumenty|Sprzedaż|Faktura VAT');"
        "INSERT INTO UserPrivileges VALUES (2, 'KLIENT_GRUPY')",
        "INSERT INTO UserToolBar VALUES (2, 'Kartoteki|Kontrahenci');"
        "DELETE FROM UserPrivileges WHERE UPRUserOrigid = 2 AND UPRPrivilege = 'KLIENT_GRUPY'"};
    std::thread administrator([&] {
        DBInt().OpenConnection("ADMIN", Location());
        for (int round = 0; writing || round < 20 || round % 2 == 1; ++round)
            DBInt().ExecSQL("ADMIN", "BEGIN; DELETE FROM UserToolBar WHERE UTBUserOrigid = 2;" + rounds[round % 2] + "; COMMIT");
        DBInt().CloseConnection("ADMIN");
    });
    std::vector<std::unique_ptr<TChild>> desktops;
    for (int i = 0; i < 16; ++i) desktops.push_back(std::make_unique<TChild>(DesktopOf(i % 2 ? "menu" : "toolbar", Location()), true));
    for (const auto& desktop : desktops) EXPECT_EQ(desktop->Wait(), 0) << desktop->Output();
    writing = false;
    administrator.join();
    // The last round is odd: one row on the toolbar and the groups' privilege taken away.
    EXPECT_THAT(Ran(DesktopOf("toolbar", Location())), AllOf(HasSubstr("Kontrahenci"), Not(HasSubstr("Faktura VAT"))));
    EXPECT_THAT(Ran(DesktopOf("menu", Location())), HasSubstr("Grupy kontrahentów  [1] disabled"));
}

ZARIX_ON_BACKEND(ServerCheck, PostgreSQL);

}  // namespace server_check_test
