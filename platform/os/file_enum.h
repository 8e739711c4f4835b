// Listing the files of a folder that match a wildcard.
#pragma once

#include "platform/rtl/export.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// Whether Name matches Pattern, where "*" stands for any run of characters and "?" for one
/// character; letters are compared without regard to ASCII case, as the platform matches
/// file names.
ZARIX_API bool MatchesMask(std::string_view Pattern, std::string_view Name) noexcept;

/// The ordinary files of Folder whose names match Pattern, in the order the file system
/// returns them; folders, hidden files (names starting with ".") and anything that is not a
/// regular file are skipped. A folder that does not exist or cannot be read gives none.
ZARIX_API std::vector<std::string> FindFiles(const std::string& Folder, std::string_view Pattern);

/// The folder of the running executable, with a trailing "/".
ZARIX_API std::string ExecutableFolder();
/// The full path of the running executable.
ZARIX_API std::string ExecutablePath();

}  // namespace zarix
