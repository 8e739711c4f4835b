// The demo database of the sample application: the framework's tables and two users. Shared by
// zarixctl's demo-db and the desktop application, which makes one when none is there.
#pragma once

#include "plugin/plugin_types.h"

#include <string>

namespace zarix {
class TZarixPluginManager;
}

namespace zarixctl {

/// Where the host keeps the version its database was last checked for (user 0).
inline const std::string kVersionParameter = "Administracja|WersjaBazy";

/// Creates the tables in the open connection "DBCONN" and fills them for users 1 and 2, in one
/// transaction; with KeepOtherRows the demo users' rows are first taken out of tables that
/// already hold them (a server database filled in place).
void FillDemoDatabase(bool KeepOtherRows = false);

/// The version the database is brought to: the highest of its own and the modules' needs, in
/// the dependency check's ordering.
std::string NewVersion(const zarix::TZarixPluginManager& manager, const std::string& existing);

}  // namespace zarixctl
