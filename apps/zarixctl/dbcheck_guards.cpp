// The version and soundness checks dbcheck runs before the modules touch the database.
#include "dbcheck_guards.h"

#include "platform/rtl/exceptions.h"
#include "plugin/plugin_utils.h"
#include "services/db/integrity.h"
#include "services/db/zarix_db.h"
#include "version_option.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

// A lower --version would have the modules redo upgrades, store an older version, or seed
// rows into a database that is not new.
void RequireNotBackwards(const std::string& Given, const std::string& Stored) {
    if (Stored.empty() || Given == Stored) return;
    if (VersionOptionProblem(Stored)) {
        // A stored text that is no version stops every module; --version is the way out.
        std::cerr << "zarixctl: the stored version \"" << Stored << "\" is not a version; the check takes "
                  << (Given.empty() ? "a new database" : Given) << " instead\n";
        return;
    }
    if (Given.empty() || VersionCompare(VersionParser(Given), VersionParser(Stored)) == "<")
        throw Exception("--version \"" + Given + "\" is older than the database's version " + Stored +
                        ", which never moves backwards");
}

// Opening it read-write first lets SQLite roll back what a killed writer left in its journal,
// which is SQLite's own recovery and no change to the data.
std::vector<std::string> ExistingDatabaseProblems(const std::string& File) {
    const std::string connection = "DBCHECK_BEFORE";
    DBInt().OpenConnection(connection, File, TDBOpenMode::omExistingOnly);
    std::vector<std::string> problems;
    try {
        problems = QuickCheck(connection);
    } catch (...) {
        DBInt().CloseConnection(connection);
        throw;
    }
    DBInt().CloseConnection(connection);
    return problems;
}

std::string ProblemsText(const std::vector<std::string>& Problems) {
    constexpr std::size_t kShown = 3;
    std::string text;
    for (std::size_t i = 0; i < Problems.size() && i < kShown; ++i) text += (i ? "; " : "") + Problems[i];
    if (Problems.size() > kShown) text += "; and more";
    return text;
}

}  // namespace zarixctl
