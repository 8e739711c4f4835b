// Whether a database is sound: SQLite's quick check on an open connection, and the check of a
// file that is about to be replaced or reused.
#pragma once

#include "platform/rtl/export.h"

#include <optional>
#include <string>
#include <vector>

namespace zarix {

/// What PRAGMA quick_check finds wrong in the database of connection ConnectionName, at most
/// Limit texts; empty when it finds nothing. A check that SQLite cannot finish counts as one
/// problem with its reason. A server database answers nothing: the server keeps its own files
/// sound. Raises EDatabaseError only when the connection is not open.
ZARIX_API std::vector<std::string> QuickCheck(const std::string& ConnectionName, int Limit = 10);

/// Why FileName is not a sound SQLite database: it lacks SQLite's header, does not open, or
/// fails the quick check; nothing when it is one. Opens the file read-only and creates nothing.
ZARIX_API std::optional<std::string> DatabaseFileProblem(const std::string& FileName);

}  // namespace zarix
