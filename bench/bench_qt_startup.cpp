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

void BM_FrameworkStartUp(benchmark::State& state) {
    qt::TQtFrontEnd frontEnd;
    for (auto _ : state) {
        auto start = std::make_unique<TFrameworkStart>(frontEnd);
        const bool painted = start->Run();
        state.PauseTiming();
        const int plugins = start->Manager->PluginCount();
        start.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!painted || plugins < 200) {
            state.SkipWithError(("the main window was not started (" + std::to_string(plugins) + " plugins)").c_str());
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FrameworkStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

void BM_PlainQtStartUp(benchmark::State& state) {
    TMenuShape shape;
    {
        qt::TQtFrontEnd frontEnd;
        TFrameworkStart start(frontEnd);
        start.Run();
        shape = ShapeOf(start.Menu->Items());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (ItemCount(shape) < 2000) state.SkipWithError("the framework built no menu to copy");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(STARTUP_PLUGIN_DIR))
        if (entry.path().extension() == ".bpl") files.push_back(entry.path().string());
    for (auto _ : state) {
        std::vector<void*> libraries;
        for (const std::string& file : files)
            if (void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) libraries.push_back(library);
        auto window = std::make_unique<QMainWindow>();
        window->resize(1000, 700);
        window->setCentralWidget(new QMdiArea);
        AddItems(window->menuBar(), shape);
        const bool painted = ShowUntilPainted([&] { window->show(); }, InsideWindow(window.get()));
        state.PauseTiming();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const bool loaded = libraries.size() == files.size();
        for (auto it = libraries.rbegin(); it != libraries.rend(); ++it) dlclose(*it);
        if (!painted || !loaded) {
            state.SkipWithError("the plain program did not start");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlainQtStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    TBenchApplication app(argc, argv);
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    const double plain = reporter.Time("BM_PlainQtStartUp/real_time");
    if (plain > 0)
        reporter.PrintRatio("startup_first_paint_over_plain_qt", reporter.Time("BM_FrameworkStartUp/real_time") / plain, 1.5);
    return 0;
}
