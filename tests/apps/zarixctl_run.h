// Running the real zarixctl as a child process, and the exact state of a path before and after.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace zarixctl_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// A started zarixctl with its standard error in a file.
class TChild {
public:
    TChild(const std::vector<std::string>& args, const fs::path& errors) {
        std::vector<std::string> argv{ZARIXCTL};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc = posix_spawn(&FPid, ZARIXCTL, &actions, nullptr, raw.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) ADD_FAILURE() << "cannot start " << ZARIXCTL;
    }
    ~TChild() {
        if (FPid > 0 && !FDone) Kill();
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    void Kill() {
        if (!FDone) ::kill(FPid, SIGKILL);
        Wait();
    }
    /// The exit code, or 128 + the signal that ended it.
    int Wait() {
        if (!FDone) {
            ::waitpid(FPid, &FStatus, 0);
            FDone = true;
        }
        return WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : 128 + WTERMSIG(FStatus);
    }

private:
    pid_t FPid = -1;
    int FStatus = 0;
    bool FDone = false;
};

struct TRun {
    int Exit;
    std::string Errors;
};

inline TRun Zarixctl(const std::vector<std::string>& args) {
    const fs::path errors = fs::path(::testing::TempDir()) / ("zarixctl-stderr-" + std::to_string(::getpid()));
    TChild child(args, errors);
    const int exit = child.Wait();
    TRun run{exit, ReadFile(errors)};
    fs::remove(errors);
    return run;
}

/// Everything about a path a command could change: its kind, mode, bytes or link target, and
/// for a folder its entries.
inline std::string PathState(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "(nothing)";
    std::ostringstream out;
    out << std::oct << st.st_mode << std::dec << ' ';
    if (S_ISLNK(st.st_mode)) out << "-> " << fs::read_symlink(path).string();
    else if (S_ISDIR(st.st_mode)) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) names.insert(entry.path().filename().string());
        for (const std::string& name : names) out << name << '/';
    } else out << ReadFile(path);
    return out.str();
}

/// The names in a folder.
inline std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

/// A fresh folder of the test's own, removed with everything in it afterwards.
class TScratchFolder {
public:
    explicit TScratchFolder(const std::string& name)
        : FPath(fs::path(::testing::TempDir()) / ("zarixctl-" + name + "-" + std::to_string(::getpid()))) {
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TScratchFolder() {
        std::error_code ignored;
        fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(FPath, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    fs::path operator/(const std::string& name) const { return FPath / name; }
    const fs::path& Path() const noexcept { return FPath; }

private:
    fs::path FPath;
};

}  // namespace zarixctl_test
