// Probing a plugin library in a forked child: the child loads it as the manager would and
// reports each stage through a pipe, so a library that crashes, hangs or aborts takes only the
// child with it.
#include "manager/ZarixPluginManager.h"

#include "platform/rtl/strings.h"
#include "services/exception_handler.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string_view>
#include <thread>

namespace zarix {

namespace {

// The child writes lines: "S<stage digit>" as it enters a stage, "E<class>\t<message>" when the
// load raised, "X<text>" when an exception is about to end it. Newlines inside a text become
// spaces so that one report stays one line.
constexpr char kStage = 'S';
constexpr char kError = 'E';
constexpr char kEscaped = 'X';

/// Both ends of a pipe; each end is closed when dropped and with the object.
class TPipe {
public:
    TPipe() {
        if (::pipe2(FEnds.data(), O_CLOEXEC) != 0)
            throw EPluginError(std::string("cannot create a pipe to probe a library: ") + std::strerror(errno));
    }
    ~TPipe() {
        Close(0);
        Close(1);
    }
    TPipe(const TPipe&) = delete;
    TPipe& operator=(const TPipe&) = delete;
    int ReadEnd() const noexcept { return FEnds[0]; }
    int WriteEnd() const noexcept { return FEnds[1]; }
    void Close(int end) noexcept {
        if (FEnds[end] >= 0) ::close(FEnds[end]);
        FEnds[end] = -1;
    }

private:
    std::array<int, 2> FEnds{-1, -1};
};

void WriteAll(int fd, std::string_view text) noexcept {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

std::string Demangled(const char* name) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> plain(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                            &std::free);
    return status == 0 && plain ? std::string(plain.get()) : std::string(name);
}

// The terminate handler has no way to take context; inside the child, and only there, the
// report pipe's descriptor is kept here for it.
int& ChildReportFd() noexcept {
    static int fd = -1;
    return fd;
}

// An exception that escapes a library's start-up code ends the process inside the loader,
// which cannot pass it on; say what it was before the abort does its work.
[[noreturn]] void ReportEscapedException() {
    std::string what = "an exception";
    if (const std::type_info* type = abi::__cxa_current_exception_type())
        what = "an exception of type " + Demangled(type->name());
    try {
        if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
    } catch (const std::exception& e) {
        what += " (" + std::string(e.what()) + ")";
    } catch (...) {
        what += ", which is not a std::exception,";
    }
    WriteAll(ChildReportFd(), std::string(1, kEscaped) + OneLine(what) + "\n");
    std::abort();
}

// A host may have its own crash handlers; in the child the crash must show as the signal it is.
void DefaultFatalSignals() noexcept {
    sigset_t fatal;
    sigemptyset(&fatal);
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS}) {
        struct sigaction action{};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
        sigaddset(&fatal, signal);
    }
    ::sigprocmask(SIG_UNBLOCK, &fatal, nullptr);
}

std::string SignalName(int signal) {
    if (const char* abbreviation = sigabbrev_np(signal)) return std::string("SIG") + abbreviation;
    return "signal " + std::to_string(signal);
}

std::string Seconds(std::chrono::milliseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(time.count()) / 1000.0);
    return text;
}

}  // namespace

std::string ProbeStageName(TProbeStage Stage) {
    switch (Stage) {
        case TProbeStage::psCheck: return "the pre-load check";
        case TProbeStage::psStartUp: return "the library's start-up code";
        case TProbeStage::psRegister: return "PluginRegister";
        case TProbeStage::psInitialize: return "Initialize";
        case TProbeStage::psPluginInitialize: return "PluginInitialize";
        case TProbeStage::psDone: return "done";
    }
    return "an unknown stage";
}

