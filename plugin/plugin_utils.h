// Free helpers of the plugin contract: splitting texts, parsing and comparing versions, and
// the display names of plugins.
#pragma once

#include "platform/rtl/export.h"
#include "plugin/plugin_types.h"

#include <string>
#include <string_view>

namespace zarix {

/// Splits Text at every occurrence of Separator (exact, case-sensitive): n occurrences give
/// n + 1 elements, empty ones included. An empty Separator gives the whole text as one element.
ZARIX_API TExplodeArray Explode(std::string_view Separator, std::string_view Text);

/// Parses "Major.Minor.Release.Build". Missing parts are 0, parts after the fourth are
/// ignored, each part is kept modulo 65536. A part that is not an integer (an empty part
/// included) raises EConvertError.
ZARIX_API TVersion VersionParser(std::string_view Text);

/// "<", "=" or ">": how A stands to B.
ZARIX_API std::string VersionCompare(const TVersion& A, const TVersion& B);

/// One string of a library file's version resource, in its first translation; the empty text
/// when the file has no version block, no translation or no such key.
ZARIX_API std::string GetVersionInfoString(const std::string& FileName, const std::string& Key);

/// The "FileVersion" of a library file parsed as a version; a file without one, or with one
/// written otherwise than with dots ("1, 0, 0, 0"), raises EConvertError.
ZARIX_API TVersion GetVersionInfo(const std::string& FileName);

/// The display name of a plugin identifier; an identifier without one comes back unchanged.
ZARIX_API std::string GetNicePluginName(const std::string& PluginName);

}  // namespace zarix
