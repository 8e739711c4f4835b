// The menu set-up, the position sort and the toolbar set-up over commands of loaded plugins,
// against baselines in the same run.
#include "bench_command_host.h"
#include "bench_pairs.h"
#include "bench_ratio.h"

#include "manager/ZarixPluginManager.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace zarix;

// The menu benchmarks' commands carry images and toolbar captions, as a real module's do.
class TCommandHost : public TBenchCommandHost {
public:
    TCommandHost(int plugins, int perPlugin, bool onToolBar = false)
        : TBenchCommandHost("cmd", plugins, perPlugin,
                            onToolBar ? TBenchCommands::OnToolBar : TBenchCommands::WithImages) {}
};

// The menu a host would build by hand from the same commands: a submenu per plugin, an item per
// command, with what the manager gives its items.
std::unique_ptr<TMainMenu> DirectMenu(const TZarixPluginManager& manager) {
    auto menu = std::make_unique<TMainMenu>(nullptr);
    for (int k = 0; k < manager.PluginCount(); ++k) {
        auto* submenu = new TMenuItem(menu.get());
        submenu->SetCaption("Moduł " + std::to_string(k));
        submenu->SetImageIndex(495);
        menu->Items()->Add(submenu);
        TZarixPluginCommands* commands = manager.GetPlugins(k)->Commands();
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
    return menu;
}

void BM_DirectMenuItems(benchmark::State& state) {
    TCommandHost host(50, 20);
    for (auto _ : state) {
        auto menu = DirectMenu(*host.Manager);
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

// The two above in turns, for the ratio: apart, each sees another state of the allocator and
// another moment of a shared machine.
TPairSamples gMenuPairs;

void BM_MenuSetupPaired(benchmark::State& state) {
    TCommandHost host(50, 20);
    std::unique_ptr<TMainMenu> menu;
    for (auto _ : state) {
        TimePairOnce(
            gMenuPairs, [&] { menu = DirectMenu(*host.Manager); },
            [&] {
                menu = std::make_unique<TMainMenu>(nullptr);
                host.Manager->SetCommandsBasedMenu(menu.get(), nullptr, nullptr);
            },
            [&] { menu.reset(); });
    }
}
BENCHMARK(BM_MenuSetupPaired)->Iterations(200)->Unit(benchmark::kMillisecond);

// The same shuffles of the same list for both sorts: the generator starts anew for each size.
std::vector<std::size_t> Shuffled(std::size_t count, std::mt19937& random) {
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    return order;
}

// With a second argument of 1, one command's position is cut to its first level, so that it
// leads its group's longer positions: the sort must then run its passes. Without it, every
// position is plain and leads no other, which the sort finishes as a stable sort.
TList* SortedCommands(TCommandHost& host, TMainMenu& menu, bool leading) {
    host.Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    TList* list = host.Manager->getCommandList();
    if (leading) {
        auto* first = static_cast<TZarixPluginCommand*>(list->Items(0));
        first->SetMenuPosition(Explode("|", first->MenuPosition()).front());
    }
    return list;
}

void BM_SortPositionShuffled(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TCommandHost host(10, count / 10);
    TMainMenu menu(nullptr);
    TList* list = SortedCommands(host, menu, state.range(1) != 0);
    std::vector<void*> sorted;
    for (int i = 0; i < list->Count(); ++i) sorted.push_back(list->Items(i));
    std::mt19937 random(12345);
    for (auto _ : state) {
        state.PauseTiming();
        const auto order = Shuffled(sorted.size(), random);
        for (std::size_t i = 0; i < order.size(); ++i) list->SetItems(static_cast<int>(i), sorted[order[i]]);
        state.ResumeTiming();
        host.Manager->SortPosition();
    }
}
BENCHMARK(BM_SortPositionShuffled)->ArgsProduct({{1000, 8000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// The baseline: a plain bubble sort with the same passes and the same pair rule over integer
// keys converted before the clock starts, of the same lists shuffled the same way.
void BM_BubbleSortIntegerKeys(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TCommandHost host(10, count / 10);
    TMainMenu menu(nullptr);
    TList* list = SortedCommands(host, menu, state.range(1) != 0);
    struct TKeys {
        void* Command;
        const int32_t* Keys;
        uint32_t Count;
    };
    std::vector<std::vector<int32_t>> keys;
    std::vector<TKeys> sorted;
    for (int i = 0; i < list->Count(); ++i) {
        std::vector<int32_t> levels;
        for (const std::string& level : Explode("|", static_cast<TZarixPluginCommand*>(list->Items(i))->MenuPosition()))
            levels.push_back(StrToInt(level));
        keys.push_back(std::move(levels));
    }
    for (int i = 0; i < list->Count(); ++i) {
        const auto& k = keys[static_cast<std::size_t>(i)];
        sorted.push_back({list->Items(i), k.data(), static_cast<uint32_t>(k.size())});
    }
    const auto greater = [](const TKeys& a, const TKeys& b) {
        const uint32_t m = std::min(a.Count, b.Count);
        uint32_t same = 0;
        for (uint32_t k = 0; k < m; ++k) {
            if (a.Keys[k] > b.Keys[k]) {
                while (same < k && a.Keys[same] == b.Keys[same]) ++same;
                if (same == k) return true;
            }
        }
        return false;
    };
    std::mt19937 random(12345);
    std::vector<TKeys> entries(sorted.size());
    for (auto _ : state) {
        state.PauseTiming();
        const auto order = Shuffled(sorted.size(), random);
        for (std::size_t i = 0; i < order.size(); ++i) entries[i] = sorted[order[i]];
        state.ResumeTiming();
        const std::size_t n = entries.size();
        for (std::size_t pass = 0; pass < n; ++pass) {
            bool exchanged = false;
            for (std::size_t i = 0; i + 1 < n; ++i) {
                if (greater(entries[i], entries[i + 1])) {
                    std::swap(entries[i], entries[i + 1]);
                    exchanged = true;
                }
            }
            if (!exchanged) break;
        }
        for (std::size_t i = 0; i < n; ++i) list->SetItems(static_cast<int>(i), entries[i].Command);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_BubbleSortIntegerKeys)->ArgsProduct({{1000, 8000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// 200 commands on the default toolbar, 50 of them chosen by the user.
struct TToolBarHost : TCommandHost {
    TToolBarHost() : TCommandHost(10, 20, true) {
        OpenToolBarDatabase((Folder / "bench.db").string());
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

TPairSamples gToolBarPairs;

void BM_ToolBarSetupPaired(benchmark::State& state) {
    TToolBarHost host;
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    for (auto _ : state) {
        TimePairOnce(
            gToolBarPairs,
            [&] {
                TDBQuery rows("Select * from UserToolBar where UTBUserOrigid=3", "DBCONN");
                rows.Open();
                int count = 0;
                for (; !rows.Eof(); rows.Next()) count += !rows.FieldByName("UTBMenuPath").empty();
                benchmark::DoNotOptimize(count);
            },
            [&] { host.Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions); }, [] {});
        if (bar.ButtonCount() != 50) state.SkipWithError("expected 50 buttons");
    }
}
BENCHMARK(BM_ToolBarSetupPaired)->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    reporter.PrintRatio("menu_setup_1000_commands", MedianRatio(gMenuPairs), 2.5);
    for (int n : {1000, 8000})
        for (const char* leading : {"1", "0"}) {
            const std::string args = std::to_string(n) + "/" + leading + "/real_time";
            reporter.PrintRatio("sort_position_" + std::to_string(n) +
                                    (*leading == '1' ? "_with_passes" : "_plain_levels") + "_vs_integer_bubble_sort",
                                reporter.Time("BM_SortPositionShuffled/" + args) /
                                    reporter.Time("BM_BubbleSortIntegerKeys/" + args),
                                2.0);
        }
    reporter.PrintRatio("toolbar_setup_200_commands_50_rows", MedianRatio(gToolBarPairs), 3.0);
    return 0;
}
