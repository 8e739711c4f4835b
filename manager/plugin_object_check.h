// Whether what a library's PluginRegister returned is a plugin component, found out without
// trusting it: a wrong pointer must be refused, not followed.
#pragma once

#include "platform/os/library_check.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zarix {

/// Where a library just loaded lies (its load bias) and what of it the loader mapped readable,
/// as the check before loading found it.
struct TLoadedImage {
    uintptr_t Bias = 0;
    std::span<const TReadableSpan> Readable;
};

/// Nothing when Candidate (not nullptr) points at a live TZarixPlugin; otherwise what it is
/// instead, in a few words ("an object of class TFoo", "an address with no writable memory").
/// Reads inside Library need no system call.
std::optional<std::string> WhyNotAPluginObject(const void* Candidate, const TLoadedImage& Library = {});

}  // namespace zarix
