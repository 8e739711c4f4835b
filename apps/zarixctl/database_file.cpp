// Existing paths, the checks before a replacement, and the staged file's rename into place.
#include "database_file.h"

#include "platform/rtl/exceptions.h"
#include "services/db/integrity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace zarixctl {

using zarix::Exception;

namespace {

constexpr const char* kWritableFile = "a file";

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// The folder of Path, for syncing a rename into it.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename survives a power cut only once its folder is on disk too.
void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::optional<std::string> ExistingPathKind(const std::string& Path) {
    struct stat st {};
    if (::lstat(Path.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        throw Exception(SystemError("cannot examine " + Path));
    }
    if (S_ISLNK(st.st_mode)) return std::string("a symbolic link");
    if (S_ISDIR(st.st_mode)) return std::string("a folder");
    if (!S_ISREG(st.st_mode)) return std::string("a special file");
    // The mode bits count as well as access(): the superuser may write anything, yet a file
    // nobody may write was made read-only on purpose.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(Path.c_str(), W_OK) != 0)
        return std::string("a read-only file");
    if (st.st_size == 0) return std::string("an empty file");
    return std::string(kWritableFile);
}

std::optional<std::string> JournalBeside(const std::string& Path) {
    for (const char* suffix : {"-journal", "-wal"})
        if (Exists(Path + suffix))
            return Path + suffix + " lies beside it and may hold changes of a database at this path; open that "
                                   "database once with sqlite3 to settle it, or remove the file";
    return std::nullopt;
}

std::optional<std::string> ReplaceRefusal(const std::string& Path) {
    const std::optional<std::string> kind = ExistingPathKind(Path);
    if (!kind) return std::nullopt;
    if (*kind != kWritableFile) return "it is " + *kind + "; only a writable SQLite database file is ever replaced";
    if (std::optional<std::string> journal = JournalBeside(Path)) return journal;
    if (const std::optional<std::string> problem = zarix::DatabaseFileProblem(Path)) return *problem;
    if (Exists(Path + ".bak")) return Path + ".bak already exists; move it away first, a backup is never overwritten";
    return std::nullopt;
}

TStagedFile::TStagedFile(std::string Target) : FTarget(std::move(Target)) {
    std::random_device seed;
    std::mt19937 random(seed());
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 8; ++i) suffix += kLetters[random() % (sizeof kLetters - 1)];
        std::string path = FTarget + ".tmp-" + suffix;
        // Created here rather than by SQLite so that a name already taken is never reused;
        // the mode gives the usual permissions of a new file under the user's umask.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            FPath = std::move(path);
            return;
        }
        if (errno != EEXIST) throw Exception(SystemError("cannot create a file beside " + FTarget));
    }
    throw Exception("cannot find a free temporary name beside " + FTarget);
}

TStagedFile::~TStagedFile() {
    if (FInstalled) return;
    std::remove(FPath.c_str());
    std::remove((FPath + "-journal").c_str());
}

void TStagedFile::InstallNew() {
    // Unlike rename, renameat2 with RENAME_NOREPLACE never replaces a file made meanwhile.
    if (::renameat2(AT_FDCWD, FPath.c_str(), AT_FDCWD, FTarget.c_str(), RENAME_NOREPLACE) != 0)
        throw Exception(SystemError("cannot put the new database in place as " + FTarget));
    Installed();
}

void TStagedFile::InstallReplacing() {
    const std::string backup = FTarget + ".bak";
    // A second name for the old file: at no moment is there no database at the target.
    if (::link(FTarget.c_str(), backup.c_str()) != 0) throw Exception(SystemError("cannot keep the old file as " + backup));
    if (::rename(FPath.c_str(), FTarget.c_str()) != 0) {
        const std::string error = SystemError("cannot put the new database in place as " + FTarget);
        ::unlink(backup.c_str());
        throw Exception(error);
    }
    Installed();
}

void TStagedFile::Installed() {
    FInstalled = true;
    SyncFolder(FTarget);
}

}  // namespace zarixctl
