// A form that is neither a frame nor an MDI child, such as the plugin manager form, as a
// top-level window holding its controls.
#pragma once

#include "platform/ui/forms.h"
#include "qt/adapter.h"
#include "qt/control_mirror.h"

#include <memory>

namespace zarix::qt {

class TFormAdapter : public TAdapter {
public:
    TFormAdapter(TQtFrontEnd& FrontEnd, TForm* Form);
    ~TFormAdapter() override;

    TForm* Form() const noexcept { return static_cast<TForm*>(Model()); }
    QWidget* Widget() const override { return FWindow.get(); }
    QWidget* WidgetOf(const TComponent* Object) const override;
    void Changed(TComponent* Sender, std::string_view What) override;
    void PartFreed(TComponent* Part) override;

    void WindowClosing();

private:
    void ShowBounds();

    std::unique_ptr<QWidget> FWindow;
    std::unique_ptr<TControlMirror> FControls;
};

}  // namespace zarix::qt
