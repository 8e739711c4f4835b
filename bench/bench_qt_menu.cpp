// The main menu of 1,000 commands built by the manager and shown by the Qt front-end's mirror,
// against the same QMenu/QAction tree built directly with Qt, in the same run.
#include "bench_command_host.h"
#include "bench_pairs.h"
#include "bench_ratio.h"
#include "qt_first_paint.h"

#include "manager/ZarixPluginManager.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "qt/front_end.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace zarix;

constexpr int kPlugins = 50;
constexpr int kPerPlugin = 20;

// Menus only: the mirror is measured, not the image list or the toolbar.
struct TMenuHost : TBenchCommandHost {
    TMenuHost() : TBenchCommandHost("qt_menu", kPlugins, kPerPlugin, TBenchCommands::MenuOnly) {}
};

void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The host's way: the mirrored menu exists first and the manager fills it. False when the bar
// did not get the menu.
bool BuildMirrored(TMenuHost& Host, qt::TQtFrontEnd& FrontEnd, TForm& Frame, std::unique_ptr<TMainMenu>& Menu) {
    Menu = std::make_unique<TMainMenu>(nullptr);
    FrontEnd.SetMainMenu(&Frame, Menu.get());
    Host.Manager->SetCommandsBasedMenu(Menu.get(), nullptr, nullptr);
    return FrontEnd.ActionOf(Menu->Items()->Items(0)->Items(0)) != nullptr;
}

void DropMirrored(qt::TQtFrontEnd& FrontEnd, TForm& Frame, std::unique_ptr<TMainMenu>& Menu) {
    FrontEnd.SetMainMenu(&Frame, nullptr);
    Menu.reset();
    Flush();
}

void BuildDirect(TMenuHost& Host, QMenuBar* Bar) {
    for (int k = 0; k < Host.Manager->PluginCount(); ++k) {
        QMenu* submenu = Bar->addMenu(QStringLiteral("Moduł %1").arg(k));
        TZarixPluginCommands* commands = Host.Manager->GetPlugins(k)->Commands();
        for (int j = 0; j < commands->Count(); ++j) {
            const TZarixPluginCommand* command = commands->Items(j);
            auto* action = new QAction(QString::fromStdString(command->Caption()), submenu);
            action->setStatusTip(QString::fromStdString(command->Hint()));
            action->setEnabled(command->Enabled());
            QObject::connect(action, &QAction::triggered, action, [handler = command->OnExecute()] { handler(nullptr); });
            submenu->addAction(action);
        }
    }
}

void DropDirect(QMenuBar* Bar) {
    for (QAction* action : Bar->actions()) delete action->menu();
    Bar->clear();
    Flush();
}

void BM_MirroredCommandMenu(benchmark::State& state) {
    TMenuHost host;
    qt::TQtFrontEnd frontEnd;
    TForm frame(nullptr);
    frame.SetFormStyle(fsMDIForm);
    QMainWindow* window = frontEnd.MirrorFrame(&frame);
    std::unique_ptr<TMainMenu> menu;
    for (auto _ : state) {
        const bool built = BuildMirrored(host, frontEnd, frame, menu);
        state.PauseTiming();
        const bool shown = window->menuBar()->actions().size() == kPlugins;
        DropMirrored(frontEnd, frame, menu);
        if (!built || !shown) {
            state.SkipWithError("the menu bar was not built");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MirroredCommandMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// The manager's share of the mirrored menu: the same items with no front-end to show them.
void BM_UnmirroredCommandMenu(benchmark::State& state) {
    TMenuHost host;
    for (auto _ : state) {
        auto menu = std::make_unique<TMainMenu>(nullptr);
        host.Manager->SetCommandsBasedMenu(menu.get(), nullptr, nullptr);
        state.PauseTiming();
        menu.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UnmirroredCommandMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_DirectQtMenu(benchmark::State& state) {
    TMenuHost host;
    QMainWindow window;
    for (auto _ : state) {
        BuildDirect(host, window.menuBar());
        state.PauseTiming();
        const bool built = window.menuBar()->actions().size() == kPlugins;
        DropDirect(window.menuBar());
        if (!built) {
            state.SkipWithError("the menu bar was not built");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DirectQtMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// The direct menu and the mirrored one in turns, for the ratio: timed apart, the two saw
// different moments of a shared machine.
TPairSamples gMenuPairs;

void BM_MenuPaired(benchmark::State& state) {
    TMenuHost host;
    qt::TQtFrontEnd frontEnd;
    TForm frame(nullptr);
    frame.SetFormStyle(fsMDIForm);
    frontEnd.MirrorFrame(&frame);
    QMainWindow direct;
    std::unique_ptr<TMainMenu> menu;
    bool built = true;
    for (auto _ : state) {
        TimePairOnce(
            gMenuPairs, [&] { BuildDirect(host, direct.menuBar()); },
            [&] { built = BuildMirrored(host, frontEnd, frame, menu) && built; },
            [&] {
                DropDirect(direct.menuBar());
                if (menu) DropMirrored(frontEnd, frame, menu);
            });
    }
    if (!built) state.SkipWithError("the menu bar was not built");
}
BENCHMARK(BM_MenuPaired)->Iterations(60)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    TBenchApplication app(argc, argv);
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    if (!gMenuPairs.Base.empty()) reporter.PrintRatio("mirrored_menu_over_direct_qt", MedianRatio(gMenuPairs), 1.5);
    return 0;
}
