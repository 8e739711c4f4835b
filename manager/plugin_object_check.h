// Whether what a library's PluginRegister returned is a plugin component, found out without
// trusting it: a wrong pointer must be refused, not followed.
#pragma once

#include <optional>
#include <string>

namespace zarix {

/// Nothing when Candidate (not nullptr) points at a live TZarixPlugin; otherwise what it is
/// instead, in a few words ("an object of class TFoo", "an address with no writable memory").
std::optional<std::string> WhyNotAPluginObject(const void* Candidate);

}  // namespace zarix
