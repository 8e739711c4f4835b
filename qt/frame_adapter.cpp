// The frame adapter.
#include "qt/frame_adapter.h"

#include "platform/ui/actions.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/tree_view.h"
#include "qt/action_list_adapter.h"
#include "qt/front_end.h"
#include "qt/icons.h"
#include "qt/mdi_child_adapter.h"
#include "qt/menu_adapter.h"
#include "qt/toolbar_adapter.h"
#include "qt/tree_view_adapter.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalBlocker>

namespace zarix::qt {

namespace {

class TMainWindow : public QMainWindow {
public:
    explicit TMainWindow(TFrameAdapter* Adapter) : FAdapter(Adapter) {}
    void Detach() noexcept { FAdapter = nullptr; }

protected:
    void closeEvent(QCloseEvent* Event) override {
        // The frame's own closing decides; the window follows its Visible.
        Event->ignore();
        if (FAdapter != nullptr) FAdapter->WindowClosing();
    }

private:
    TFrameAdapter* FAdapter;
};

// The MDI area reports its size: it is the frame's client area, which tiling fills.
class TArea : public QMdiArea {
public:
    explicit TArea(TFrameAdapter* Adapter) : FAdapter(Adapter) {}
    void Detach() noexcept { FAdapter = nullptr; }

protected:
    void resizeEvent(QResizeEvent* Event) override {
        QMdiArea::resizeEvent(Event);
        if (FAdapter != nullptr) FAdapter->AreaResized();
    }

private:
    TFrameAdapter* FAdapter;
};

}  // namespace

TFrameAdapter::TFrameAdapter(TQtFrontEnd& FrontEnd, TForm* Frame)
    : TAdapter(FrontEnd, Frame), FWindow(std::make_unique<TMainWindow>(this)) {
    FUpdating = true;
    auto* area = new TArea(this);
    FArea = area;
    area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    FWindow->setCentralWidget(area);
    FWindow->setWindowTitle(QString::fromStdString(Frame->Caption()));
    FWindow->setWindowIcon(IconOf(Frame->Icon()));
    QObject::connect(area, &QMdiArea::subWindowActivated, FWindow.get(),
                     [this](QMdiSubWindow* window) { SubWindowActivated(window); });
    ShowBounds();
    SyncChildren();
    if (Frame->Visible()) FWindow->show();
    FUpdating = false;
}

TFrameAdapter::~TFrameAdapter() {
    TAdapterRegistry& registry = FrontEnd().Registry();
    // The parts of the window go first, each with its adapter, then the children's windows.
    // The parts of the window go first, each with its adapter. The children's adapters stay
    // until their forms go; their sub-windows go with the main window.
    for (TComponent* part : {FTree.Get(), FActions.Get(), FToolBar.Get(), FMenu.Get()})
        if (part != nullptr) registry.Remove(part);
    if (FArea) static_cast<TArea*>(FArea.data())->Detach();
    static_cast<TMainWindow*>(FWindow.get())->Detach();
}

QMainWindow* TFrameAdapter::MainWindow() const noexcept { return FWindow.get(); }

QWidget* TFrameAdapter::Widget() const { return FWindow.get(); }

void TFrameAdapter::SetMainMenu(TMenu* Menu) {
    TAdapterRegistry& registry = FrontEnd().Registry();
    if (FMenu) registry.Remove(FMenu.Get());
    FMenu = Menu;
    if (Menu != nullptr) registry.Add(std::make_unique<TMenuAdapter>(FrontEnd(), Menu, FWindow->menuBar()));
}

void TFrameAdapter::SetToolBar(TToolBar* ToolBar, TActionList* Actions) {
    TAdapterRegistry& registry = FrontEnd().Registry();
    if (FToolBar) registry.Remove(FToolBar.Get());
    if (FActions) registry.Remove(FActions.Get());
    FToolBar = ToolBar;
    FActions = Actions;
    if (ToolBar != nullptr) registry.Add(std::make_unique<TToolBarAdapter>(FrontEnd(), ToolBar, FWindow.get()));
    if (Actions != nullptr) registry.Add(std::make_unique<TActionListAdapter>(FrontEnd(), Actions, FWindow.get()));
}

void TFrameAdapter::SetActiveWindowsTree(TTreeView* Tree, const std::string& Title) {
    TAdapterRegistry& registry = FrontEnd().Registry();
    if (FTree) registry.Remove(FTree.Get());
    FTree = Tree;
    if (Tree != nullptr) registry.Add(std::make_unique<TTreeViewAdapter>(FrontEnd(), Tree, FWindow.get(), Title));
}

void TFrameAdapter::SyncChildren() {
    TAdapterRegistry& registry = FrontEnd().Registry();
    // Children leave through their free notification; new ones get their sub-window here.
    for (int i = Frame()->MDIChildCount() - 1; i >= 0; --i) {
        TForm* child = Frame()->MDIChildren(i);
        if (registry.AdapterOf(child) == nullptr && FArea)
            registry.Add(std::make_unique<TMdiChildAdapter>(FrontEnd(), child, FArea));
    }
}

void TFrameAdapter::Host(TForm* Form) {
    if (!FArea || FrontEnd().Registry().AdapterOf(Form) != nullptr) return;
    std::erase_if(FHosted, [](const TWeak<TForm>& hosted) { return !hosted; });
    FHosted.emplace_back(Form);
    FrontEnd().Registry().Add(std::make_unique<TMdiChildAdapter>(FrontEnd(), Form, FArea));
}

void TFrameAdapter::ShowBounds() {
    // The frame's size is its client area: the MDI area the children lie in.
    const TBounds& r = Frame()->BoundsRect();
    const QSize chrome = FWindow->size() - (FArea ? FArea->size() : QSize());
    FWindow->setGeometry(r.Left, r.Top, r.Width + chrome.width(), r.Height + chrome.height());
}

void TFrameAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (Sender != Model()) return;
    const bool wasUpdating = FUpdating;
    FUpdating = true;
    if (What == "MDIChildren") SyncChildren();
    else if (What == "Caption") FWindow->setWindowTitle(QString::fromStdString(Frame()->Caption()));
    else if (What == "Icon") FWindow->setWindowIcon(IconOf(Frame()->Icon()));
    else if (What == "Bounds") ShowBounds();
    else if (What == "Visible") FWindow->setVisible(Frame()->Visible());
    else if (What == "WindowState") {
        switch (Frame()->WindowState()) {
            case wsMinimized: FWindow->showMinimized(); break;
            case wsMaximized: FWindow->showMaximized(); break;
            case wsNormal: FWindow->showNormal(); break;
        }
    }
    FUpdating = wasUpdating;
}

