// Checks a library file before any of its code runs: that this process's loader can map all of
// it (an ELF shared library for this machine whose segments the file really holds) and that it
// was built against this framework's ABI. A truncated library would otherwise bring the host
// down with SIGBUS inside the loader, and a plugin built against other class layouts would run
// as undefined behaviour.
#pragma once

#include "platform/os/framework_abi.h"
#include "platform/os/version_resource.h"
#include "platform/rtl/export.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarix {

/// Why the library whose whole content is File must not be loaded into this process, without
/// the file's name ("truncated: segment 2 ends at byte 51200 of a 3000-byte file", "built for
/// AArch64, this host is x86-64", ...); nothing when it may be. Without AllowUnstamped a
/// library lacking the ABI stamp is refused.
std::optional<std::string> InspectLibraryBytes(std::span<const std::byte> File, bool AllowUnstamped);

/// The same for a file, reading only its headers (one read for a usual plugin).
std::optional<std::string> InspectLibraryFile(const std::string& Path, bool AllowUnstamped);

/// Addresses [Begin, End) of a library as its file gives them: in memory they lie at the
/// library's load bias plus these.
struct TReadableSpan {
    uint64_t Begin = 0;
    uint64_t End = 0;
};

/// What the check learned of a library it let through, so that loading it need not read the
/// file again.
struct TCheckedLibrary {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    /// The version block, when the notes the check read hold a valid one; empty otherwise (the
    /// version reader then has the last word).
    std::vector<std::byte> VersionBlock;
    /// What the loader will map readable; empty when the headers leave any doubt.
    std::vector<TReadableSpan> Readable;
};

/// Raises EPackageError "<file name>: <reason>" for a library InspectLibraryFile refuses.
TCheckedLibrary CheckLibraryBeforeLoad(const std::string& Path, bool AllowUnstamped);

/// Why a stamp does not fit this host's build: "built for framework ABI 3, this host has ABI 4";
/// nothing when it fits.
std::optional<std::string> AbiStampMismatch(const TAbiStamp& Stamp);

/// The ABI stamp of an ELF library of any machine, read without loading it; nothing when it has
/// none.
TVersionResult<std::optional<TAbiStamp>> ReadAbiStamp(const std::string& Path);

/// The standard library a stamp names: "libstdc++ 12 (C++11 ABI)", "libstdc++ 7 (old ABI)".
std::string StandardLibraryText(const TAbiStamp& Stamp);

/// The stamp this host's framework library was built with.
TAbiStamp HostAbiStamp() noexcept;

}  // namespace zarix
