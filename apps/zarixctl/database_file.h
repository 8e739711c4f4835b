// Making a database file without ever losing what was at its path: what is there, whether it
// may be replaced, and a new file built beside it under a temporary name and put in place by
// one rename.
#pragma once

#include <optional>
#include <string>

namespace zarixctl {

/// What is at Path, as a person would name it ("a folder", "an empty file", "a symbolic
/// link", ...); nothing when there is nothing at all. Raises when the path cannot be examined.
std::optional<std::string> ExistingPathKind(const std::string& Path);

/// The journal of an SQLite database at Path, when one is there: SQLite would take it for the
/// journal of any new database put at Path and roll its pages into it.
std::optional<std::string> JournalBeside(const std::string& Path);

/// Why Path may not be replaced by a new database: it is not a regular writable file, not a
/// sound SQLite database, has a journal beside it, or its backup Path.bak already exists.
/// Nothing when it may.
std::optional<std::string> ReplaceRefusal(const std::string& Path);

/// A new file beside Target under a temporary name, removed on destruction unless installed.
class TStagedFile {
public:
    explicit TStagedFile(std::string Target);
    ~TStagedFile();
    TStagedFile(const TStagedFile&) = delete;
    TStagedFile& operator=(const TStagedFile&) = delete;

    const std::string& Path() const noexcept { return FPath; }
    /// Renames the staged file to the target, which must not exist; raises when it does.
    void InstallNew();
    /// Keeps the target's file as Target.bak (a hard link, so it never goes missing), then
    /// renames the staged file over the target. Raises, leaving the target as it was, on failure.
    void InstallReplacing();

private:
    void Installed();

    std::string FTarget;
    std::string FPath;
    bool FInstalled = false;
};

}  // namespace zarixctl
