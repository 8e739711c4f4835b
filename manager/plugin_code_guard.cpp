// Naming the type of a foreign exception caught with catch (...).
#include "manager/plugin_code_guard.h"

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace zarix {

namespace {

std::string CurrentExceptionTypeName() {
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type == nullptr) return "unknown";
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> plain(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                            &std::free);
    return status == 0 && plain ? std::string(plain.get()) : std::string(type->name());
}

}  // namespace

void RaiseForeignException(const std::string& Who, const std::string& What) {
    throw EPluginError(Who + ": " + What + " raised an exception of type " + CurrentExceptionTypeName() +
                       ", which is not a std::exception");
}

}  // namespace zarix
