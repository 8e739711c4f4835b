// The change seam.
#include "platform/ui/ui_change.h"

#include <atomic>
#include <cstdio>
#include <utility>

namespace zarix {
namespace {

TUIChangeHandler& Handler() {
    static TUIChangeHandler handler;
    return handler;
}

std::atomic<TUIChangeFailureHandler>& FailureHandler() {
    static std::atomic<TUIChangeFailureHandler> handler{nullptr};
    return handler;
}

// Used until the reporting service has installed itself; it must not allocate or raise.
void WriteFailure(std::exception_ptr Error, const TUIChange& Change) noexcept {
    const char* text = "unknown exception";
    try {
        if (Error) std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
    }
    std::fprintf(stderr, "UI change handler failed on \"%.*s\": %s\n", static_cast<int>(Change.What.size()),
                 Change.What.data(), text);
}

}  // namespace

TUIChangeHandler SetUIChangeHandler(TUIChangeHandler NewHandler) {
    std::swap(Handler(), NewHandler);
    return NewHandler;
}

TUIChangeFailureHandler SetUIChangeFailureHandler(TUIChangeFailureHandler NewHandler) noexcept {
    return FailureHandler().exchange(NewHandler);
}

void NotifyUIChange(TComponent* Sender, std::string_view What) noexcept {
    const TUIChange change{Sender, What};
    try {
        if (const TUIChangeHandler& handler = Handler()) handler(change);
    } catch (...) {
        // Changes happen inside destructors and unloading as well: nothing a front-end raises
        // may travel back into the model.
        const TUIChangeFailureHandler report = FailureHandler().load();
        (report != nullptr ? report : &WriteFailure)(std::current_exception(), change);
    }
}

}  // namespace zarix
