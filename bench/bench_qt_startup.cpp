// Start-up to the first paint of the main window, with the sample modules and 200 generated
// plugins of ten commands each: the framework loading them and the front-end mirroring its
// menu, against a plain Qt program that dlopens the same libraries and builds the same menus
// directly, in the same process and the same run.
#include "bench_ratio.h"
#include "qt_first_paint.h"

#include "manager/ZarixPluginManager.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "qt/front_end.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zarix;

// The framework's start: the frame mirrored with its menu, then the plugins loaded and their
// commands put into the menu, then the frame shown.
struct TFrameworkStart {
    explicit TFrameworkStart(qt::TQtFrontEnd& FrontEnd) : FrontEnd(FrontEnd) {}
    bool Run() {
        Frame->SetFormStyle(fsMDIForm);
        Frame->SetBounds(0, 0, 1000, 700);
        QMainWindow* window = FrontEnd.MirrorFrame(Frame);
        FrontEnd.SetMainMenu(Frame, Menu);
        Manager = std::make_unique<TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(STARTUP_PLUGIN_DIR);
        Manager->LoadPlugins();
        Manager->SetCommandsBasedMenu(Menu, nullptr, nullptr);
        return ShowUntilPainted([&] { Frame->Show(); }, InsideWindow(window));
    }
    qt::TQtFrontEnd& FrontEnd;
    TComponent Host{nullptr};
    TForm* Frame = new TForm(&Host);
    TMainMenu* Menu = new TMainMenu(&Host);
    std::unique_ptr<TZarixPluginManager> Manager;  // last, so the plugins go first
};

// A menu as plain data, for the plain program to build.
struct TMenuShape {
    std::string Caption;
    std::vector<TMenuShape> Items;
};

TMenuShape ShapeOf(const TMenuItem* Item) {
    TMenuShape shape{Item->Caption(), {}};
    for (int i = 0; i < Item->Count(); ++i) shape.Items.push_back(ShapeOf(Item->Items(i)));
    return shape;
}

std::size_t ItemCount(const TMenuShape& Shape) {
    std::size_t count = Shape.Items.size();
    for (const TMenuShape& item : Shape.Items) count += ItemCount(item);
    return count;
}

void AddItems(QWidget* Container, const TMenuShape& Shape) {
    for (const TMenuShape& item : Shape.Items) {
        auto* action = new QAction(QString::fromStdString(item.Caption), Container);
        if (!item.Items.empty()) {
            auto* submenu = new QMenu(Container);
            AddItems(submenu, item);
            action->setMenu(submenu);
        } else {
            QObject::connect(action, &QAction::triggered, action, [] {});
        }
        Container->addAction(action);
    }
}

// One start of the framework, timed by the caller; false when it did not come up.
bool StartFramework(qt::TQtFrontEnd& FrontEnd, std::unique_ptr<TFrameworkStart>& Start) {
    Start = std::make_unique<TFrameworkStart>(FrontEnd);
    return Start->Run();
}

// Its end, untimed: true when the start had loaded the plugins.
bool EndFramework(std::unique_ptr<TFrameworkStart>& Start) {
    const int plugins = Start->Manager->PluginCount();
    Start.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return plugins >= 200;
}

// What the plain program needs: the libraries the framework loads and the menu it builds.
struct TPlainInput {
    TMenuShape Shape;
    std::vector<std::string> Files;
    TPlainInput() {
        {
            qt::TQtFrontEnd frontEnd;
            TFrameworkStart start(frontEnd);
            start.Run();
            Shape = ShapeOf(start.Menu->Items());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const auto& entry : std::filesystem::directory_iterator(STARTUP_PLUGIN_DIR))
            if (entry.path().extension() == ".bpl") Files.push_back(entry.path().string());
    }
};

struct TPlainStart {
    std::vector<void*> Libraries;
    std::unique_ptr<QMainWindow> Window;
    bool Painted = false;
};

void StartPlain(const TPlainInput& Input, TPlainStart& Start) {
    for (const std::string& file : Input.Files)
        if (void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) Start.Libraries.push_back(library);
    Start.Window = std::make_unique<QMainWindow>();
    Start.Window->resize(1000, 700);
    Start.Window->setCentralWidget(new QMdiArea);
    AddItems(Start.Window->menuBar(), Input.Shape);
    Start.Painted = ShowUntilPainted([&] { Start.Window->show(); }, InsideWindow(Start.Window.get()));
}

// Untimed: true when the start had loaded every library and painted.
bool EndPlain(const TPlainInput& Input, TPlainStart& Start) {
    Start.Window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const bool started = Start.Painted && Start.Libraries.size() == Input.Files.size();
    for (auto it = Start.Libraries.rbegin(); it != Start.Libraries.rend(); ++it) dlclose(*it);
    Start = TPlainStart{};
    return started;
}

void BM_FrameworkStartUp(benchmark::State& state) {
    qt::TQtFrontEnd frontEnd;
    for (auto _ : state) {
        std::unique_ptr<TFrameworkStart> start;
        const bool painted = StartFramework(frontEnd, start);
        state.PauseTiming();
        if (!EndFramework(start) || !painted) {
            state.SkipWithError("the main window was not started");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FrameworkStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_PlainQtStartUp(benchmark::State& state) {
    const TPlainInput input;
    if (ItemCount(input.Shape) < 2000) state.SkipWithError("the framework built no menu to copy");
    for (auto _ : state) {
        TPlainStart start;
        StartPlain(input, start);
        state.PauseTiming();
        if (!EndPlain(input, start)) {
            state.SkipWithError("the plain program did not start");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlainQtStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// The two starts in turns, for the ratio: timed apart, each saw another moment of a shared
// machine, and the ratio swung from 1.1 to 1.8 run to run.
std::vector<double> gStartRatios;

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void BM_StartUpPaired(benchmark::State& state) {
    const TPlainInput input;
    qt::TQtFrontEnd frontEnd;
    for (auto _ : state) {
        // Each ends before the other starts: a library still loaded would cost the next nothing.
        TPlainStart plain;
        double at = Seconds();
        StartPlain(input, plain);
        const double plainSeconds = Seconds() - at;
        const bool plainStarted = EndPlain(input, plain);
        std::unique_ptr<TFrameworkStart> framework;
        at = Seconds();
        const bool painted = StartFramework(frontEnd, framework);
        const double frameworkSeconds = Seconds() - at;
        if (!plainStarted || !EndFramework(framework) || !painted) {
            state.SkipWithError("a start did not come up");
            break;
        }
        gStartRatios.push_back(frameworkSeconds / plainSeconds);
    }
}
BENCHMARK(BM_StartUpPaired)->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    TBenchApplication app(argc, argv);
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    if (!gStartRatios.empty()) {
        std::sort(gStartRatios.begin(), gStartRatios.end());
        reporter.PrintRatio("startup_first_paint_over_plain_qt", gStartRatios[gStartRatios.size() / 2], 1.5);
    }
    return 0;
}
