// Finds the version block of a Windows PE file (PE32 or PE32+, DLL or EXE) through its
// resource directory, reading only the headers, the directory entries and the resource.
#pragma once

#include "platform/os/version_block_parser.h"

#include <optional>

namespace zarix::version_detail {

/// The block (a span into the file's windows) of the first RT_VERSION resource (first name, first language); the file's first window holds
/// at least the two bytes "MZ".
TVersionResult<TBytes> LocatePeVersionBlock(TWindowedFile& file);

}  // namespace zarix::version_detail
