// The real zarixctl as a child process, and the files it wrote.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace zarixctl_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// A started zarixctl, its standard error and output each in a temporary file of its own, or both
/// in one when their order matters; killed if still running at its end, its files removed.
class TChild {
public:
    explicit TChild(std::vector<std::string> args, bool oneFile = false) {
        static int started = 0;
        const std::string stem = ::testing::TempDir() + "zarixctl-" + std::to_string(::getpid()) + "-" + std::to_string(++started);
        FErrors = stem + ".err";
        FOutput = oneFile ? FErrors : fs::path(stem + ".out");
        args.insert(args.begin(), ZARIXCTL);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, FErrors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (oneFile) posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
        else posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, FOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&FPid, ZARIXCTL, &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TChild() {
        Wait(true);
        fs::remove(FErrors);
        fs::remove(FOutput);
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    /// The exit code, 128 + the signal that ended it, or -1 when it never started.
    int Wait(bool kill = false) {
        if (FPid > 0 && FStatus < 0 && kill) ::kill(FPid, SIGKILL);
        if (FPid > 0 && FStatus < 0) ::waitpid(FPid, &FStatus, 0);
        if (FStatus < 0) return -1;
        return WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : 128 + WTERMSIG(FStatus);
    }
    std::string Errors() const { return ReadFile(FErrors); }
    std::string Output() const { return ReadFile(FOutput); }

private:
    fs::path FErrors, FOutput;
    pid_t FPid = -1;
    int FStatus = -1;
};

struct TRun {
    int Exit;
    std::string Errors, Output;
};

/// Runs zarixctl to its end.
inline TRun Ctl(const std::vector<std::string>& args) {
    TChild child(args);
    const int exit = child.Wait();
    return {exit, child.Errors(), child.Output()};
}

}  // namespace zarixctl_test
