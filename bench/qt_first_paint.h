// The Qt benchmarks' common ground: a QApplication on the offscreen platform, and showing a
// window until it has painted itself once.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <malloc.h>

#include <cstddef>
#include <utility>

/// The benchmark's QApplication, on the offscreen platform unless the environment names another.
class TBenchApplication {
public:
    TBenchApplication(int& argc, char** argv) : FApp((Platform(), argc), argv) {}

private:
    static void Platform() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication FApp;
};

/// Runs Show, then processes events until a widget IsTarget accepts has had its first paint
/// event; false when none came within ten seconds.
template <class Show, class IsTarget>
bool ShowUntilPainted(Show&& show, IsTarget isTarget) {
    struct TWatch : QObject {
        explicit TWatch(IsTarget Target) : Target(std::move(Target)) {}
        IsTarget Target;
        bool Painted = false;
        bool eventFilter(QObject* Object, QEvent* Event) override {
            if (Event->type() == QEvent::Paint && !Painted) Painted = Target(Object);
            return false;
        }
    } watch(std::move(isTarget));
    QCoreApplication::instance()->installEventFilter(&watch);
    show();
    QElapsedTimer clock;
    clock.start();
    while (!watch.Painted && clock.elapsed() < 10'000) QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(&watch);
    return watch.Painted;
}

/// A paint target: any widget inside the window Window.
inline auto InsideWindow(const QWidget* Window) {
    return [Window](QObject* Object) {
        auto* widget = qobject_cast<QWidget*>(Object);
        return widget != nullptr && widget->window() == Window;
    };
}

/// Bytes the process holds on the heap now.
inline std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}
