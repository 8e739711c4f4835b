// The form adapter.
#include "qt/form_adapter.h"

#include "qt/front_end.h"
#include "qt/icons.h"

#include <QCloseEvent>
#include <QWidget>

namespace zarix::qt {

namespace {

class TFormWindow : public QWidget {
public:
    explicit TFormWindow(TFormAdapter* Adapter) : FAdapter(Adapter) {}
    void Detach() noexcept { FAdapter = nullptr; }

protected:
    void closeEvent(QCloseEvent* Event) override {
        Event->ignore();
        if (FAdapter != nullptr) FAdapter->WindowClosing();
    }

private:
    TFormAdapter* FAdapter;
};

}  // namespace

TFormAdapter::TFormAdapter(TQtFrontEnd& FrontEnd, TForm* Form)
    : TAdapter(FrontEnd, Form), FWindow(std::make_unique<TFormWindow>(this)) {
    FWindow->setWindowTitle(QString::fromStdString(Form->Caption()));
    FWindow->setWindowIcon(IconOf(Form->Icon()));
    FWindow->setAutoFillBackground(true);
    ShowBounds();
    FControls = std::make_unique<TControlMirror>(FrontEnd.Registry(), *this, Form, FWindow.get());
    FWindow->setVisible(Form->Visible());
}

TFormAdapter::~TFormAdapter() {
    FControls.reset();
    static_cast<TFormWindow*>(FWindow.get())->Detach();
}

QWidget* TFormAdapter::WidgetOf(const TComponent* Object) const {
    if (Object == Model()) return Widget();
    return FControls ? FControls->WidgetOf(Object) : nullptr;
}

void TFormAdapter::ShowBounds() {
    const TBounds& r = Form()->BoundsRect();
    FWindow->setGeometry(r.Left, r.Top, r.Width, r.Height);
}

void TFormAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (Sender != Model()) {
        if (FControls) FControls->Changed(Sender, What);
        return;
    }
    if (What == "Caption") FWindow->setWindowTitle(QString::fromStdString(Form()->Caption()));
    else if (What == "Bounds") ShowBounds();
    else if (What == "Visible") FWindow->setVisible(Form()->Visible());
    else if (What == "Icon") FWindow->setWindowIcon(IconOf(Form()->Icon()));
    else if (What == "Controls" && FControls) FControls->Rebuild();
}

void TFormAdapter::PartFreed(TComponent* Part) {
    if (FControls) FControls->Freed(Part);
}

void TFormAdapter::WindowClosing() {
    TForm* form = Form();
    TQtFrontEnd::Guarded("TForm.Close", [form] { form->Close(); });
}

}  // namespace zarix::qt
