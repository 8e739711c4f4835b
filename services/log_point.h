// The library's own side of the diagnostic log: the check a logged place makes, cheap enough
// to stay in the loading loop, and the text built only when its category is on.
#pragma once

#include "services/log.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarix {

namespace detail {
// Inside the library only: plugins and hosts turn categories on through SetLogCategories.
extern std::atomic<uint32_t> gLogMask;
void WriteLog(TLogCategory Category, std::string_view Text) noexcept;
}  // namespace detail

inline bool LogOn(TLogCategory Category) noexcept {
    return (detail::gLogMask.load(std::memory_order_relaxed) & Category) != 0;
}

/// Writes the text Make returns when Category is on; Make is not called otherwise.
template <class F>
void Log(TLogCategory Category, F&& Make) noexcept {
    if (!LogOn(Category)) [[likely]]
        return;
    try {
        detail::WriteLog(Category, Make());
    } catch (...) {
        // A line that cannot be built (out of memory) is dropped; logging never stops the work.
    }
}

/// Times the stages of one piece of work: each Done logs the time since the previous one.
/// Reads the clock only when its category was on at the start.
class TLogStages {
public:
    explicit TLogStages(TLogCategory Category) noexcept : FCategory(Category), FOn(LogOn(Category)) {
        if (FOn) FLast = std::chrono::steady_clock::now();
    }

    template <class F>
    void Done(F&& Make) noexcept {
        if (!FOn) [[likely]]
            return;
        const auto now = std::chrono::steady_clock::now();
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now - FLast).count();
        FLast = now;
        Log(FCategory, [&] { return std::string(Make()) + " (" + std::to_string(micros) + " µs)"; });
    }

private:
    TLogCategory FCategory;
    bool FOn;
    std::chrono::steady_clock::time_point FLast{};
};

/// While it lives, db lines written on this thread name the module and the pass they belong
/// to. Builds its text only when lcDB is on.
class TLogDBScope {
public:
    template <class F>
    explicit TLogDBScope(F&& Make) noexcept {
        if (LogOn(lcDB)) [[unlikely]]
            Enter(Make());
    }
    ~TLogDBScope() {
        if (FEntered) Leave();
    }
    TLogDBScope(const TLogDBScope&) = delete;
    TLogDBScope& operator=(const TLogDBScope&) = delete;

private:
    void Enter(std::string Text) noexcept;
    void Leave() noexcept;

    bool FEntered = false;
    std::string FText;
    const std::string* FOuter = nullptr;
};

/// The first line of a statement, as a db line shows it.
std::string_view FirstLineOf(std::string_view Statement) noexcept;

}  // namespace zarix
