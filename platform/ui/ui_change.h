// The one seam through which a front-end learns of every change to the headless controls.
#pragma once

#include "platform/rtl/export.h"

#include <functional>
#include <string_view>

namespace zarix {

class TComponent;

/// One change: which control, and the name of what changed ("Caption", "Visible", "Items").
struct TUIChange {
    TComponent* Sender;
    std::string_view What;
};

using TUIChangeHandler = std::function<void(const TUIChange&)>;

/// Installs the front-end's handler (empty for none, the default: nothing is drawn). Returns
/// the handler installed before.
ZARIX_API TUIChangeHandler SetUIChangeHandler(TUIChangeHandler Handler);

/// Tells the installed front-end that Sender changed.
ZARIX_API void NotifyUIChange(TComponent* Sender, std::string_view What);

/// Stores Value in Field and tells the front-end, unless nothing changes.
template <class T, class V>
void ChangeProperty(TComponent* Sender, T& Field, const V& Value, std::string_view What) {
    if (Field == Value) return;
    Field = Value;
    NotifyUIChange(Sender, What);
}

}  // namespace zarix
