// What the menu and toolbar listings share: a manager over a plugin folder, loaded the way a
// host loads it, and the database a user's settings come from.
#pragma once

#include "commands.h"
#include "manager/ZarixPluginManager.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarixctl {

struct THostSession {
    std::unique_ptr<zarix::TZarixPluginManager> Manager;
    std::vector<std::string> Failures;  // "file: message" of each library that did not load
    std::optional<int32_t> User;

    /// Loads the folder of --folder/--ext, going on past a library that fails; opens --db as
    /// "DBCONN" and logs --user in when given. Raises when the database cannot be opened.
    explicit THostSession(const TArgs& args);
    ~THostSession();
    THostSession(const THostSession&) = delete;
    THostSession& operator=(const THostSession&) = delete;
    void PrintFailures() const;
};

}  // namespace zarixctl
