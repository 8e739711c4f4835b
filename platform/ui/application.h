// The application object: the executable's name and the queue of pending messages that
// ProcessMessages works off.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"

#include <deque>
#include <functional>
#include <string>

namespace zarix {

class ZARIX_API TApplication : public TComponent {
    ZARIX_CLASS(TApplication, TComponent)
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;

    /// Full path of the running executable.
    const std::string& ExeName() const noexcept { return FExeName; }
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    /// Queues work to run at the next ProcessMessages, as a posted window message would.
    void PostMessage(std::function<void()> Message);
    /// Runs every pending message, including those posted while it runs.
    void ProcessMessages();
    std::size_t PendingMessages() const noexcept { return FPending.size(); }

private:
    std::string FExeName;
    std::string FTitle;
    std::deque<std::function<void()>> FPending;
};

/// The process-wide application object, created on first use.
ZARIX_API TApplication& Application();

}  // namespace zarix
