// The menu set-up, the position sort and the toolbar set-up over commands of loaded plugins,
// against baselines in the same run.
#include "bench_ratio.h"

#include "manager/ZarixPluginManager.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace zarix;

// A manager with `plugins` copies of the bench plugin loaded, each carrying `perPlugin`
// commands "Moduł k|Polecenie j" at positions "k|j" (already in order) instead of its own.
class TCommandHost {
public:
    TCommandHost(int plugins, int perPlugin, bool onToolBar = false) {
        Folder = std::filesystem::temp_directory_path() /
                 ("zarix_bench_cmd_" + std::to_string(getpid()) + "_" + std::to_string(plugins) + "_" +
                  std::to_string(perPlugin));
        std::filesystem::create_directories(Folder);
        for (int i = 0; i < plugins; ++i)
            std::filesystem::copy_file(BENCH_PLUGIN_PATH, Folder / ("modul" + std::to_string(i) + ".bpl"),
                                       std::filesystem::copy_options::overwrite_existing);
        Manager = std::make_unique<TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(Folder.string());
        Manager->LoadPlugins();
        for (int k = 0; k < Manager->PluginCount(); ++k) {
            TZarixPlugin* plugin = Manager->GetPlugins(k);
            plugin->Commands()->Clear();
            for (int j = 0; j < perPlugin; ++j) {
                const std::string n = std::to_string(j);
                plugin->AddCommand(true, "Polecenie " + n, "Opis polecenia " + n,
                                   std::to_string(k) + "|" + n, "Moduł " + std::to_string(k) + "|Polecenie " + n,
                                   [](TObject*) {}, "", j, true, onToolBar ? j : -1, "Polecenie_" + n);
            }
        }
    }
    ~TCommandHost() {
        Manager.reset();
        std::filesystem::remove_all(Folder);
    }
    std::filesystem::path Folder;
    std::unique_ptr<TZarixPluginManager> Manager;
};

void BM_DirectMenuItems(benchmark::State& state) {
    TCommandHost host(50, 20);
    for (auto _ : state) {
        auto menu = std::make_unique<TMainMenu>(nullptr);
        for (int k = 0; k < host.Manager->PluginCount(); ++k) {
            auto* submenu = new TMenuItem(menu.get());
            submenu->SetCaption("Moduł " + std::to_string(k));
            submenu->SetImageIndex(495);
            menu->Items()->Add(submenu);
            TZarixPluginCommands* commands = host.Manager->GetPlugins(k)->Commands();
            for (int j = 0; j < commands->Count(); ++j) {
                const TZarixPluginCommand* c = commands->Items(j);
                auto* item = new TMenuItem(menu.get());
                item->SetCaption(c->Caption());
                item->SetHint(c->Hint());
                item->SetOnClick(c->OnExecute());
                item->SetEnabled(c->Enabled());
                item->SetVisible(c->Visible());
                item->SetImageIndex(c->IconIdx);
                submenu->Add(item);
            }
        }
        state.PauseTiming();
        menu.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DirectMenuItems)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_SetCommandsBasedMenu(benchmark::State& state) {
    TCommandHost host(50, 20);
    for (auto _ : state) {
        auto menu = std::make_unique<TMainMenu>(nullptr);
        host.Manager->SetCommandsBasedMenu(menu.get(), nullptr, nullptr);
        state.PauseTiming();
        if (menu->Items()->Count() != 50) state.SkipWithError("the menu was not built");
        menu.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetCommandsBasedMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_SortPositionShuffled(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TCommandHost host(10, count / 10);
    TMainMenu menu(nullptr);
    host.Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    TList* list = host.Manager->getCommandList();
    std::mt19937 random(12345);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<void*> items;
        for (int i = 0; i < list->Count(); ++i) items.push_back(list->Items(i));
        std::shuffle(items.begin(), items.end(), random);
        for (int i = 0; i < list->Count(); ++i) list->SetItems(i, items[static_cast<std::size_t>(i)]);
        state.ResumeTiming();
        host.Manager->SortPosition();
    }
}
BENCHMARK(BM_SortPositionShuffled)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// 200 commands on the default toolbar, 50 of them chosen by the user.
struct TToolBarHost : TCommandHost {
    TToolBarHost() : TCommandHost(10, 20, true) {
        DBInt().OpenConnection("DBCONN", (Folder / "bench.db").string());
        CreateZarixTables("DBCONN");
        std::string rows = "begin;";
        for (int u = 1; u <= 5; ++u)
            for (int k = 0; k < 10; ++k)
                for (int j = 0; j < 20; j += 4)
                    rows += "insert into UserToolBar values (" + std::to_string(u) + ", 'Moduł " + std::to_string(k) +
                            "|Polecenie " + std::to_string(j) + "');";
        DBInt().ExecSQL("DBCONN", rows + "commit;");
        Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
        Manager->ToolBarMustRefresh(3);
    }
    ~TToolBarHost() { DBInt().CloseConnection("DBCONN"); }
    TMainMenu Menu{nullptr};
};

void BM_UserToolBarQuery(benchmark::State& state) {
    TToolBarHost host;
    for (auto _ : state) {
        TDBQuery rows("Select * from UserToolBar where UTBUserOrigid=3", "DBCONN");
        rows.Open();
        int count = 0;
        for (; !rows.Eof(); rows.Next()) count += !rows.FieldByName("UTBMenuPath").empty();
        if (count != 50) state.SkipWithError("expected 50 rows");
    }
}
BENCHMARK(BM_UserToolBarQuery)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_SetCommandsBasedToolBar(benchmark::State& state) {
    TToolBarHost host;
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    for (auto _ : state) {
        host.Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
        if (bar.ButtonCount() != 50) state.SkipWithError("expected 50 buttons");
    }
}
BENCHMARK(BM_SetCommandsBasedToolBar)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    std::printf("\nSortPosition over shuffled positions (quadratic by design):\n");
    std::printf("%8s %12s %8s\n", "commands", "ms", "growth");
    double previous = 0;
    double worstGrowth = 0;
    for (int n : {1000, 2000, 4000, 8000}) {
        const double t = reporter.Time("BM_SortPositionShuffled/" + std::to_string(n) + "/real_time");
        std::printf("%8d %12.3f %8s\n", n, t, previous > 0 ? std::to_string(t / previous).substr(0, 5).c_str() : "");
        if (previous > 0) worstGrowth = std::max(worstGrowth, t / previous);
        previous = t;
    }
    reporter.PrintRatio("menu_setup_1000_commands",
                        reporter.Time("BM_SetCommandsBasedMenu/real_time") / reporter.Time("BM_DirectMenuItems/real_time"),
                        3.0);
    reporter.PrintRatio("sort_position_growth_per_doubling", worstGrowth, 4.0);
    reporter.PrintRatio("toolbar_setup_200_commands_50_rows",
                        reporter.Time("BM_SetCommandsBasedToolBar/real_time") /
                            reporter.Time("BM_UserToolBarQuery/real_time"),
                        3.0);
    return 0;
}
