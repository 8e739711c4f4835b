// The database services on a PostgreSQL server beside SQLite in one run: the toolbar's set-up
// against its one query, the sample modules' check on a new and on a current database, and
// parameter reads from 16 clients at once. The server is the one ./dev bench starts
// (ZARIX_TEST_PG); without it only the SQLite figures are measured.
#include "bench_command_host.h"
#include "bench_ratio.h"
#include "manager/ZarixPluginManager.h"
#include "services/db/parameters.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace {

using namespace zarix;

const char* ServerUrl() {
    const char* url = std::getenv("ZARIX_TEST_PG");
    return url != nullptr && *url != '\0' ? url : nullptr;
}

// A fresh database for one benchmark: an SQLite file in a temporary folder, or a schema of its
// own on the server.
class TBenchDatabase {
public:
    explicit TBenchDatabase(bool server) {
        static std::atomic<int> counter{0};
        const std::string id = std::to_string(::getpid()) + "_" + std::to_string(++counter);
        if (!server) {
            FFile = std::filesystem::temp_directory_path() / ("zarix_bench_db_" + id + ".db");
            FLocation = FFile.string();
            return;
        }
        FSchema = "zb_" + id;
        DBInt().OpenConnection("BENCH_ADMIN", ServerUrl());
        DBInt().ExecSQL("BENCH_ADMIN", "DROP SCHEMA IF EXISTS " + FSchema + " CASCADE; CREATE SCHEMA " + FSchema);
        FLocation = std::string(ServerUrl()) + "&options=-csearch_path%3D" + FSchema + "%2Cpublic";
    }
    ~TBenchDatabase() {
        if (!FSchema.empty()) {
            DBInt().ExecSQL("BENCH_ADMIN", "DROP SCHEMA IF EXISTS " + FSchema + " CASCADE");
            DBInt().CloseConnection("BENCH_ADMIN");
        }
        if (!FFile.empty()) std::filesystem::remove(FFile);
    }
    TBenchDatabase(const TBenchDatabase&) = delete;
    TBenchDatabase& operator=(const TBenchDatabase&) = delete;
    const std::string& Location() const { return FLocation; }

private:
    std::filesystem::path FFile;
    std::string FSchema;
    std::string FLocation;
};

bool SkipWithoutServer(benchmark::State& state) {
    if (state.range(0) == 0 || ServerUrl() != nullptr) return false;
    state.SkipWithError("no PostgreSQL server (ZARIX_TEST_PG is not set)");
    return true;
}

// 200 commands on the default toolbar, 50 of them user 3's own rows among 250.
struct TToolBarHost {
    explicit TToolBarHost(bool server) : Database(server) {
        OpenToolBarDatabase(Database.Location());
        Commands.Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
        Commands.Manager->ToolBarMustRefresh(3);
    }
    ~TToolBarHost() {
        Commands.Manager.reset();
        DBInt().CloseConnection("DBCONN");
    }
    TBenchDatabase Database;
    TBenchCommandHost Commands{"dbtb", 10, 20, TBenchCommands::OnToolBar};
    TMainMenu Menu{nullptr};
};

void BM_ToolBarQuery(benchmark::State& state) {
    if (SkipWithoutServer(state)) return;
    TToolBarHost host(state.range(0) != 0);
    for (auto _ : state) {
        TDBQuery rows("Select * from UserToolBar where UTBUserOrigid=3", "DBCONN");
        rows.Open();
        int count = 0;
        for (; !rows.Eof(); rows.Next()) count += !rows.FieldByName("UTBMenuPath").empty();
        if (count != 50) state.SkipWithError("expected 50 rows");
    }
}
BENCHMARK(BM_ToolBarQuery)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_ToolBarSetUp(benchmark::State& state) {
    if (SkipWithoutServer(state)) return;
    TToolBarHost host(state.range(0) != 0);
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    for (auto _ : state) {
        host.Commands.Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
        if (bar.ButtonCount() != 50) state.SkipWithError("expected 50 buttons");
    }
}
BENCHMARK(BM_ToolBarSetUp)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// The sample modules' three passes as zarixctl dbcheck runs them: one transaction under the
// writer lock. Arg 0/1: SQLite/server; Arg 0/1 second: a new database / a current one.
void BM_SampleCheck(benchmark::State& state) {
    if (SkipWithoutServer(state)) return;
    const bool server = state.range(0) != 0, current = state.range(1) != 0;
    TZarixPluginManager manager(nullptr);
    manager.SetPluginFolder(EXAMPLE_PLUGIN_DIR);
    manager.LoadPlugins();
    const auto check = [&](const std::string& version) {
        DBInt().ExecSQL("DBCONN", "BEGIN IMMEDIATE");
        manager.DatabaseCheckBroadcast(version, false);
        DBInt().ExecSQL("DBCONN", "COMMIT");
    };
    std::unique_ptr<TBenchDatabase> database;
    const auto fresh = [&] {
        DBInt().CloseConnection("DBCONN");
        database.reset();
        database = std::make_unique<TBenchDatabase>(server);
        DBInt().OpenConnection("DBCONN", database->Location());
    };
    fresh();
    if (current) check("");
    for (auto _ : state) {
        if (!current) {
            state.PauseTiming();
            fresh();
            state.ResumeTiming();
        }
        check(current ? "1.4.0.0" : "");
    }
    DBInt().CloseConnection("DBCONN");
}
BENCHMARK(BM_SampleCheck)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond)
    ->UseRealTime()->Repetitions(3)->ReportAggregatesOnly();

