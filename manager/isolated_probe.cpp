// Probing plugin libraries in a forked child: the child loads them as the manager would and
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
#include <charconv>
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

// The child writes lines: "F<index>" as it starts a library, "S<stage digit>" as it enters a
// stage, "E<class>\t<message>" when the load raised, "X<text>" when an exception is about to end
// it, "R" when it is done with the library. Newlines inside a text become spaces so that one
// report stays one line.
constexpr char kStage = 'S';
constexpr char kError = 'E';
constexpr char kEscaped = 'X';
constexpr char kFile = 'F';    // "F<index>": the child starts the library at that index
constexpr char kResult = 'R';  // the child is done with the library it started

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

void TZarixPluginManager::ProbeInChild(int Fd, const std::vector<std::string>& Files, std::size_t First) {
    // A copy of this manager loads the libraries one after another and says how far each got.
    // The host's events and container stay out of it: they belong to the parent's windows.
    ChildReportFd() = Fd;
    DefaultFatalSignals();
    std::set_terminate(&ReportEscapedException);
    FOnBeforeLoading = nullptr;
    FOnAfterLoading = nullptr;
    FOnNewCommand = nullptr;
    FMDIContainer = nullptr;
    TProbeStage reached = TProbeStage::psCheck;
    FOnStage = [Fd, &reached](TProbeStage stage) {
        reached = stage;
        WriteAll(Fd, std::string(1, kStage) + static_cast<char>('0' + static_cast<int>(stage)) + "\n");
    };
    for (std::size_t i = First; i < Files.size(); ++i) {
        WriteAll(Fd, std::string(1, kFile) + std::to_string(i) + "\n");
        reached = TProbeStage::psCheck;
        try {
            TCapturingExceptionSink reports;
            LoadPlugin(Files[i], true);
            if (reached != TProbeStage::psDone) {
                // Loaded without error but nothing recorded: the manager reported why.
                const std::string why = reports.Reports().empty()
                                            ? ExtractFileName(Files[i]) + ": no plugin was recorded"
                                            : reports.Reports().back().Message;
                WriteAll(Fd, std::string(1, kError) + "EPluginError\t" + OneLine(why) + "\n");
            }
        } catch (const std::exception& e) {
            WriteAll(Fd, std::string(1, kError) + ExceptionClassName(e) + "\t" + OneLine(e.what()) + "\n");
        } catch (...) {
            WriteAll(Fd, std::string(1, kError) + "unknown\t" + ExtractFileName(Files[i]) +
                             ": an exception of unknown type\n");
        }
        WriteAll(Fd, std::string(1, kResult) + "\n");
    }
    ::_exit(0);
}

TProbeResult TZarixPluginManager::ProbePluginFile(const std::string& Filename, std::chrono::milliseconds Timeout) {
    return ProbePluginFiles(std::vector<std::string>{Filename}, Timeout).front();
}

std::vector<TProbeResult> TZarixPluginManager::ProbePluginFiles(std::chrono::milliseconds Timeout) {
    return ProbePluginFiles(FindPluginFiles(), Timeout);
}

std::vector<TProbeResult> TZarixPluginManager::ProbePluginFiles(const std::vector<std::string>& Files,
                                                                std::chrono::milliseconds Timeout) {
    CheckNotDesigning();
    std::vector<TProbeResult> results(Files.size());
    for (std::size_t i = 0; i < Files.size(); ++i) results[i].File = Files[i];
    // One child loads the libraries in turn, as LoadPlugins would; when one takes it down, the
    // next child goes on after that library. Only a library that fails costs a process.
    std::size_t next = 0;
    while (next < Files.size()) {
        TPipe pipe;
        // Whatever waits in the output buffers would otherwise be written twice, once by the child.
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child < 0)
            throw EPluginError(ExtractFileName(Files[next]) + ": cannot start a process to probe it: " +
                               std::strerror(errno));
        if (child == 0) ProbeInChild(pipe.WriteEnd(), Files, next);
        pipe.Close(1);

        // Each library gets Timeout from the moment the child starts it.
        auto deadline = std::chrono::steady_clock::now() + Timeout;
        auto remaining = [&] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        };
        constexpr std::size_t kNone = static_cast<std::size_t>(-1);
        std::size_t current = kNone;  // the library the child is loading now
        std::string pending, escaped;
        bool timedOut = false;
        auto take = [&](std::string_view line) {
            if (line.empty()) return;
            const std::string_view rest = line.substr(1);
            if (line[0] == kFile) {
                std::size_t index = kNone;
                const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
                current = error == std::errc() && end == rest.data() + rest.size() && index < results.size() ? index : kNone;
                deadline = std::chrono::steady_clock::now() + Timeout;
                escaped.clear();
            } else if (current == kNone) {
                return;
            } else if (line[0] == kStage && rest.size() == 1 && rest[0] >= '0' && rest[0] <= '5') {
                results[current].Stage = static_cast<TProbeStage>(rest[0] - '0');
            } else if (line[0] == kError) {
                const std::size_t tab = rest.find('\t');
                results[current].ErrorClass = std::string(rest.substr(0, tab == std::string_view::npos ? 0 : tab));
                results[current].Message =
                    std::string(tab == std::string_view::npos ? rest : rest.substr(tab + 1));
            } else if (line[0] == kEscaped) {
                escaped = std::string(rest);
            } else if (line[0] == kResult) {
                TProbeResult& result = results[current];
                result.Passed = result.Message.empty() && result.Stage == TProbeStage::psDone;
                next = current + 1;
                current = kNone;
            }
        };
        char buffer[4096];
        for (;;) {
            const auto left = remaining();
            if (left.count() <= 0) {
                timedOut = true;
                break;
            }
            pollfd wait{pipe.ReadEnd(), POLLIN, 0};
            const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
            if (ready <= 0) continue;  // interrupted, or the deadline, checked at the top
            const ssize_t got = ::read(pipe.ReadEnd(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                take(std::string_view(pending).substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        // The child has closed its end, or stayed silent past the deadline; a child that keeps
        // running with its end closed gets the same deadline to end.
        int status = 0;
        bool reaped = false;
        while (!timedOut && !reaped) {
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child) reaped = true;
            else if (done < 0 && errno != EINTR) break;
            else if (remaining().count() <= 0) timedOut = true;
            else std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        if (!reaped) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
        if (current == kNone && next < Files.size()) {
            // The child ended between two libraries without starting the next one: blame the
            // next one rather than start children forever.
            current = next;
            results[next].Stage = TProbeStage::psCheck;
        }
        if (current == kNone) break;
        TProbeResult& result = results[current];
        const std::string shortName = ExtractFileName(result.File);
        const std::string where = " in " + ProbeStageName(result.Stage);
        if (timedOut) {
            result.TimedOut = true;
            result.Message = shortName + ": no answer within " + Seconds(Timeout) + where + "; the probe was stopped";
        } else if (WIFSIGNALED(status)) {
            result.Signal = WTERMSIG(status);
            result.Message = shortName + ": " + SignalName(result.Signal) + where;
            if (!escaped.empty()) result.Message += " (" + escaped + " escaped it)";
        } else {
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            result.Message = shortName + ": the process ended with exit code " + std::to_string(code) + where;
        }
        result.Passed = false;
        next = current + 1;
    }
    return results;
}

}  // namespace zarix
