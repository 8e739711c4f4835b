// Reporting of exceptions that an operation catches so as not to disturb its caller.
#pragma once

#include "platform/rtl/export.h"

#include <exception>
#include <functional>
#include <mutex>
#include <source_location>
#include <string>
#include <vector>

namespace zarix {

/// A place in the code: the caller's source position and a code address inside the caller's
/// module, so a report can name the library it came from.
struct TCodeLocation {
    const char* File = "";
    unsigned Line = 0;
    const char* Function = "";
    const void* Address = nullptr;
};

/// The location of the code that calls it.
[[gnu::noinline]] ZARIX_API TCodeLocation Here(std::source_location where = std::source_location::current()) noexcept;

/// One report: what the operation was doing, what was raised, and where.
struct TExceptionReport {
    std::string Context;
    std::string ExceptionClass;
    std::string Message;
    TCodeLocation Location;
    std::string Module;   // the library of the reporting code, with its map file when known
};

/// Receives every report. Installed process-wide; a sink must not raise.
using TExceptionSink = std::function<void(const TExceptionReport&)>;

/// Reports E with a context text and a code location, then returns. Never raises.
ZARIX_API void ZarixExceptionHandler(const std::exception& E, const std::string& Context,
                                     const TCodeLocation& Where) noexcept;
/// The same for an exception of any type, caught with `catch (...)`.
ZARIX_API void ZarixExceptionHandler(std::exception_ptr E, const std::string& Context,
                                     const TCodeLocation& Where) noexcept;

/// Installs a sink; an empty one restores the default (standard error and the log file).
/// Returns the sink installed before; installed again, it puts that one back. May be called
/// from any thread. A sink belongs to the library whose code installs it and to the one that
/// built it (see platform/os/callback_owner.h): when either is unloaded the sink is taken out
/// and the one installed before it, still there, takes its place.
ZARIX_API TExceptionSink SetExceptionSink(TExceptionSink Sink);
/// Takes out every sink that belongs to Module; reports then go to the nearest earlier one.
ZARIX_API bool RevokeExceptionSinksOf(const void* Module);
/// Whether a sink other than the default is installed.
ZARIX_API bool ExceptionSinkInstalled() noexcept;
/// The default sink also appends each report to this file; empty for none.
ZARIX_API void SetExceptionLogFile(const std::string& Path);
/// The report as the default sink writes it, one line.
ZARIX_API std::string FormatExceptionReport(const TExceptionReport& Report);

/// Installs itself as the sink for its lifetime and keeps every report; the sink before it
/// comes back when it is destroyed. For tests and for hosts that show reports themselves.
/// Reports may arrive from any thread; read them once the reporting threads are done.
class ZARIX_API TCapturingExceptionSink {
public:
    TCapturingExceptionSink();
    ~TCapturingExceptionSink();
    TCapturingExceptionSink(const TCapturingExceptionSink&) = delete;
    TCapturingExceptionSink& operator=(const TCapturingExceptionSink&) = delete;

    const std::vector<TExceptionReport>& Reports() const noexcept { return FReports; }
    void Clear() noexcept;

private:
    mutable std::mutex FLock;
    std::vector<TExceptionReport> FReports;
    TExceptionSink FPrevious;
};

}  // namespace zarix
