// The application object: the executable's name, the queue of pending messages that
// ProcessMessages works off (deferred form releases among them), the main and the active form.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"

#include <deque>
#include <functional>
#include <string>

namespace zarix {

class TForm;

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

    /// The host's main window; an MDI child with no other frame joins it when it is a frame.
    TForm* MainForm() const noexcept;
    void SetMainForm(TForm* Value);
    /// The form that has the focus; it goes to the frame's next MDI child when it is hidden or
    /// freed, and to nullptr for other forms. Forms set it through SetFocus.
    TForm* ActiveForm() const noexcept;
    void SetActiveForm(TForm* Value);

private:
    std::string FExeName;
    std::string FTitle;
    std::deque<std::function<void()>> FPending;
    TWeak<TForm> FMainForm;
    TWeak<TForm> FActiveForm;
};

/// The process-wide application object, created on first use.
ZARIX_API TApplication& Application();

}  // namespace zarix