void TFrameAdapter::WindowClosing() {
    TForm* frame = Frame();
    TQtFrontEnd::Guarded("TForm.Close", [frame] { frame->Close(); });
}

void TFrameAdapter::AreaResized() {
    if (FUpdating || !FArea) return;
    const QPoint at = FWindow->pos();
    const QSize size = FArea->size();
    TForm* frame = Frame();
    FUpdating = true;
    TQtFrontEnd::Guarded("TForm.SetBounds", [&] { frame->SetBounds(at.x(), at.y(), size.width(), size.height()); });
    FUpdating = false;
}

void TFrameAdapter::SubWindowActivated(QMdiSubWindow* Window) {
    if (FUpdating || Window == nullptr) return;
    std::vector<TForm*> forms;
    for (int i = 0; i < Frame()->MDIChildCount(); ++i) forms.push_back(Frame()->MDIChildren(i));
    for (const TWeak<TForm>& hosted : FHosted)
        if (hosted) forms.push_back(hosted.Get());
    for (TForm* form : forms) {
        const TAdapter* adapter = FrontEnd().Registry().AdapterOf(form);
        if (adapter == nullptr || adapter->Widget() != Window) continue;
        if (form->Visible() && !form->Focused()) TQtFrontEnd::Guarded("TForm.SetFocus", [form] { form->SetFocus(); });
        return;
    }
}

}  // namespace zarix::qt
