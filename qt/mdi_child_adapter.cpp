// The MDI child adapter.
#include "qt/mdi_child_adapter.h"

#include "platform/ui/controls.h"
#include "qt/front_end.h"
#include "qt/icons.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalBlocker>

namespace zarix::qt {

namespace {

// Hands the close box, moves and resizes to the adapter instead of acting on them itself.
class TSubWindow : public QMdiSubWindow {
public:
    explicit TSubWindow(TMdiChildAdapter* Adapter) : FAdapter(Adapter) {}
    void Detach() noexcept { FAdapter = nullptr; }

protected:
    void closeEvent(QCloseEvent* Event) override {
        // The form decides: its close query may refuse, its close action may only minimize.
        Event->ignore();
        if (FAdapter != nullptr) FAdapter->WindowClosing();
    }
    void moveEvent(QMoveEvent* Event) override {
        QMdiSubWindow::moveEvent(Event);
        if (FAdapter != nullptr) FAdapter->WindowMoved();
    }
    void resizeEvent(QResizeEvent* Event) override {
        QMdiSubWindow::resizeEvent(Event);
        if (FAdapter != nullptr) FAdapter->WindowMoved();
    }

private:
    TMdiChildAdapter* FAdapter;
};

}  // namespace

TMdiChildAdapter::TMdiChildAdapter(TQtFrontEnd& FrontEnd, TForm* Form, QMdiArea* Area)
    : TAdapter(FrontEnd, Form), FArea(Area) {
    FUpdating = true;
    auto* window = new TSubWindow(this);
    FWindow = window;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* client = new QWidget;
    client->setAutoFillBackground(true);
    window->setWidget(client);
    Area->addSubWindow(window);
    window->setWindowTitle(QString::fromStdString(Form->Caption()));
    ShowIcon();
    ShowBounds();
    FControls = std::make_unique<TControlMirror>(FrontEnd.Registry(), *this, Form, client);
    QObject::connect(window, &QMdiSubWindow::windowStateChanged, window,
                     [this](Qt::WindowStates, Qt::WindowStates) { WindowStateChanged(); });
    if (Form->Visible()) window->show();
    ShowState();
    if (Form->MDIParent() != nullptr && Form->MDIParent()->ActiveMDIChild() == Form) Area->setActiveSubWindow(window);
    FUpdating = false;
}

TMdiChildAdapter::~TMdiChildAdapter() {
    FControls.reset();
    if (QMdiSubWindow* window = FWindow) {
        static_cast<TSubWindow*>(window)->Detach();
        const QSignalBlocker blocker(window);
        window->hide();
        if (FArea) FArea->removeSubWindow(window);
        window->deleteLater();
    }
}

QWidget* TMdiChildAdapter::Widget() const { return FWindow.data(); }

QWidget* TMdiChildAdapter::WidgetOf(const TComponent* Object) const {
    if (Object == Model()) return Widget();
    return FControls ? FControls->WidgetOf(Object) : nullptr;
}

void TMdiChildAdapter::ShowBounds() {
    if (!FWindow || Form()->WindowState() != wsNormal) return;
    const TBounds& r = Form()->BoundsRect();
    FWindow->setGeometry(r.Left, r.Top, r.Width, r.Height);
}

void TMdiChildAdapter::ShowState() {
    if (!FWindow || !Form()->Visible()) return;
    switch (Form()->WindowState()) {
        case wsMinimized: FWindow->showMinimized(); break;
        case wsMaximized: FWindow->showMaximized(); break;
        case wsNormal:
            if (FWindow->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) FWindow->showNormal();
            ShowBounds();
            break;
    }
}

void TMdiChildAdapter::ShowIcon() {
    if (FWindow) FWindow->setWindowIcon(IconOf(Form()->Icon()));
}

void TMdiChildAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (Sender != Model()) {
        if (FControls) FControls->Changed(Sender, What);
        return;
    }
    if (!FWindow) return;
    const bool wasUpdating = FUpdating;
    FUpdating = true;
    const QSignalBlocker blocker(FWindow);
    if (What == "Caption") FWindow->setWindowTitle(QString::fromStdString(Form()->Caption()));
    else if (What == "Bounds") ShowBounds();
    else if (What == "WindowState") ShowState();
    else if (What == "Icon") ShowIcon();
    else if (What == "Visible") {
        if (Form()->Visible()) {
            FWindow->show();
            ShowState();
        } else {
            FWindow->hide();
        }
    } else if (What == "ZOrder" || What == "Focus") {
        if (FArea && Form()->Visible()) {
            const QSignalBlocker areaBlocker(FArea);
            FArea->setActiveSubWindow(FWindow);
        }
    } else if (What == "Controls") {
        if (FControls) FControls->Rebuild();
    }
    FUpdating = wasUpdating;
}

void TMdiChildAdapter::PartFreed(TComponent* Part) {
    if (FControls) FControls->Freed(Part);
}

void TMdiChildAdapter::WindowMoved() {
    if (FUpdating || !FWindow || FWindow->isMinimized() || FWindow->isMaximized()) return;
    const QRect r = FWindow->geometry();
    TWeak<TForm> form = Form();
    TQtFrontEnd::Guarded("TForm.SetBounds", [&] { form->SetBounds(r.x(), r.y(), r.width(), r.height()); });
}

void TMdiChildAdapter::WindowStateChanged() {
    if (FUpdating || !FWindow) return;
    const TWindowState state = FWindow->isMinimized()   ? wsMinimized
                               : FWindow->isMaximized() ? wsMaximized
                                                        : wsNormal;
    TForm* form = Form();
    TQtFrontEnd::Guarded("TForm.SetWindowState", [&] { form->SetWindowState(state); });
}

void TMdiChildAdapter::WindowClosing() {
    TForm* form = Form();
    TQtFrontEnd::Guarded("TForm.Close", [form] { form->Close(); });
}

}  // namespace zarix::qt
