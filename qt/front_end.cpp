// The front-end: the seam's handler, discovery of objects to mirror, and the event-loop hooks.
#include "qt/front_end.h"

#include "platform/os/module_info.h"
#include "platform/os/module_unload.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/message_box.h"
#include "platform/ui/tree_view.h"
#include "qt/form_adapter.h"
#include "qt/frame_adapter.h"
#include "qt/message_box_dialog.h"
#include "qt/module_classes.h"
#include "qt/progress_adapter.h"
#include "services/controls/progress_form.h"
#include "services/exception_handler.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cassert>
#include <cstdio>
#include <vector>

namespace zarix::qt {

namespace {
TQtFrontEnd* GInstance = nullptr;
}

struct TQtFrontEnd::THooks {
    QObject Context;  // disconnects the event-loop hooks when it goes
    TMessageBoxHandler PreviousMessageBox;
    TExceptionSink PreviousSink;
    std::function<void()> PreviousWakeUp;
    uint64_t UnloadObserver = 0;
};

TQtFrontEnd::TQtFrontEnd() : FHooks(std::make_unique<THooks>()) {
    assert(GInstance == nullptr && "one front-end at a time");
    assert(QApplication::instance() != nullptr && "the front-end needs a QApplication");
    GInstance = this;
    FPreviousHandler = SetUIChangeHandler([this](const TUIChange& Change) { OnChange(Change); });
    FHooks->PreviousMessageBox = SetMessageBoxHandler(&ShowMessageBoxDialog);
    // Reports still reach the sink installed before (the log); the person sees them too.
    FHooks->PreviousSink = SetExceptionSink([](const TExceptionReport& Report) {
        const TQtFrontEnd* self = GInstance;
        if (self != nullptr && self->FHooks->PreviousSink) self->FHooks->PreviousSink(Report);
        else std::fprintf(stderr, "%s\n", FormatExceptionReport(Report).c_str());
        ShowExceptionReport(Report);
    });
    // Messages posted to the application (a form's deferred release) run once Qt has nothing
    // else to do, as they did when the platform's message loop went idle.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &FHooks->Context,
                         [this] { ScheduleMessages(); });
    // A message posted by another thread while the loop sleeps must wake it: the queued call is
    // an event posted to the UI thread, which is safe from any thread.
    FHooks->PreviousWakeUp = Application().SetMessageWakeUp([this, context = &FHooks->Context] {
        QMetaObject::invokeMethod(context, [this] { ScheduleMessages(); }, Qt::QueuedConnection);
    });
    FHooks->UnloadObserver = AddModuleUnloadObserver([this](const TModuleUnload& Unload) { DropModule(Unload.Module); });
}

TQtFrontEnd::~TQtFrontEnd() {
    RemoveModuleUnloadObserver(FHooks->UnloadObserver);
    Application().SetMessageWakeUp(std::move(FHooks->PreviousWakeUp));
    SetUIChangeHandler(std::move(FPreviousHandler));
    SetMessageBoxHandler(std::move(FHooks->PreviousMessageBox));
    SetExceptionSink(std::move(FHooks->PreviousSink));
    FRegistry.Clear();
    GInstance = nullptr;
}

TQtFrontEnd* TQtFrontEnd::Instance() noexcept { return GInstance; }

void TQtFrontEnd::Guarded(const char* Context, const std::function<void()>& Action) {
    try {
        Action();
    } catch (const std::exception& e) {
        ZarixExceptionHandler(e, Context, Here());
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), Context, Here());
    }
}

void TQtFrontEnd::ScheduleMessages() {
    if (FMessagesScheduled || Application().PendingMessages() == 0) return;
    FMessagesScheduled = true;
    QTimer::singleShot(0, &FHooks->Context, [this] {
        FMessagesScheduled = false;
        Guarded("Application.ProcessMessages", [] { Application().ProcessMessages(); });
    });
}

void TQtFrontEnd::DropModule(const void* Module) {
    const auto builtIn = [Module](const auto& Callback) {
        return Callback && ModuleOfCode(&Callback.target_type()) == Module;
    };
    if (builtIn(FSubWindowPolicy)) FSubWindowPolicy = nullptr;
    if (builtIn(FObserver)) FObserver = nullptr;
    FRegistry.RemoveOfModule(Module);
    // Widgets of the library's own classes, made by its code outside the mirror: deleted now,
    // not later, since their virtual functions go with the library. The outermost of them
    // takes the ones inside it.
    TClassesOfModule ofModule(Module);
    std::vector<QPointer<QWidget>> doomed;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (!ofModule.Holds(*widget)) continue;
        bool inner = false;
        for (QWidget* up = widget->parentWidget(); up != nullptr && !inner; up = up->parentWidget())
            inner = ofModule.Holds(*up);
        if (!inner) doomed.emplace_back(widget);
    }
    for (const QPointer<QWidget>& widget : doomed) delete widget.data();
}

