// Integer and version texts, checked against a plain reading of their grammar: an optional
// sign, then decimal digits or "$"/"0x" and hexadecimal digits, nothing else. Decimal values
// must fit the signed range; hexadecimal ones cover the unsigned range of the width and wrap.
#include "fuzz_target.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>

namespace zarix::fuzz {
namespace {

// The value of the text in a signed integer of `bits` bits; nothing when it is not one.
std::optional<__int128> Expected(std::string_view text, unsigned bits) {
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    const bool hex = text.starts_with('$') || text.starts_with("0x") || text.starts_with("0X");
    if (hex) text.remove_prefix(text.starts_with('$') ? 1 : 2);
    // No sign, blank or prefix may follow: from_chars reads none of them into an unsigned value.
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, hex ? 16 : 10);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (bits - 1);
    if (negative) return magnitude > half ? std::nullopt : std::optional<__int128>(-static_cast<__int128>(magnitude));
    if (hex && magnitude < 2 * half)  // hexadecimal covers the unsigned range and wraps
        return magnitude >= half ? static_cast<__int128>(magnitude) - static_cast<__int128>(2 * half) : magnitude;
    if (magnitude >= half) return std::nullopt;
    return static_cast<__int128>(magnitude);
}

std::string NotInteger(std::string_view text) { return "'" + std::string(text) + "' is not a valid integer value"; }

// Runs a conversion and compares it with the expected value, or the expected refusal.
template <class F>
void CheckConversion(std::string_view text, std::optional<__int128> expected, F convert, std::string_view name) {
    std::optional<__int128> got;
    try {
        got = convert();
    } catch (const EConvertError& e) {
        Expect(!expected, std::string(name) + " refused a valid text");
        Expect(e.Message() == NotInteger(text), std::string(name) + " refused with another message");
        return;
    }
    Expect(expected.has_value(), std::string(name) + " accepted an invalid or out-of-range text");
    Expect(got == expected, std::string(name) + " gave another value");
}

void CheckIntegers(std::string_view text) {
    const auto as32 = Expected(text, 32);
    CheckConversion(text, as32, [&] { return StrToInt(text); }, "StrToInt");
    CheckConversion(text, Expected(text, 64), [&] { return StrToInt64(text); }, "StrToInt64");
    Expect(StrToIntDef(text, 12345) == (as32 ? static_cast<int32_t>(*as32) : 12345), "StrToIntDef gave another value");
}

std::optional<TVersion> CheckVersion(std::string_view text) {
    // The four fields the text gives, or the first part that is no 32-bit integer.
    std::array<uint16_t, 4> fields{};
    std::optional<std::string> badPart;
    std::string_view rest = text;
    for (std::size_t i = 0; i < 4 && !badPart; ++i) {
        const auto dot = rest.find('.');
        const std::string_view part = rest.substr(0, dot);
        if (const auto value = Expected(part, 32)) fields[i] = static_cast<uint16_t>(*value);  // wraps at 65536
        else badPart = std::string(part);
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    try {
        const TVersion got = VersionParser(text);
        Expect(!badPart, "VersionParser accepted a part that is no integer");
        Expect(std::array<uint16_t, 4>{got.Major, got.Minor, got.Release, got.Build} == fields, "VersionParser gave other fields");
        return got;
    } catch (const EConvertError& e) {
        Expect(badPart.has_value(), "VersionParser refused a valid text");
        Expect(e.Message() == NotInteger(*badPart), "VersionParser refused naming another part");
        return std::nullopt;
    }
}

// The number VersionCompare compares: the four fields written one after another.
std::optional<__int128> Concatenated(const TVersion& v) {
    return Expected(std::to_string(v.Major) + std::to_string(v.Minor) + std::to_string(v.Release) + std::to_string(v.Build), 32);
}

void CheckCompare(const TVersion& a, const TVersion& b) {
    const auto first = Concatenated(a);
    const auto second = Concatenated(b);
    try {
        const std::string got = VersionCompare(a, b);
        Expect(first && second, "VersionCompare compared a number past the 32-bit range");
        Expect(got == (*first > *second ? ">" : *first == *second ? "=" : "<"), "VersionCompare gave another order");
    } catch (const EConvertError&) {
        Expect(!first || !second, "VersionCompare refused numbers within range");
    }
}

}  // namespace

void FuzzNumberText(TInput input) {
    // Two texts at most, split at the first line break, so that versions can be compared.
    const std::string_view all(reinterpret_cast<const char*>(input.data()), input.size());
    const auto newline = all.find('\n');
    const std::string_view first = all.substr(0, newline);
    const std::string_view second = newline == std::string_view::npos ? std::string_view() : all.substr(newline + 1);
    CheckIntegers(first);
    const auto a = CheckVersion(first);
    const auto b = CheckVersion(second);
    if (a && b) {
        CheckCompare(*a, *b);
        CheckCompare(*b, *a);
    }
}

}  // namespace zarix::fuzz
