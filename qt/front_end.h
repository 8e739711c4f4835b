// The Qt front-end: installs itself on the headless toolkit's change seam and mirrors the
// frame, its MDI children, menus, toolbar, shortcuts, the active-windows tree, progress
// windows, forms and message boxes into Qt widgets, feeding a person's actions back into them.
#pragma once

#include "platform/ui/forms.h"
#include "platform/ui/ui_change.h"
#include "qt/adapter_registry.h"
#include "qt/export.h"

#include <functional>

class QAction;
class QMainWindow;
class QMdiArea;
class QWidget;

namespace zarix {
class TActionList;
class TForm;
class TMenu;
class TToolBar;
class TTreeView;
}  // namespace zarix

namespace zarix::qt {

class TFrameAdapter;

/// One per QApplication, made after it and destroyed before it. While it lives, every
/// headless change is mirrored, Application().ProcessMessages() also processes Qt's pending
/// events, and the application's posted messages (deferred releases among them) run when
/// Qt's event loop goes idle.
class ZARIX_QT_API TQtFrontEnd {
public:
    TQtFrontEnd();
    ~TQtFrontEnd();
    TQtFrontEnd(const TQtFrontEnd&) = delete;
    TQtFrontEnd& operator=(const TQtFrontEnd&) = delete;

    /// The front-end alive now, or nullptr.
    static TQtFrontEnd* Instance() noexcept;

    /// Mirrors Frame (an MDI frame) into a main window holding its MDI children, with Menu as
    /// its menu bar, ToolBar as its toolbar, Actions' shortcuts working anywhere in it, and Tree
    /// in a dock beside the windows. Any of the four may be nullptr and set later.
    QMainWindow* MirrorFrame(TForm* Frame);
    void SetMainMenu(TForm* Frame, TMenu* Menu);
    void SetToolBar(TForm* Frame, TToolBar* ToolBar, TActionList* Actions);
    void SetActiveWindowsTree(TForm* Frame, TTreeView* Tree, const std::string& Title);

    /// Decides which shown forms that are not MDI children in the model the main window still
    /// holds as sub-windows: a host whose windows are registered in a window container, say.
    using TSubWindowPolicy = std::function<bool(TForm* Form)>;
    void SetSubWindowPolicy(TForm* Frame, TSubWindowPolicy Policy);
    /// The MDI area of a mirrored frame, for arranging its windows; nullptr when not mirrored.
    QMdiArea* AreaOf(const TForm* Frame) const;

    /// The widget showing Model (a form's window, a control, a toolbar), or nullptr.
    QWidget* WidgetOf(const TComponent* Model) const;
    /// The action showing a menu item, tool button or action, or nullptr.
    QAction* ActionOf(const TComponent* Model) const;
    /// The adapters alive, for checks that nothing outlived its model.
    std::size_t AdapterCount() const noexcept { return FRegistry.Count(); }

    /// Called after each change has been shown, with the widget showing its sender (nullptr
    /// when none does): for hosts that record or capture what a person sees.
    using TChangeObserver = std::function<void(const TUIChange& Change, QWidget* Widget)>;
    void SetChangeObserver(TChangeObserver Observer) { FObserver = std::move(Observer); }

    TAdapterRegistry& Registry() noexcept { return FRegistry; }
    /// Runs Action, reporting what it raises as the platform reports an unhandled exception
    /// (a message box): nothing a model raises may unwind through Qt's event loop.
    static void Guarded(const char* Context, const std::function<void()>& Action);

private:
    void OnChange(const TUIChange& Change);
    void Discover(TComponent* Sender, std::string_view What);
    void PumpEvents();
    /// Drops every adapter, widget and callback whose code lies in Module, which is unloading.
    void DropModule(const void* Module);
    void ScheduleMessages();
    TFrameAdapter& FrameAdapter(TForm* Frame);

    TAdapterRegistry FRegistry;
    TUIChangeHandler FPreviousHandler;
    TChangeObserver FObserver;
    TWeak<TForm> FPolicyFrame;
    TSubWindowPolicy FSubWindowPolicy;
    bool FPumping = false;
    bool FMessagesScheduled = false;
    struct THooks;
    std::unique_ptr<THooks> FHooks;
};

}  // namespace zarix::qt