void TQtFrontEnd::PumpEvents() {
    // ProcessMessages asks for Qt's events and Qt's events may call ProcessMessages: one level.
    if (FPumping) return;
    FPumping = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FPumping = false;
}

void TQtFrontEnd::OnChange(const TUIChange& Change) {
    if (FPreviousHandler) FPreviousHandler(Change);
    if (Change.Sender == &Application()) {
        if (Change.What == "ProcessMessages") PumpEvents();
        else if (Change.What == "ActiveForm")
            if (TAdapter* adapter = FRegistry.AdapterOf(Application().ActiveForm()))
                adapter->Changed(Application().ActiveForm(), "Focus");
        return;
    }
    if (TAdapter* adapter = FRegistry.Route(Change.Sender)) adapter->Changed(Change.Sender, Change.What);
    else Discover(Change.Sender, Change.What);
    if (FObserver) FObserver(Change, WidgetOf(Change.Sender));
}

void TQtFrontEnd::Discover(TComponent* Sender, std::string_view What) {
    if (Sender == nullptr || Sender->ComponentState().Destroying) return;
    // A menu item not yet in a mirrored menu, the most common sender while a menu is built: its
    // menu's adapter shows it once it joins, and nothing here would.
    if (typeid(*Sender) == typeid(TMenuItem)) return;
    // A tree node reports its own changes; its tree's adapter shows it.
    if (auto* node = dynamic_cast<TTreeNode*>(Sender)) {
        if (TAdapter* adapter = FRegistry.AdapterOf(node->TreeView())) adapter->Changed(Sender, What);
        return;
    }
    // A control that came into a mirrored form (or one of its controls) is shown by the form.
    if (auto* control = dynamic_cast<TControl*>(Sender)) {
        TComponent* parent = control->Parent();
        while (auto* inner = dynamic_cast<TControl*>(parent)) parent = inner->Parent();
        if (TAdapter* adapter = FRegistry.AdapterOf(parent)) adapter->Changed(parent, "Controls");
        return;
    }
    // Forms come into view when they are shown; a frame's children join through the frame.
    auto* form = dynamic_cast<TForm*>(Sender);
    if (form == nullptr || What != "Visible" || !form->Visible()) return;
    if (auto* progress = dynamic_cast<TProgressFrm*>(form)) {
        FRegistry.Add(std::make_unique<TProgressAdapter>(*this, progress));
    } else if (form->FormStyle() == fsNormal && FSubWindowPolicy && FPolicyFrame && FSubWindowPolicy(form)) {
        FrameAdapter(FPolicyFrame.Get()).Host(form);
    } else if (form->FormStyle() == fsNormal) {
        FRegistry.Add(std::make_unique<TFormAdapter>(*this, form));
    } else if (form->FormStyle() == fsMDIChild && form->MDIParent() != nullptr) {
        if (TAdapter* frame = FRegistry.AdapterOf(form->MDIParent())) frame->Changed(form->MDIParent(), "MDIChildren");
    }
}

TFrameAdapter& TQtFrontEnd::FrameAdapter(TForm* Frame) {
    if (auto* adapter = dynamic_cast<TFrameAdapter*>(FRegistry.AdapterOf(Frame))) return *adapter;
    return static_cast<TFrameAdapter&>(*FRegistry.Add(std::make_unique<TFrameAdapter>(*this, Frame)));
}

QMainWindow* TQtFrontEnd::MirrorFrame(TForm* Frame) { return FrameAdapter(Frame).MainWindow(); }

void TQtFrontEnd::SetMainMenu(TForm* Frame, TMenu* Menu) { FrameAdapter(Frame).SetMainMenu(Menu); }

void TQtFrontEnd::SetToolBar(TForm* Frame, TToolBar* ToolBar, TActionList* Actions) {
    FrameAdapter(Frame).SetToolBar(ToolBar, Actions);
}

void TQtFrontEnd::SetActiveWindowsTree(TForm* Frame, TTreeView* Tree, const std::string& Title) {
    FrameAdapter(Frame).SetActiveWindowsTree(Tree, Title);
}

void TQtFrontEnd::SetSubWindowPolicy(TForm* Frame, TSubWindowPolicy Policy) {
    FPolicyFrame = Frame;
    FSubWindowPolicy = std::move(Policy);
}

QMdiArea* TQtFrontEnd::AreaOf(const TForm* Frame) const {
    const auto* adapter = dynamic_cast<const TFrameAdapter*>(FRegistry.AdapterOf(Frame));
    return adapter != nullptr ? adapter->Area() : nullptr;
}

QWidget* TQtFrontEnd::WidgetOf(const TComponent* Model) const {
    if (const TAdapter* adapter = FRegistry.Route(Model)) return adapter->WidgetOf(Model);
    return nullptr;
}

QAction* TQtFrontEnd::ActionOf(const TComponent* Model) const {
    if (const TAdapter* adapter = FRegistry.Route(Model)) return adapter->ActionOf(Model);
    return nullptr;
}

}  // namespace zarix::qt
