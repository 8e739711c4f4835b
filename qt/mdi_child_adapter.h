// An MDI child form as a QMdiSubWindow of its frame's MDI area.
#pragma once

#include "platform/ui/forms.h"
#include "qt/adapter.h"
#include "qt/control_mirror.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <memory>

class QMdiArea;
class QMdiSubWindow;

namespace zarix::qt {

class TMdiChildAdapter : public TAdapter {
public:
    TMdiChildAdapter(TQtFrontEnd& FrontEnd, TForm* Form, QMdiArea* Area);
    ~TMdiChildAdapter() override;

    TForm* Form() const noexcept { return static_cast<TForm*>(Model()); }
    QMdiSubWindow* SubWindow() const noexcept { return FWindow.data(); }
    void Changed(TComponent* Sender, std::string_view What) override;
    void PartFreed(TComponent* Part) override;
    QWidget* Widget() const override;
    QWidget* WidgetOf(const TComponent* Object) const override;

    /// The sub-window was moved, resized, closed or changed state by a person.
    void WindowMoved();
    void WindowClosing();
    void WindowStateChanged();

private:
    void ShowBounds();
    void ShowState();
    void ShowIcon();

    QPointer<QMdiArea> FArea;
    QPointer<QMdiSubWindow> FWindow;
    std::unique_ptr<TControlMirror> FControls;
    bool FUpdating = false;  // set while the widget follows the model, so nothing echoes back
};

}  // namespace zarix::qt
