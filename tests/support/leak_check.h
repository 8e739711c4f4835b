// The after-each-test leak check every test program runs, and what a test tells it.
#pragma once

#include <cstddef>
#include <string>

namespace zarix_test {

/// The library at Path stays loaded on purpose after the running test (it is kept for the life
/// of the process) with Components components of its own alive; the check does not count them
/// as leaks.
void ExpectLibraryKept(const std::string& Path, std::size_t Components);

}  // namespace zarix_test
