// Variant: the dynamically typed value of late-bound calls and properties read by name.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <string>
#include <variant>

namespace zarix {

enum class TVarType : uint8_t { varEmpty, varNull, varInteger, varInt64, varDouble, varBoolean, varString };

/// A value of one of seven kinds. Conversions between kinds follow the platform's rules and
/// raise EVariantError with both type names when a value cannot be converted.
class ZARIX_API Variant {
public:
    Variant() = default;
    Variant(int32_t v) : FValue(v) {}
    Variant(int64_t v) : FValue(v) {}
    Variant(double v) : FValue(v) {}
    Variant(bool v) : FValue(v) {}
    Variant(std::string v) : FValue(std::move(v)) {}
    Variant(const char* v) : FValue(std::string(v)) {}

    static Variant Null();

    TVarType VarType() const noexcept { return static_cast<TVarType>(FValue.index()); }
    bool IsEmpty() const noexcept { return VarType() == TVarType::varEmpty; }
    bool IsNull() const noexcept { return VarType() == TVarType::varNull; }

    int32_t AsInteger() const;
    int64_t AsInt64() const;
    double AsDouble() const;
    bool AsBoolean() const;
    /// Text of the value: integers in decimal, booleans as "True"/"False", empty as "".
    std::string AsString() const;

    /// Same kind and same value; an int32 and an int64 of equal value are equal too.
    bool operator==(const Variant& other) const;

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    std::variant<std::monostate, NullTag, int32_t, int64_t, double, bool, std::string> FValue;
};

/// Name of a variant kind as messages show it ("Integer", "String").
ZARIX_API const char* VarTypeName(TVarType type) noexcept;

}  // namespace zarix
