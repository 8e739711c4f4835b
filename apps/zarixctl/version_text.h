// Versions as people read them.
#pragma once

#include "plugin/plugin_types.h"

#include <string>

namespace zarixctl {

inline std::string VersionText(const zarix::TVersion& v) {
    return std::to_string(v.Major) + "." + std::to_string(v.Minor) + "." + std::to_string(v.Release) + "." +
           std::to_string(v.Build);
}

}  // namespace zarixctl
