// Enumerations and sets that know their identifiers, so properties can be read and written as text.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace zarix {

/// The identifiers of an enumeration whose values run from 0 upwards.
class ZARIX_API TEnumInfo {
public:
    /// `identifiers` is the comma-separated list as written in the declaration.
    TEnumInfo(std::string_view name, std::string_view identifiers);

    std::string_view Name() const noexcept { return FName; }
    int Count() const noexcept { return static_cast<int>(FIdentifiers.size()); }
    /// Identifier of `value`; the number in decimal when it names no identifier.
    std::string NameOf(int value) const;
    /// Value of an identifier (compared without regard to ASCII case), -1 when unknown.
    int ValueOf(std::string_view identifier) const noexcept;

private:
    std::string FName;
    std::vector<std::string> FIdentifiers;
};

/// Set text as the platform writes it: "[askTop,askAll]".
ZARIX_API std::string SetToString(const TEnumInfo& info, uint64_t bits);
/// Parses "[a,b]" (brackets optional, blanks ignored); raises EPropertyError on an unknown name.
ZARIX_API uint64_t StringToSet(const TEnumInfo& info, std::string_view text);

template <class E>
concept ReflectedEnum = std::is_enum_v<E> && requires(E e) {
    { ZarixEnumInfo(e) } -> std::same_as<const TEnumInfo&>;
};

/// A set of enumeration values (at most 64 members).
template <ReflectedEnum E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values) {
        for (E v : values) Include(v);
    }
    static constexpr TSet FromBits(uint64_t bits) {
        TSet s;
        s.FBits = bits;
        return s;
    }
    constexpr void Include(E v) { FBits |= Bit(v); }
    constexpr void Exclude(E v) { FBits &= ~Bit(v); }
    constexpr bool Contains(E v) const { return (FBits & Bit(v)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr uint64_t Bits() const { return FBits; }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint64_t Bit(E v) { return uint64_t{1} << static_cast<unsigned>(v); }
    uint64_t FBits = 0;
};

}  // namespace zarix

/// Declares an unscoped enumeration whose identifiers are known at run time. Use it at the
/// namespace scope where the enumeration belongs: ZARIX_ENUM(TAskMode, askTop, askBottom, askAll);
#define ZARIX_ENUM(Name, ...)                                                  \
    enum Name : uint8_t { __VA_ARGS__ };                                       \
    inline const ::zarix::TEnumInfo& ZarixEnumInfo(Name) {                     \
        static const ::zarix::TEnumInfo info(#Name, #__VA_ARGS__);             \
        return info;                                                           \
    }
