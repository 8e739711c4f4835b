// A version typed on the command line, held to what the framework's versions can be: the
// parser itself takes "-1" as 65535 and ignores a fifth part, which on a database's version
// would make every later upgrade look unnecessary.
#pragma once

#include "plugin/plugin_utils.h"

#include <optional>
#include <string>

namespace zarixctl {

/// Why Text is not a version of one to four parts of 0 to 65535 each; nothing when it is one.
inline std::optional<std::string> VersionOptionProblem(const std::string& Text) {
    const zarix::TExplodeArray parts = zarix::Explode(".", Text);
    if (parts.size() > 4) return "a version has at most four parts";
    for (const std::string& part : parts) {
        if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos)
            return "\"" + part + "\" is not a number from 0 to 65535";
        if (std::stoi(part) > 65535) return part + " is above 65535";
    }
    zarix::VersionParser(Text);  // the parser has the last word on what it reads
    return std::nullopt;
}

}  // namespace zarixctl