TProbeResult TZarixPluginManager::ProbePluginFile(const std::string& Filename, std::chrono::milliseconds Timeout) {
    CheckNotDesigning();
    TProbeResult result;
    result.File = Filename;
    const std::string shortName = ExtractFileName(Filename);
    TPipe pipe;
    // Whatever waits in the output buffers would otherwise be written twice, once by the child.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) throw EPluginError(shortName + ": cannot start a process to probe it: " + std::strerror(errno));
    if (child == 0) {
        // The child: a copy of this manager loads the library and says how far it got. The
        // host's events and container stay out of it: they belong to the parent's windows.
        const int fd = pipe.WriteEnd();
        ChildReportFd() = fd;
        DefaultFatalSignals();
        std::set_terminate(&ReportEscapedException);
        FOnBeforeLoading = nullptr;
        FOnAfterLoading = nullptr;
        FOnNewCommand = nullptr;
        FMDIContainer = nullptr;
        TProbeStage reached = TProbeStage::psCheck;
        FOnStage = [fd, &reached](TProbeStage stage) {
            reached = stage;
            WriteAll(fd, std::string(1, kStage) + static_cast<char>('0' + static_cast<int>(stage)) + "\n");
        };
        try {
            TCapturingExceptionSink reports;
            LoadPlugin(Filename, true);
            if (reached != TProbeStage::psDone) {
                // Loaded without error but nothing recorded: the manager reported why.
                const std::string why = reports.Reports().empty() ? shortName + ": no plugin was recorded"
                                                                  : reports.Reports().back().Message;
                WriteAll(fd, std::string(1, kError) + "EPluginError\t" + OneLine(why) + "\n");
                ::_exit(3);
            }
            ::_exit(0);
        } catch (const std::exception& e) {
            WriteAll(fd, std::string(1, kError) + ExceptionClassName(e) + "\t" + OneLine(e.what()) + "\n");
        } catch (...) {
            WriteAll(fd, std::string(1, kError) + "unknown\t" + shortName + ": an exception of unknown type\n");
        }
        ::_exit(3);
    }

    pipe.Close(1);
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    auto remaining = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    };
    std::string received, escaped;
    bool finished = false;
    char buffer[512];
    while (!finished) {
        const auto left = remaining();
        if (left.count() <= 0) {
            result.TimedOut = true;
            break;
        }
        pollfd wait{pipe.ReadEnd(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) continue;  // the deadline is checked at the top
        const ssize_t got = ::read(pipe.ReadEnd(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        received.append(buffer, static_cast<std::size_t>(got));
    }
    // The child has closed its end (or gone quiet past the deadline); it still gets the rest
    // of its time to end.
    int status = 0;
    bool reaped = false;
    while (!result.TimedOut && !reaped) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) reaped = true;
        else if (done < 0 && errno != EINTR) break;
        else if (remaining().count() <= 0) result.TimedOut = true;
        else std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!reaped) {
        ::kill(child, SIGKILL);
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }

    std::string errorMessage;
    std::size_t start = 0;
    while (start < received.size()) {
        std::size_t end = received.find('\n', start);
        if (end == std::string::npos) end = received.size();
        const std::string_view line(received.data() + start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        if (line[0] == kStage && line.size() == 2 && line[1] >= '0' && line[1] <= '5')
            result.Stage = static_cast<TProbeStage>(line[1] - '0');
        else if (line[0] == kError) {
            const std::size_t tab = line.find('\t');
            result.ErrorClass = std::string(line.substr(1, tab == std::string_view::npos ? 0 : tab - 1));
            errorMessage = tab == std::string_view::npos ? std::string(line.substr(1)) : std::string(line.substr(tab + 1));
        } else if (line[0] == kEscaped) escaped = std::string(line.substr(1));
    }

    const std::string where = " in " + ProbeStageName(result.Stage);
    if (result.TimedOut) {
        result.Message = shortName + ": no answer within " + Seconds(Timeout) + where + "; the probe was stopped";
    } else if (WIFSIGNALED(status)) {
        result.Signal = WTERMSIG(status);
        result.Message = shortName + ": " + SignalName(result.Signal) + where;
        if (!escaped.empty()) result.Message += " (" + escaped + " escaped it)";
    } else if (!errorMessage.empty()) {
        result.Message = errorMessage;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && result.Stage == TProbeStage::psDone) {
        result.Passed = true;
    } else {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.Message = shortName + ": the process ended with exit code " + std::to_string(code) + where;
    }
    return result;
}

std::vector<TProbeResult> TZarixPluginManager::ProbePluginFiles(std::chrono::milliseconds Timeout) {
    std::vector<TProbeResult> results;
    for (const std::string& file : FindPluginFiles()) results.push_back(ProbePluginFile(file, Timeout));
    return results;
}

}  // namespace zarix
