// The test program's own global operator new: it can watch the sizes asked for and make one
// allocation fail. A program that uses either links tests/support/allocation_hooks.cpp.
#pragma once

#include <cstddef>
#include <functional>

namespace zarix::test {

/// The largest single allocation through operator new while `action` ran, so a test can show
/// that a reader never allocates what a hostile header claims.
std::size_t LargestAllocationDuring(const std::function<void()>& action);

/// The next call of the global operator new, anywhere in the process, throws std::bad_alloc
/// (the nothrow forms return nullptr); later calls succeed again.
void FailNextAllocation(bool Armed);

}  // namespace zarix::test
