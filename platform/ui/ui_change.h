// The one seam through which a front-end learns of every change to the headless controls.
#pragma once

#include "platform/rtl/export.h"

#include <exception>
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

/// Receives what a change handler raised, with the change it was told of.
using TUIChangeFailureHandler = void (*)(std::exception_ptr Error, const TUIChange& Change) noexcept;

// The controls and the seam belong to the UI thread: changes are made and told there only.

/// Installs the front-end's handler (empty for none, the default: nothing is drawn). Returns
/// the handler installed before; installed again, it puts that one back. A handler belongs to
/// the library whose code installs it and to the one that built it (see
/// platform/os/callback_owner.h): when either is unloaded it is taken out and the one
/// installed before it, still there, takes its place.
ZARIX_API TUIChangeHandler SetUIChangeHandler(TUIChangeHandler Handler);
/// Whether a front-end's handler is installed.
ZARIX_API bool UIChangeHandlerInstalled() noexcept;

/// Installs the receiver of handler failures (nullptr: standard error). The reporting service
/// installs itself when the library is loaded. Returns the one installed before. One whose
/// code lies in an unloaded library is taken out, and the one before it comes back.
ZARIX_API TUIChangeFailureHandler SetUIChangeFailureHandler(TUIChangeFailureHandler Handler) noexcept;
/// The receiver of handler failures now installed.
ZARIX_API TUIChangeFailureHandler UIChangeFailureHandler() noexcept;

/// Takes out the change handlers and failure receivers that belong to Module.
ZARIX_API bool RevokeUIChangeHandlersOf(const void* Module);

/// Tells the installed front-end that Sender changed. Never raises: the seam only observes,
/// so a failing front-end is reported and the control's own change stands.
ZARIX_API void NotifyUIChange(TComponent* Sender, std::string_view What) noexcept;

/// Stores Value in Field and tells the front-end, unless nothing changes.
template <class T, class V>
void ChangeProperty(TComponent* Sender, T& Field, const V& Value, std::string_view What) {
    if (Field == Value) return;
    Field = Value;
    NotifyUIChange(Sender, What);
}

}  // namespace zarix
