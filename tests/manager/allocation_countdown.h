// Makes one chosen allocation of the test program fail, to walk an operation through every
// point where it allocates.
#pragma once

#include <cstddef>

namespace lifetime_test {

/// The Nth call of the global operator new from now (1 for the next one) throws std::bad_alloc;
/// 0 disarms. Only that one call fails.
void FailAllocation(std::size_t Nth) noexcept;
/// Whether the chosen allocation has been reached since FailAllocation armed it.
bool AllocationFailed() noexcept;

}  // namespace lifetime_test
