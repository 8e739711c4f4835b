// The exception hierarchy's key functions and class names.
#include "platform/rtl/exceptions.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace zarix {

Exception::Exception(std::string message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

const char* Exception::what() const noexcept { return FMessage.c_str(); }
const char* Exception::ClassName() const noexcept { return "Exception"; }

ZARIX_DEFINE_EXCEPTION(EConvertError)
ZARIX_DEFINE_EXCEPTION(EListError)
ZARIX_DEFINE_EXCEPTION(EIntfCastError)
ZARIX_DEFINE_EXCEPTION(EVariantError)
ZARIX_DEFINE_EXCEPTION(EComponentError)
ZARIX_DEFINE_EXCEPTION(EPropertyError)

std::string ExceptionClassName(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->ClassName();
    const char* mangled = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

}  // namespace zarix
