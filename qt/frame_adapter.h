// The MDI frame as a QMainWindow around a QMdiArea, with the menu bar, toolbar, shortcuts and
// active-windows dock the host gives it.
#pragma once

#include "platform/ui/forms.h"
#include "qt/adapter.h"

#include <QMdiArea>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class QMainWindow;
class QMdiArea;
class QMdiSubWindow;

namespace zarix {
class TActionList;
class TMenu;
class TToolBar;
class TTreeView;
}  // namespace zarix

namespace zarix::qt {

class TFrameAdapter : public TAdapter {
public:
    TFrameAdapter(TQtFrontEnd& FrontEnd, TForm* Frame);
    ~TFrameAdapter() override;

    TForm* Frame() const noexcept { return static_cast<TForm*>(Model()); }
    QMainWindow* MainWindow() const noexcept;
    QMdiArea* Area() const noexcept { return FArea.data(); }
    QWidget* Widget() const override;
    void Changed(TComponent* Sender, std::string_view What) override;

    void SetMainMenu(TMenu* Menu);
    void SetToolBar(TToolBar* ToolBar, TActionList* Actions);
    void SetActiveWindowsTree(TTreeView* Tree, const std::string& Title);

    /// Shows Form, which the model does not count among the MDI children, as a sub-window.
    void Host(TForm* Form);

    /// The main window was closed, moved or resized by a person.
    void WindowClosing();
    void AreaResized();
    void SubWindowActivated(QMdiSubWindow* Window);

private:
    void SyncChildren();
    void ShowBounds();

    std::unique_ptr<QMainWindow> FWindow;
    QPointer<QMdiArea> FArea;
    // The host's parts of the window, each mirrored by an adapter of its own.
    TWeak<TComponent> FMenu;
    TWeak<TComponent> FToolBar;
    TWeak<TComponent> FActions;
    TWeak<TComponent> FTree;
    std::vector<TWeak<TForm>> FHosted;  // forms held as sub-windows besides the MDI children
    bool FUpdating = false;
};

}  // namespace zarix::qt
