// Calls into a plugin library while it loads: its own std::exceptions pass unchanged, anything
// else it throws (an int, a type of its own) becomes an EPluginError that says where it came from.
#pragma once

#include "manager/ZarixPluginManager.h"

#include <cxxabi.h>

#include <exception>
#include <string>

namespace zarix {

/// Raises EPluginError "<Who>: <What> raised an exception of type <T>, which is not a
/// std::exception". Call only inside a catch (...) block.
[[noreturn]] void RaiseForeignException(const std::string& Who, const std::string& What);

/// Runs Call; a std::exception or a thread's cancellation passes as it is, anything else is
/// turned into EPluginError naming Who (the file, and the plugin once known) and What ran.
template <class TCall>
decltype(auto) GuardPluginCall(const std::string& Who, const char* What, TCall&& Call) {
    try {
        return Call();
    } catch (const std::exception&) {
        throw;
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        RaiseForeignException(Who, What);
    }
}

}  // namespace zarix
