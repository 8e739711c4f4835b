// The tables of the host's database that the framework and the database services read, and
// the call that creates them; docs/database.md describes every column.
#pragma once

#include "platform/rtl/export.h"

#include <string>

namespace zarix {

/// Creates, all or none, every table the framework and its services read: Users,
/// UserParameters, UserPrivileges and UserToolBar. Tables that exist are left as they are, so
/// calling it on a filled database changes nothing. Raises EDatabaseError.
ZARIX_API void CreateZarixTables(const std::string& ConnectionName);

}  // namespace zarix
