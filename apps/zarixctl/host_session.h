// What the menu and toolbar listings share: a manager over a plugin folder, loaded the way a
// host loads it, and the database a user's settings come from.
#pragma once

#include "commands.h"
#include "manager/ZarixPluginManager.h"
#include "reported_errors.h"
#include "services/db/zarix_db.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarixctl {

/// The host's connection "DBCONN" on a file, closed when it goes.
class THostConnection {
public:
    THostConnection(const std::string& file, zarix::TDBOpenMode mode);
    ~THostConnection();
    THostConnection(const THostConnection&) = delete;
    THostConnection& operator=(const THostConnection&) = delete;
};

/// Raises when --folder names no folder: loading nothing from a mistyped one would look like
/// an application without modules.
void RequirePluginFolder(const TArgs& args);

struct THostSession {
    // Declared in this order so the plugins unload before the database closes, while their
    // reports are still counted.
    TReportedErrors Reports;
    std::optional<THostConnection> Database;
    std::unique_ptr<zarix::TZarixPluginManager> Manager;
    std::vector<std::string> Failures;  // "file: message" of each library that did not load
    std::optional<int32_t> User;

    /// Opens --db as "DBCONN" (an existing database only, unless Mode says otherwise), logs
    /// --user in, which must be a user of that database, and loads the folder of
    /// --folder/--ext, going on past a library that fails. Raises on a database that cannot be
    /// opened, a user that is not there and a folder that is not there.
    explicit THostSession(const TArgs& args, zarix::TDBOpenMode Mode = zarix::TDBOpenMode::omExistingOnly);
    THostSession(const THostSession&) = delete;
    THostSession& operator=(const THostSession&) = delete;
    void PrintFailures() const;
    /// True when a library did not load or the framework reported an error.
    bool Failed() const noexcept { return !Failures.empty() || Reports.Count() > 0; }
};

}  // namespace zarixctl
