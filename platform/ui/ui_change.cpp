// The change seam.
#include "platform/ui/ui_change.h"

#include <utility>

namespace zarix {
namespace {
TUIChangeHandler& Handler() {
    static TUIChangeHandler handler;
    return handler;
}
}  // namespace

TUIChangeHandler SetUIChangeHandler(TUIChangeHandler NewHandler) {
    std::swap(Handler(), NewHandler);
    return NewHandler;
}

void NotifyUIChange(TComponent* Sender, std::string_view What) {
    if (const TUIChangeHandler& handler = Handler()) handler(TUIChange{Sender, What});
}

}  // namespace zarix
