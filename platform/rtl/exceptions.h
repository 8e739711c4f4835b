// The exception hierarchy shared by the framework, the host and every plugin library.
#pragma once

#include "platform/rtl/export.h"

#include <exception>
#include <string>

namespace zarix {

/// Base of every exception the framework raises. Its type information lives in the shared
/// library only, so a plugin's exception is caught by the host's `catch (const Exception&)`.
class ZARIX_API Exception : public std::exception {
public:
    explicit Exception(std::string message = {});
    ~Exception() override;

    const char* what() const noexcept override;
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }

    /// Run-time class name, as reports show it ("EConvertError").
    virtual const char* ClassName() const noexcept;

private:
    std::string FMessage;
};

// Declares an exception class with the base's constructors and its own class name. The
// destructor is the key function, defined once by ZARIX_DEFINE_EXCEPTION in a source file,
// so the type information is emitted in exactly one library.
#define ZARIX_DECLARE_EXCEPTION(Name, Base, Export)               \
    class Export Name : public Base {                            \
    public:                                                      \
        using Base::Base;                                        \
        ~Name() override;                                        \
        const char* ClassName() const noexcept override;         \
    }
#define ZARIX_DEFINE_EXCEPTION(Name) \
    Name::~Name() = default;         \
    const char* Name::ClassName() const noexcept { return #Name; }

/// A text that is not a valid number, or a number out of range.
ZARIX_DECLARE_EXCEPTION(EConvertError, Exception, ZARIX_API);
/// A list or string-list position out of range.
ZARIX_DECLARE_EXCEPTION(EListError, Exception, ZARIX_API);
/// An object queried for an interface it does not implement.
ZARIX_DECLARE_EXCEPTION(EIntfCastError, Exception, ZARIX_API);
/// A Variant that cannot be converted to the type asked for.
ZARIX_DECLARE_EXCEPTION(EVariantError, Exception, ZARIX_API);
/// A component misused: a duplicate or invalid name, a bad owner.
ZARIX_DECLARE_EXCEPTION(EComponentError, Exception, ZARIX_API);
/// A published property that does not exist or cannot take the value given.
ZARIX_DECLARE_EXCEPTION(EPropertyError, Exception, ZARIX_API);

/// The class name of any exception: the framework's own name for an Exception, the
/// demangled C++ type name otherwise.
ZARIX_API std::string ExceptionClassName(const std::exception& e);

}  // namespace zarix
