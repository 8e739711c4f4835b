// The application object.
#include "platform/ui/application.h"

#include "platform/os/file_enum.h"
#include "platform/rtl/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui_change.h"

namespace zarix {

ZARIX_DEFINE_CLASS(TApplication, ZARIX_PROPERTY(Title, Title, SetTitle))

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), FExeName(ExecutablePath()) {
    FTitle = ChangeFileExt(ExtractFileName(FExeName), "");
}

TApplication::~TApplication() = default;

void TApplication::PostMessage(std::function<void()> Message) { FPending.push_back(std::move(Message)); }

void TApplication::ProcessMessages() {
    // A front-end processes its own pending events here (repainting a progress window).
    NotifyUIChange(this, "ProcessMessages");
    while (!FPending.empty()) {
        std::function<void()> message = std::move(FPending.front());
        FPending.pop_front();
        if (message) message();
    }
}

TForm* TApplication::MainForm() const noexcept { return FMainForm.Get(); }

void TApplication::SetMainForm(TForm* Value) {
    if (FMainForm == Value) return;
    FMainForm = Value;
    NotifyUIChange(this, "MainForm");
}

TForm* TApplication::ActiveForm() const noexcept { return FActiveForm.Get(); }

void TApplication::SetActiveForm(TForm* Value) {
    if (FActiveForm == Value) return;
    FActiveForm = Value;
    NotifyUIChange(this, "ActiveForm");
}

TApplication& Application() {
    static TApplication application;
    return application;
}

}  // namespace zarix
