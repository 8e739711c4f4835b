// Variant: the dynamically typed value of late-bound calls and properties read by name.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace zarix {

class TObject;

enum class TVarType : uint8_t { varEmpty, varNull, varInteger, varInt64, varDouble, varBoolean, varString, varObject };

/// A value of one of eight kinds; varObject refers to an object it does not own. Conversions between kinds follow the platform's rules and
/// raise EVariantError with both type names when a value cannot be converted.
///
/// A tagged union rather than std::variant: values of late-bound calls and properties read by
/// name are mostly numbers, and making, moving and dropping a number here is a few stores,
/// where std::variant dispatches through a table for every one of those steps.
class ZARIX_API Variant {
public:
    Variant() noexcept {}
    Variant(int32_t v) noexcept : FType(TVarType::varInteger) { FInteger = v; }
    Variant(int64_t v) noexcept : FType(TVarType::varInt64) { FInt64 = v; }
    Variant(double v) noexcept : FType(TVarType::varDouble) { FDouble = v; }
    Variant(bool v) noexcept : FType(TVarType::varBoolean) { FBoolean = v; }
    Variant(std::string v) : FType(TVarType::varString) { new (&FString) std::string(std::move(v)); }
    Variant(const char* v) : Variant(std::string(v)) {}

    Variant(const Variant& other) {
        if (other.FType == TVarType::varString) new (&FString) std::string(other.FString);
        else std::memcpy(&FScalar, &other.FScalar, sizeof FScalar);
        FType = other.FType;
    }
    Variant(Variant&& other) noexcept { Take(other); }
    Variant& operator=(const Variant& other) {
        if (this != &other) *this = Variant(other);
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            Drop();
            Take(other);
        }
        return *this;
    }
    ~Variant() { Drop(); }

    static Variant Null();
    /// A reference to Object (nullptr allowed), as an object property reads.
    static Variant FromObject(TObject* Object) noexcept;

    TVarType VarType() const noexcept { return FType; }
    bool IsEmpty() const noexcept { return FType == TVarType::varEmpty; }
    bool IsNull() const noexcept { return FType == TVarType::varNull; }

    // Integers, the common case of properties written by name, are read inline.
    int32_t AsInteger() const { return FType == TVarType::varInteger ? FInteger : ConvertToInteger(); }
    int64_t AsInt64() const {
        if (FType == TVarType::varInteger) return FInteger;
        return FType == TVarType::varInt64 ? FInt64 : ConvertToInt64();
    }
    double AsDouble() const;
    bool AsBoolean() const;
    /// Text of the value: integers in decimal, booleans as "True"/"False", empty as "", an
    /// object as its class name (nil as "").
    std::string AsString() const;
    /// The object referred to; nullptr for an empty or null value or a nil reference. Other
    /// kinds raise EVariantError.
    TObject* AsObject() const;

    /// Same kind and same value; an int32 and an int64 of equal value are equal too.
    bool operator==(const Variant& other) const;

private:
    int32_t ConvertToInteger() const;
    int64_t ConvertToInt64() const;
    void Drop() noexcept {
        if (FType == TVarType::varString) FString.~basic_string();
        FType = TVarType::varEmpty;
    }
    // Moves other's value into this Variant, which holds none.
    void Take(Variant& other) noexcept {
        if (other.FType == TVarType::varString) new (&FString) std::string(std::move(other.FString));
        else std::memcpy(&FScalar, &other.FScalar, sizeof FScalar);
        FType = other.FType;
    }

    // Every kind but text fits in eight bytes, copied whole whichever of them is stored.
    struct Scalar {
        unsigned char Bytes[8] = {};
    };

    TVarType FType = TVarType::varEmpty;
    union {
        Scalar FScalar{};
        int32_t FInteger;
        int64_t FInt64;
        double FDouble;
        bool FBoolean;
        TObject* FObject;
        std::string FString;
    };
};

/// Name of a variant kind as messages show it ("Integer", "String").
ZARIX_API const char* VarTypeName(TVarType type) noexcept;

}  // namespace zarix
