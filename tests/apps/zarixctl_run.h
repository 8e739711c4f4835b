// The real zarixctl as a child process, the databases the tests start from, and the exact
// state of a folder before and after a command.
#pragma once

#include "services/db/zarix_db.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace zarixctl_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// A started zarixctl, its standard error and output written to files (one file for both when
/// they are the same); killed if still running at its end.
class TChild {
public:
    TChild(std::vector<std::string> args, const fs::path& errors, const fs::path& output = "/dev/null") {
        args.insert(args.begin(), ZARIXCTL);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output == errors) posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
        else posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&FPid, ZARIXCTL, &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TChild() { Wait(true); }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    /// The exit code, 128 + the signal that ended it, or -1 when it never started.
    int Wait(bool kill = false) {
        if (FPid > 0 && FStatus < 0 && kill) ::kill(FPid, SIGKILL);
        if (FPid > 0 && FStatus < 0) ::waitpid(FPid, &FStatus, 0);
        if (FStatus < 0) return -1;
        return WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : 128 + WTERMSIG(FStatus);
    }

private:
    pid_t FPid = -1;
    int FStatus = -1;
};

struct TRun { int Exit; std::string Errors; std::string Output; };

inline TRun Zarixctl(const std::vector<std::string>& args) {
    const fs::path errors = fs::path(::testing::TempDir()) / ("zarixctl-stderr-" + std::to_string(::getpid()));
    const fs::path output = fs::path(::testing::TempDir()) / ("zarixctl-stdout-" + std::to_string(::getpid()));
    const int exit = TChild(args, errors, output).Wait();
    const TRun run{exit, ReadFile(errors), ReadFile(output)};
    fs::remove(errors);
    fs::remove(output);
    return run;
}

/// The arguments with each "@name" standing for that entry of Folder.
inline std::vector<std::string> ArgsIn(const fs::path& Folder, std::vector<std::string> args) {
    for (std::string& a : args)
        if (!a.empty() && a.front() == '@') a = (Folder / a.substr(1)).string();
    return args;
}

/// The arguments as one line, for failure messages.
inline std::string Shown(const std::vector<std::string>& args) {
    std::string what;
    for (const std::string& a : args) what += a + ' ';
    return what;
}

/// Every entry below Path with its mode and its bytes or link target, in name order.
inline std::string PathState(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "(nothing)\n";
    const std::string head = path.filename().string() + " " + std::to_string(st.st_mode) + " ";
    if (S_ISLNK(st.st_mode)) return head + "-> " + fs::read_symlink(path).string() + '\n';
    if (!S_ISDIR(st.st_mode)) return head + std::to_string(st.st_size) + ": " + ReadFile(path) + '\n';
    std::set<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) entries.insert(entry.path());
    std::string state = head + "{\n";
    for (const fs::path& entry : entries) state += PathState(entry);
    return state + "}\n";
}

/// The demo database, with one more user, 7, so a replacement by a new demo one shows.
inline void MakeDatabase(const fs::path& path) {
    ASSERT_EQ(Zarixctl({"demo-db", path}).Exit, 0);
    zarix::DBInt().OpenConnection("TEST", path);
    zarix::DBInt().ExecSQL("TEST", "INSERT INTO Users VALUES (7, 'ewa', 'Ewa Nowak', 0)");
    zarix::DBInt().CloseConnection("TEST");
}

/// A database whose table Notatki has its root page, an interior one, overwritten with garbage.
inline void MakeDamagedDatabase(const fs::path& path) {
    MakeDatabase(path);
    zarix::DBInt().OpenConnection("TEST", path);
    zarix::DBInt().ExecSQL("TEST", "CREATE TABLE Notatki (a TEXT); "
                                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                                   "INSERT INTO Notatki SELECT printf('%0200d', i) FROM n");
    zarix::TDBQuery page("SELECT rootpage, page_size FROM sqlite_master, pragma_page_size WHERE name = 'Notatki'",
                         "TEST");
    page.Open();
    const long root = std::stol(page.FieldByName("rootpage")), size = std::stol(page.FieldByName("page_size"));
    page.Close();
    zarix::DBInt().CloseConnection("TEST");
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp((root - 1) * size)
        << std::string(static_cast<std::size_t>(size), '\x5a');
}

}  // namespace zarixctl_test