// A user's parameter as ParameterMgr reads it, each of 16 threads a desktop with its own
// connection. The database is made once, by whichever thread comes first.
std::unique_ptr<TBenchDatabase> ParameterDatabase;

void BM_ServerParameterReads(benchmark::State& state) {
    if (SkipWithoutServer(state)) return;
    static std::once_flag made;
    std::call_once(made, [] {
        ParameterDatabase = std::make_unique<TBenchDatabase>(true);
        DBInt().OpenConnection("PARAMS", ParameterDatabase->Location());
        DBInt().ExecSQL("PARAMS", "BEGIN");
        CreateZarixTables("PARAMS");
        DBInt().ExecSQL("PARAMS", "INSERT INTO UserParameters VALUES (0, 'Administracja|UserToolbarCaption', 'T'), "
                                  "(7, 'Administracja|UserToolbarCaption', 'N'); COMMIT");
        DBInt().CloseConnection("PARAMS");
    });
    const std::string name = "PARAM" + std::to_string(state.thread_index());
    DBInt().OpenConnection(name, ParameterDatabase->Location());
    for (auto _ : state) {
        TDBQuery query("SELECT COALESCE((SELECT UPAValue FROM UserParameters WHERE UPAUserOrigid = :User AND UPAName = :Name), "
                       "(SELECT UPAValue FROM UserParameters WHERE UPAUserOrigid = 0 AND UPAName = :Name)) AS UPAValue",
                       name);
        query.ParamByName("User", 7);
        query.ParamByName("Name", "administracja|usertoolbarcaption");
        query.Open();
        if (query.FieldByName("UPAValue") != "N") state.SkipWithError("wrong value");
    }
    state.SetItemsProcessed(state.iterations());
    DBInt().CloseConnection(name);
}
BENCHMARK(BM_ServerParameterReads)->Arg(1)->Threads(16)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    ParameterDatabase.reset();
    const auto ratio = [&](const char* name, const std::string& a, const std::string& b, double target) {
        const double x = reporter.Time(a), y = reporter.Time(b);
        if (x > 0 && y > 0) reporter.PrintRatio(name, x / y, target);
    };
    ratio("toolbar_setup_vs_query_sqlite", "BM_ToolBarSetUp/0/real_time", "BM_ToolBarQuery/0/real_time", 3.0);
    ratio("toolbar_setup_vs_query_server", "BM_ToolBarSetUp/1/real_time", "BM_ToolBarQuery/1/real_time", 3.0);
    if (ServerUrl() == nullptr) std::printf("note: no PostgreSQL server; the server figures were skipped\n");
    for (const char* kind : {"0", "1"}) {
        const std::string sqlite = std::string("BM_SampleCheck/0/") + kind + "/real_time";
        const std::string server = std::string("BM_SampleCheck/1/") + kind + "/real_time";
        if (reporter.Time(sqlite) > 0 && reporter.Time(server) > 0)
            std::printf("sample check on a %s database: SQLite %.2f ms, server %.2f ms (server/SQLite %.2f)\n",
                        *kind == '0' ? "new" : "current", reporter.Time(sqlite), reporter.Time(server),
                        reporter.Time(server) / reporter.Time(sqlite));
    }
    return 0;
}
