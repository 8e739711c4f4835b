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

[[gnu::noinline]] void TApplication::PostMessage(std::function<void()> Message) {
    TMessage message{std::move(Message), {}};
    message.Owner = OwnerOfCallback(message.Run, ZARIX_CALLER_ADDRESS());
    std::lock_guard guard(FPendingLock);
    FPending.push_back(std::move(message));
    if (FWakeUp) FWakeUp();
}

std::function<void()> TApplication::SetMessageWakeUp(std::function<void()> WakeUp) {
    std::lock_guard guard(FPendingLock);
    std::swap(FWakeUp, WakeUp);
    return WakeUp;
}

void TApplication::ProcessMessages() {
    // A front-end processes its own pending events here (repainting a progress window).
    NotifyUIChange(this, "ProcessMessages");
    for (;;) {
        std::function<void()> message;
        {
            std::lock_guard guard(FPendingLock);
            if (FPending.empty()) return;
            message = std::move(FPending.front().Run);
            FPending.pop_front();
        }
        if (message) message();
    }
}

std::size_t TApplication::PendingMessages() const noexcept {
    std::lock_guard guard(FPendingLock);
    return FPending.size();
}

std::size_t TApplication::RevokeMessagesOf(const void* Module) {
    std::deque<TMessage> dropped;  // destroyed after the lock is given back, before the unload
    {
        std::lock_guard guard(FPendingLock);
        for (auto it = FPending.begin(); it != FPending.end();) {
            if (it->Owner.BelongsTo(Module)) {
                dropped.push_back(std::move(*it));
                it = FPending.erase(it);
            } else {
                ++it;
            }
        }
    }
    return dropped.size();
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
