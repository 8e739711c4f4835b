// Exception reports: classification, formatting and the installable sink.
#include "services/exception_handler.h"

#include "platform/os/callback_owner.h"
#include "platform/os/module_info.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/ui_change.h"
#include "services/exception_manager.h"

#include <fstream>
#include <iostream>
#include <mutex>

namespace zarix {
namespace {

struct SinkState {
    std::mutex Lock;  // for the log file; the sinks have their own
    TCallbackSlot<void(const TExceptionReport&)> Sinks;
    std::string LogFile;
};

SinkState& Sinks() {
    static SinkState state;
    return state;
}

void DefaultSink(const TExceptionReport& report) {
    const std::string line = FormatExceptionReport(report);
    std::cerr << line << '\n';
    std::string logFile;
    {
        SinkState& s = Sinks();
        std::lock_guard guard(s.Lock);
        logFile = s.LogFile;
    }
    if (!logFile.empty()) {
        std::ofstream log(logFile, std::ios::app);
        log << line << '\n';
    }
}

std::string DescribeModule(const void* address) {
    const auto module = ModuleOfAddress(address);
    if (!module) return {};
    std::string text = module->Path;
    if (const auto info = TExceptionManager::FindActiveModule(module->Module); info && !info->MapFile.empty())
        text += " (map " + info->MapFile + ")";
    return text;
}

void Deliver(TExceptionReport report) noexcept {
    try {
        report.Module = DescribeModule(report.Location.Address);
        const auto sink = Sinks().Sinks.Current();
        if (sink && sink->Callback) sink->Callback(report);
        else DefaultSink(report);
    } catch (...) {
        // A report that cannot be delivered is dropped: the reporting routine must return.
    }
}

void ReportUIChangeFailure(std::exception_ptr Error, const TUIChange& Change) noexcept;

// The change seam lives below this service and cannot call it; the service plugs itself in
// when the library is loaded, so a front-end's failure is reported like every caught failure.
[[maybe_unused]] const bool kUIChangeFailuresReported = (SetUIChangeFailureHandler(&ReportUIChangeFailure), true);

}  // namespace

TCodeLocation Here(std::source_location where) noexcept {
    return TCodeLocation{where.file_name(), static_cast<unsigned>(where.line()), where.function_name(),
                         __builtin_extract_return_addr(__builtin_return_address(0))};
}

void ZarixExceptionHandler(const std::exception& E, const std::string& Context, const TCodeLocation& Where) noexcept {
    try {
        Deliver(TExceptionReport{Context, ExceptionClassName(E), E.what(), Where, {}});
    } catch (...) {
    }
}

void ZarixExceptionHandler(std::exception_ptr E, const std::string& Context, const TCodeLocation& Where) noexcept {
    try {
        if (E) std::rethrow_exception(E);
        Deliver(TExceptionReport{Context, "", "", Where, {}});
    } catch (const std::exception& e) {
        ZarixExceptionHandler(e, Context, Where);
    } catch (...) {
        try {
            Deliver(TExceptionReport{Context, "unknown exception", "", Where, {}});
        } catch (...) {
        }
    }
}

std::string FormatExceptionReport(const TExceptionReport& r) {
    std::string line = r.Context + " - " + r.ExceptionClass + ": " + r.Message + " (at " + r.Location.File + ":" +
                       std::to_string(r.Location.Line) + " in " + r.Location.Function;
    if (!r.Module.empty()) line += "; module " + r.Module;
    return line + ")";
}

namespace {
void ReportUIChangeFailure(std::exception_ptr Error, const TUIChange& Change) noexcept {
    try {
        ZarixExceptionHandler(Error, "UI change \"" + std::string(Change.What) + "\"", Here());
    } catch (...) {
    }
}
}  // namespace

[[gnu::noinline]] TExceptionSink SetExceptionSink(TExceptionSink Sink) {
    return Sinks().Sinks.Set(std::move(Sink), ZARIX_CALLER_ADDRESS());
}

bool RevokeExceptionSinksOf(const void* Module) { return Sinks().Sinks.Revoke(Module); }

bool ExceptionSinkInstalled() noexcept {
    try {
        return Sinks().Sinks.Installed();
    } catch (...) {
        return true;
    }
}

void SetExceptionLogFile(const std::string& Path) {
    SinkState& s = Sinks();
    std::lock_guard guard(s.Lock);
    s.LogFile = Path;
}

TCapturingExceptionSink::TCapturingExceptionSink()
    : FPrevious(SetExceptionSink([this](const TExceptionReport& r) {
          std::lock_guard guard(FLock);
          FReports.push_back(r);
      })) {}

void TCapturingExceptionSink::Clear() noexcept {
    std::lock_guard guard(FLock);
    FReports.clear();
}

TCapturingExceptionSink::~TCapturingExceptionSink() { SetExceptionSink(std::move(FPrevious)); }

}  // namespace zarix
