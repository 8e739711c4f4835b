// Text helpers: UTF-8 walking, ASCII case folding, trimming, strict integer conversion.
#include "platform/rtl/strings.h"

#include "platform/rtl/exceptions.h"

#include <algorithm>
#include <charconv>

namespace zarix {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length in bytes of the UTF-8 sequence starting at `pos`; 1 for a byte that starts no valid
// sequence, so every walk advances and stays inside the text.
std::size_t SequenceLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t need = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) need = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) need = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) need = 4;
    else return 1;
    if (text.size() - pos < need) return 1;
    for (std::size_t i = 1; i < need; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[pos + i]))) return 1;
    return need;
}

[[noreturn]] void RaiseNotInteger(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += SequenceLength(text, pos)) ++count;
    return count;
}

std::size_t Utf8Offset(std::string_view text, std::size_t index) {
    std::size_t pos = 0;
    while (index > 0 && pos < text.size()) {
        pos += SequenceLength(text, pos);
        --index;
    }
    return pos;
}

std::string Utf8Copy(std::string_view text, std::size_t index, std::size_t count) {
    if (index == 0) index = 1;
    const std::size_t begin = Utf8Offset(text, index - 1);
    std::size_t end = begin;
    while (count > 0 && end < text.size()) {
        end += SequenceLength(text, end);
        --count;
    }
    return std::string(text.substr(begin, end - begin));
}

std::size_t Utf8Pos(std::string_view needle, std::string_view text) {
    if (needle.empty()) return 0;
    const auto at = text.find(needle);
    if (at == std::string_view::npos) return 0;
    return Utf8Length(text.substr(0, at)) + 1;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

std::string TrimLeft(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

namespace {

// An integer text taken apart: its sign, whether it is hexadecimal, and its digits' value,
// which must fit 64 bits whatever the width asked for. Any other shape raises.
struct TIntegerText {
    bool Negative = false;
    bool Hex = false;
    uint64_t Magnitude = 0;
};

TIntegerText ReadIntegerText(std::string_view text) {
    TIntegerText number;
    std::string_view rest = text;
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        number.Negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    if (!rest.empty() && rest.front() == '$') {
        number.Hex = true;
        rest.remove_prefix(1);
    } else if (rest.size() > 1 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        number.Hex = true;
        rest.remove_prefix(2);
    }
    if (rest.empty()) RaiseNotInteger(text);
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number.Magnitude, number.Hex ? 16 : 10);
    if (error != std::errc() || end != rest.data() + rest.size()) RaiseNotInteger(text);
    return number;
}

// -magnitude for a magnitude up to 2^63, without passing through a signed overflow.
int64_t Negated(uint64_t magnitude) { return magnitude == 0 ? 0 : -static_cast<int64_t>(magnitude - 1) - 1; }

// The value of an integer text in a signed integer of `bits` bits. Decimal texts must fit the
// signed range. Hexadecimal texts cover the unsigned range of the width and wrap, as the
// platform's conversion did ("$FFFFFFFF" is -1 in 32 bits); past that range they raise like
// any other, rather than wrapping a second time through the wider type.
int64_t IntegerValue(std::string_view text, unsigned bits) {
    const TIntegerText number = ReadIntegerText(text);
    const uint64_t half = uint64_t{1} << (bits - 1);
    if (number.Negative) {
        if (number.Magnitude > half) RaiseNotInteger(text);
        return Negated(number.Magnitude);
    }
    if (number.Magnitude < half) return static_cast<int64_t>(number.Magnitude);
    if (!number.Hex || number.Magnitude - half > half - 1) RaiseNotInteger(text);
    // Unsigned arithmetic: (half << 1) is 0 for 64 bits, so this is 2^bits - Magnitude either way.
    return Negated((half << 1) - number.Magnitude);
}

}  // namespace

int64_t StrToInt64(std::string_view text) { return IntegerValue(text, 64); }

int32_t StrToInt(std::string_view text) {
    // Plain decimal digits, the common case on hot paths (menu positions), take no detour.
    if (!text.empty() && text.size() <= 9 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int32_t value = 0;
        for (char c : text) value = value * 10 + (c - '0');
        return value;
    }
    return static_cast<int32_t>(IntegerValue(text, 32));
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) noexcept {
    try {
        return StrToInt(text);
    } catch (const EConvertError&) {
        return fallback;
    }
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string ExtractFileName(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    const std::string ext = ExtractFileExt(path);
    return std::string(path.substr(0, path.size() - ext.size())) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

}  // namespace zarix
