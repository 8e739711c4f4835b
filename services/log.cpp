// The diagnostic log's mask, its categories from ZARIX_LOG and its installable sink.
#include "services/log_point.h"

#include "platform/os/callback_owner.h"

#include <cstdio>
#include <cstdlib>

namespace zarix {

namespace {

constexpr std::pair<TLogCategory, std::string_view> kNames[] = {{lcLoad, "load"}, {lcMenu, "menu"}, {lcDB, "db"}};

TCallbackSlot<void(std::string_view, std::string_view)>& Sinks() {
    static TCallbackSlot<void(std::string_view, std::string_view)> sinks;
    return sinks;
}

// What the innermost db scope of this thread puts before its lines.
thread_local const std::string* tDBScopeText = nullptr;

void DefaultSink(std::string_view Category, std::string_view Text) {
    // One write per line, so lines of two threads do not interleave mid-line.
    std::string line = "zarix[";
    line.append(Category).append("] ").append(Text).push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

uint32_t CategoriesFromEnvironment() noexcept {
    const char* value = std::getenv("ZARIX_LOG");
    if (value == nullptr) return 0;
    if (const std::optional<uint32_t> mask = ParseLogCategories(value)) return *mask;
    std::fprintf(stderr, "zarix: ZARIX_LOG=\"%s\" names an unknown category (known: load, menu, db, all); "
                 "logging stays off\n", value);
    return 0;
}

}  // namespace

// Set before any code of a plugin can run: the library's static objects are built when it is
// loaded, ahead of the host's main and of every plugin that links it.
std::atomic<uint32_t> detail::gLogMask{CategoriesFromEnvironment()};

void detail::WriteLog(TLogCategory Category, std::string_view Text) noexcept {
    try {
        std::string scoped;
        if (Category == lcDB && tDBScopeText != nullptr) {
            scoped = *tDBScopeText + ": " + std::string(Text);
            Text = scoped;
        }
        const std::string_view name = LogCategoryName(Category);
        const auto sink = Sinks().Current();
        if (sink && sink->Callback) sink->Callback(name, Text);
        else DefaultSink(name, Text);
    } catch (...) {
        // A line that cannot be delivered is dropped: logging never stops the work it describes.
    }
}

void TLogDBScope::Leave() noexcept {
    tDBScopeText = FOuter;
}

void TLogDBScope::Enter(std::string Text) noexcept {
    FText = std::move(Text);
    FOuter = tDBScopeText;
    FEntered = true;
    tDBScopeText = &FText;
}

std::string_view FirstLineOf(std::string_view Statement) noexcept {
    const std::size_t start = Statement.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return {};
    Statement.remove_prefix(start);
    return Statement.substr(0, Statement.find_first_of("\r\n"));
}

[[gnu::noinline]] TLogSink SetLogSink(TLogSink Sink) { return Sinks().Set(std::move(Sink), ZARIX_CALLER_ADDRESS()); }

bool RevokeLogSinksOf(const void* Module) { return Sinks().Revoke(Module); }

std::optional<uint32_t> ParseLogCategories(std::string_view List) noexcept {
    uint32_t mask = 0;
    while (!List.empty()) {
        const std::size_t comma = List.find(',');
        std::string_view name = List.substr(0, comma);
        List = comma == std::string_view::npos ? std::string_view() : List.substr(comma + 1);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        if (name.empty()) continue;
        if (name == "all") {
            mask |= lcAll;
            continue;
        }
        bool known = false;
        for (const auto& [category, text] : kNames)
            if (name == text) {
                mask |= category;
                known = true;
            }
        if (!known) return std::nullopt;
    }
    return mask;
}

void SetLogCategories(uint32_t Mask) noexcept { detail::gLogMask.store(Mask & lcAll, std::memory_order_relaxed); }

uint32_t LogCategories() noexcept { return detail::gLogMask.load(std::memory_order_relaxed); }

std::string_view LogCategoryName(TLogCategory Category) noexcept {
    for (const auto& [category, text] : kNames)
        if (category == Category) return text;
    return "?";
}

}  // namespace zarix
