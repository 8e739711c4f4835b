// Watches the sizes the program asks operator new for, so a test can show that a reader never
// allocates what a hostile header claims. The test program replaces the global operator new.
#pragma once

#include <cstddef>
#include <functional>

namespace zarix::test {

/// The largest single allocation through operator new while `action` ran.
std::size_t LargestAllocationDuring(const std::function<void()>& action);

}  // namespace zarix::test
