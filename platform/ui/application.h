// The application object: the executable's name, the queue of pending messages that
// ProcessMessages works off (deferred form releases among them), the main and the active form.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"

#include "platform/os/callback_owner.h"

#include <cassert>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zarix {

class TForm;

/// The application object belongs to the UI thread, the one that created it (the first to ask
/// for it), which is the UI thread of the whole process: only PostMessage,
/// Queue, PendingMessages and IsUIThread may be called from other threads.
class ZARIX_API TApplication : public TComponent {
    ZARIX_CLASS(TApplication, TComponent)
    explicit TApplication(TComponent* AOwner = nullptr);
    ~TApplication() override;

    /// Whether the calling thread is the UI thread.
    bool IsUIThread() const noexcept { return std::this_thread::get_id() == FUIThread; }

    /// Full path of the running executable.
    const std::string& ExeName() const noexcept { return FExeName; }
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    /// Queues work to run at the next ProcessMessages on the UI thread, as a posted window
    /// message would. Any thread may post; the messages of one thread run in the order it
    /// posted them. A message belongs to the library whose code posts it and to the one that
    /// built it (see platform/os/callback_owner.h), and is dropped unrun when either goes.
    void PostMessage(std::function<void()> Message);
    /// PostMessage for any callable.
    template <class F>
    void Queue(F&& Callable) {
        PostMessage(std::function<void()>(std::forward<F>(Callable)));
    }
    /// Runs every pending message, including those posted while it runs. UI thread only.
    void ProcessMessages();
    std::size_t PendingMessages() const noexcept;
    /// Drops the pending messages that belong to Module, unrun; how many went.
    std::size_t RevokeMessagesOf(const void* Module);
    /// Called on the posting thread after each message is queued, so a front-end's event loop
    /// that sleeps wakes up to run it. It must be thread-safe and quick, and must not post.
    /// Returns the one installed before; an empty function removes it.
    std::function<void()> SetMessageWakeUp(std::function<void()> WakeUp);

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
    struct TMessage {
        std::function<void()> Run;
        TCallbackOwner Owner;
    };
    const std::thread::id FUIThread = std::this_thread::get_id();
    mutable std::mutex FPendingLock;
    std::deque<TMessage> FPending;
    std::function<void()> FWakeUp;  // under FPendingLock, so it is never called once replaced
    TWeak<TForm> FMainForm;
    TWeak<TForm> FActiveForm;
};

/// The process-wide application object, created on first use.
ZARIX_API TApplication& Application();

/// Debug builds stop at a UI-thread-only call made from another thread; release builds pass.
#ifdef NDEBUG
#define ZARIX_ASSERT_UI_THREAD() ((void)0)
#else
#define ZARIX_ASSERT_UI_THREAD() \
    assert(::zarix::Application().IsUIThread() && "a UI-thread-only call was made from another thread")
#endif

}  // namespace zarix
