// How many components are alive: the leak check after each test compares it before and after.
#pragma once

#include "platform/rtl/export.h"

#include <cstddef>

namespace zarix {

/// The number of components constructed and not yet destroyed in the process; one relaxed
/// atomic read.
ZARIX_API std::size_t LiveComponentCount() noexcept;

}  // namespace zarix
