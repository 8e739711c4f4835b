// The main menu of 1,000 commands built by the manager and shown by the Qt front-end's mirror,
// against the same QMenu/QAction tree built directly with Qt, in the same run.
#include "bench_command_host.h"
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

void BM_MirroredCommandMenu(benchmark::State& state) {
    TMenuHost host;
    qt::TQtFrontEnd frontEnd;
    TForm frame(nullptr);
    frame.SetFormStyle(fsMDIForm);
    QMainWindow* window = frontEnd.MirrorFrame(&frame);
    for (auto _ : state) {
        // The host's way: the mirrored menu exists first and the manager fills it.
        auto menu = std::make_unique<TMainMenu>(nullptr);
        frontEnd.SetMainMenu(&frame, menu.get());
        host.Manager->SetCommandsBasedMenu(menu.get(), nullptr, nullptr);
        state.PauseTiming();
        const bool built = window->menuBar()->actions().size() == kPlugins &&
                           frontEnd.ActionOf(menu->Items()->Items(0)->Items(0)) != nullptr;
        frontEnd.SetMainMenu(&frame, nullptr);
        menu.reset();
        Flush();
        if (!built) {
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
        QMenuBar* bar = window.menuBar();
        for (int k = 0; k < host.Manager->PluginCount(); ++k) {
            QMenu* submenu = bar->addMenu(QStringLiteral("Moduł %1").arg(k));
            TZarixPluginCommands* commands = host.Manager->GetPlugins(k)->Commands();
            for (int j = 0; j < commands->Count(); ++j) {
                const TZarixPluginCommand* command = commands->Items(j);
                auto* action = new QAction(QString::fromStdString(command->Caption()), submenu);
                action->setStatusTip(QString::fromStdString(command->Hint()));
                action->setEnabled(command->Enabled());
                QObject::connect(action, &QAction::triggered, action, [handler = command->OnExecute()] { handler(nullptr); });
                submenu->addAction(action);
            }
        }
        state.PauseTiming();
        const bool built = bar->actions().size() == kPlugins;
        for (QAction* action : bar->actions()) delete action->menu();
        bar->clear();
        Flush();
        if (!built) {
            state.SkipWithError("the menu bar was not built");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DirectQtMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    TBenchApplication app(argc, argv);
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    const double direct = reporter.Time("BM_DirectQtMenu/real_time");
    if (direct > 0)
        reporter.PrintRatio("mirrored_menu_over_direct_qt",
                            reporter.Time("BM_MirroredCommandMenu/real_time") / direct, 1.5);
    return 0;
}
