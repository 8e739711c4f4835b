// The change seam.
#include "platform/ui/ui_change.h"

#include "platform/os/callback_owner.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>
#include <utility>

namespace zarix {
namespace {

TCallbackSlot<void(const TUIChange&)>& Handlers() {
    static TCallbackSlot<void(const TUIChange&)> handlers;
    return handlers;
}

// The failure receivers installed, last one current; plain functions, so revoking one is a
// question of where its code lies.
struct TFailureHandlers {
    std::mutex Lock;
    std::vector<TUIChangeFailureHandler> Installed;
    std::atomic<TUIChangeFailureHandler> Current{nullptr};
};

TFailureHandlers& FailureHandlers() {
    static TFailureHandlers handlers;
    return handlers;
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

[[gnu::noinline]] TUIChangeHandler SetUIChangeHandler(TUIChangeHandler NewHandler) {
    return Handlers().Set(std::move(NewHandler), ZARIX_CALLER_ADDRESS());
}

bool UIChangeHandlerInstalled() noexcept {
    try {
        return Handlers().Installed();
    } catch (...) {
        return true;
    }
}

TUIChangeFailureHandler SetUIChangeFailureHandler(TUIChangeFailureHandler NewHandler) noexcept {
    TFailureHandlers& f = FailureHandlers();
    std::lock_guard guard(f.Lock);
    const TUIChangeFailureHandler previous = f.Current.load();
    try {
        // Putting back the one before the current is how callers undo theirs.
        if (f.Installed.size() >= 2 && f.Installed[f.Installed.size() - 2] == NewHandler) f.Installed.pop_back();
        else if (NewHandler == nullptr) f.Installed.clear();
        else f.Installed.push_back(NewHandler);
    } catch (...) {
        f.Installed.clear();  // out of memory: the history goes, the handler is still set
    }
    f.Current = NewHandler;
    return previous;
}

TUIChangeFailureHandler UIChangeFailureHandler() noexcept { return FailureHandlers().Current.load(); }

bool RevokeUIChangeHandlersOf(const void* Module) {
    bool revoked = Handlers().Revoke(Module);
    TFailureHandlers& f = FailureHandlers();
    std::lock_guard guard(f.Lock);
    const auto before = f.Installed.size();
    std::erase_if(f.Installed, [Module](TUIChangeFailureHandler h) {
        return ModuleOfCode(reinterpret_cast<const void*>(h)) == Module;
    });
    if (f.Installed.size() != before) {
        f.Current = f.Installed.empty() ? nullptr : f.Installed.back();
        revoked = true;
    }
    return revoked;
}

void NotifyUIChange(TComponent* Sender, std::string_view What) noexcept {
    const TUIChange change{Sender, What};
    try {
        if (const auto handler = Handlers().Current(); handler && handler->Callback) handler->Callback(change);
    } catch (...) {
        // Changes happen inside destructors and unloading as well: nothing a front-end raises
        // may travel back into the model.
        const TUIChangeFailureHandler report = FailureHandlers().Current.load();
        (report != nullptr ? report : &WriteFailure)(std::current_exception(), change);
    }
}

}  // namespace zarix
