// Variant conversions.
#include "platform/rtl/variant.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/reflection.h"
#include "platform/rtl/strings.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zarix {
namespace {

[[noreturn]] void RaiseCast(TVarType from, const char* to) {
    throw EVariantError(std::string("Could not convert variant of type (") + VarTypeName(from) +
                        ") into type (" + to + ")");
}

int64_t RoundToInt64(double d, TVarType from, const char* to) {
    // The platform rounds floating-point values half to even when they become integers.
    if (!std::isfinite(d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18) RaiseCast(from, to);
    return static_cast<int64_t>(std::nearbyint(d));
}

}  // namespace

Variant Variant::Null() {
    Variant v;
    v.FType = TVarType::varNull;
    return v;
}

Variant Variant::FromObject(TObject* Object) noexcept {
    Variant v;
    v.FType = TVarType::varObject;
    v.FObject = Object;
    return v;
}

TObject* Variant::AsObject() const {
    switch (VarType()) {
        case TVarType::varEmpty:
        case TVarType::varNull: return nullptr;
        case TVarType::varObject: return FObject;
        default: break;
    }
    RaiseCast(VarType(), "Object");
}

const char* VarTypeName(TVarType type) noexcept {
    switch (type) {
        case TVarType::varEmpty: return "Empty";
        case TVarType::varNull: return "Null";
        case TVarType::varInteger: return "Integer";
        case TVarType::varInt64: return "Int64";
        case TVarType::varDouble: return "Double";
        case TVarType::varBoolean: return "Boolean";
        case TVarType::varString: return "String";
        case TVarType::varObject: return "Object";
    }
    return "Unknown";
}

int64_t Variant::ConvertToInt64() const {
    switch (VarType()) {
        case TVarType::varEmpty: return 0;
        case TVarType::varInteger: return FInteger;
        case TVarType::varInt64: return FInt64;
        case TVarType::varDouble: return RoundToInt64(FDouble, VarType(), "Int64");
        case TVarType::varBoolean: return FBoolean ? -1 : 0;
        case TVarType::varString:
            try {
                return StrToInt64(FString);
            } catch (const EConvertError&) {
                RaiseCast(VarType(), "Int64");
            }
        case TVarType::varNull:
        case TVarType::varObject: break;
    }
    RaiseCast(VarType(), "Int64");
}

int32_t Variant::ConvertToInteger() const {
    if (VarType() == TVarType::varString) {
        try {
            return StrToInt(FString);
        } catch (const EConvertError&) {
            RaiseCast(VarType(), "Integer");
        }
    }
    const int64_t wide = AsInt64();
    if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max())
        RaiseCast(VarType(), "Integer");
    return static_cast<int32_t>(wide);
}

double Variant::AsDouble() const {
    switch (VarType()) {
        case TVarType::varEmpty: return 0.0;
        case TVarType::varInteger: return FInteger;
        case TVarType::varInt64: return static_cast<double>(FInt64);
        case TVarType::varDouble: return FDouble;
        case TVarType::varBoolean: return FBoolean ? -1.0 : 0.0;
        case TVarType::varString: {
            const std::string& s = FString;
            double d = 0;
            const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), d);
            if (s.empty() || error != std::errc() || end != s.data() + s.size()) RaiseCast(VarType(), "Double");
            return d;
        }
        case TVarType::varNull:
        case TVarType::varObject: break;
    }
    RaiseCast(VarType(), "Double");
}

bool Variant::AsBoolean() const {
    switch (VarType()) {
        case TVarType::varEmpty: return false;
        case TVarType::varBoolean: return FBoolean;
        case TVarType::varInteger:
        case TVarType::varInt64: return AsInt64() != 0;
        case TVarType::varDouble: return FDouble != 0.0;
        case TVarType::varString: {
            const std::string& s = FString;
            if (SameText(s, "True")) return true;
            if (SameText(s, "False")) return false;
            try {
                return StrToInt64(s) != 0;
            } catch (const EConvertError&) {
                RaiseCast(VarType(), "Boolean");
            }
        }
        case TVarType::varNull:
        case TVarType::varObject: break;
    }
    RaiseCast(VarType(), "Boolean");
}

std::string Variant::AsString() const {
    switch (VarType()) {
        case TVarType::varEmpty: return {};
        case TVarType::varInteger: return IntToStr(FInteger);
        case TVarType::varInt64: return IntToStr(FInt64);
        case TVarType::varDouble: {
            char buffer[64];
            const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, FDouble);
            return error == std::errc() ? std::string(buffer, end) : std::string();
        }
        case TVarType::varBoolean: return FBoolean ? "True" : "False";
        case TVarType::varString: return FString;
        case TVarType::varObject: return FObject == nullptr ? std::string() : std::string(FObject->ClassName());
        case TVarType::varNull: break;
    }
    RaiseCast(VarType(), "String");
}

bool Variant::operator==(const Variant& other) const {
    const bool lhsInt = VarType() == TVarType::varInteger || VarType() == TVarType::varInt64;
    const bool rhsInt = other.VarType() == TVarType::varInteger || other.VarType() == TVarType::varInt64;
    if (lhsInt && rhsInt) return AsInt64() == other.AsInt64();
    if (FType != other.FType) return false;
    switch (FType) {
        case TVarType::varEmpty:
        case TVarType::varNull: return true;
        case TVarType::varDouble: return FDouble == other.FDouble;
        case TVarType::varBoolean: return FBoolean == other.FBoolean;
        case TVarType::varString: return FString == other.FString;
        case TVarType::varObject: return FObject == other.FObject;
        case TVarType::varInteger:
        case TVarType::varInt64: break;
    }
    return false;
}

}  // namespace zarix
