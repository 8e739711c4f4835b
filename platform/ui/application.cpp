// The application object.
#include "platform/ui/application.h"

#include "platform/os/file_enum.h"
#include "platform/rtl/strings.h"

namespace zarix {

ZARIX_DEFINE_CLASS(TApplication, ZARIX_PROPERTY(Title, Title, SetTitle))

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), FExeName(ExecutablePath()) {
    FTitle = ChangeFileExt(ExtractFileName(FExeName), "");
}

TApplication::~TApplication() = default;

void TApplication::PostMessage(std::function<void()> Message) { FPending.push_back(std::move(Message)); }

void TApplication::ProcessMessages() {
    while (!FPending.empty()) {
        std::function<void()> message = std::move(FPending.front());
        FPending.pop_front();
        if (message) message();
    }
}

TApplication& Application() {
    static TApplication application;
    return application;
}

}  // namespace zarix
