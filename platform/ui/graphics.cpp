// Colour and character-set names, bitmaps and their ".bmp" form.
#include "platform/ui/graphics.h"

#include "platform/rtl/strings.h"

#include <array>
#include <charconv>
#include <utility>

namespace zarix {

ZARIX_DEFINE_EXCEPTION(EInvalidGraphic)

namespace {

struct TColorName {
    TColor Color;
    std::string_view Name;
};

constexpr std::array<TColorName, 43> kColorNames{{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
}};

struct TCharsetName {
    TFontCharset Charset;
    std::string_view Name;
};

constexpr std::array<TCharsetName, 6> kCharsetNames{{
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
}};

// A number as form files write one: decimal with an optional minus sign, or "$" and
// hexadecimal digits; nothing else, and nothing beyond 32 bits.
bool ParseNumber(std::string_view text, int64_t& value) {
    if (text.empty()) return false;
    const bool hex = text.front() == '$';
    const std::string_view digits = hex ? text.substr(1) : text;
    if (digits.empty() || (hex && digits.size() > 8)) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (error != std::errc() || end != digits.data() + digits.size()) return false;
    if (hex) value = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

std::string HexColor(TColor color) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out = "$";
    const auto bits = static_cast<uint32_t>(color);
    for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(bits >> shift) & 0xF];
    return out;
}

}  // namespace

std::string ColorToString(TColor Color) {
    for (const TColorName& entry : kColorNames)
        if (entry.Color == Color) return std::string(entry.Name);
    return HexColor(Color);
}

TColor StringToColor(std::string_view Text) {
    for (const TColorName& entry : kColorNames)
        if (SameText(entry.Name, Text)) return entry.Color;
    int64_t value = 0;
    if (!ParseNumber(Text, value) || value < INT32_MIN || value > INT32_MAX)
        throw EConvertError("'" + std::string(Text) + "' is not a valid colour");
    return static_cast<TColor>(value);
}

std::string CharsetToString(TFontCharset Charset) {
    for (const TCharsetName& entry : kCharsetNames)
        if (entry.Charset == Charset) return std::string(entry.Name);
    return IntToStr(Charset);
}

TFontCharset StringToCharset(std::string_view Text) {
    for (const TCharsetName& entry : kCharsetNames)
        if (SameText(entry.Name, Text)) return entry.Charset;
    int64_t value = 0;
    if (!ParseNumber(Text, value) || value < 0 || value > 255)
        throw EConvertError("'" + std::string(Text) + "' is not a valid character set");
    return static_cast<TFontCharset>(value);
}

Variant TPropertyCodec<TColor>::Read(TColor Value) { return Variant(ColorToString(Value)); }

TColor TPropertyCodec<TColor>::Write(const Variant& Value) {
    if (Value.VarType() == TVarType::varString) return StringToColor(Value.AsString());
    return static_cast<TColor>(Value.AsInteger());
}

Variant TPropertyCodec<TFontCharset>::Read(TFontCharset Value) { return Variant(CharsetToString(Value)); }

TFontCharset TPropertyCodec<TFontCharset>::Write(const Variant& Value) {
    if (Value.VarType() == TVarType::varString) return StringToCharset(Value.AsString());
    const int32_t number = Value.AsInteger();
    if (number < 0 || number > 255) throw EConvertError(IntToStr(number) + " is not a valid character set");
    return static_cast<TFontCharset>(number);
}

TBitmap::TBitmap(int Width, int Height, TColor Fill) {
    if (Width < 0 || Height < 0 || Width > MaxSide || Height > MaxSide)
        throw EInvalidGraphic("A bitmap of " + IntToStr(Width) + " x " + IntToStr(Height) + " pixels cannot be made");
    if (!IsRGBColor(Fill)) throw EInvalidGraphic("Colour " + ColorToString(Fill) + " has no pixel value");
    FWidth = Width;
    FHeight = Height;
    FBits.resize(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3);
    for (std::size_t i = 0; i < FBits.size(); i += 3) {
        FBits[i] = GetBValue(Fill);
        FBits[i + 1] = GetGValue(Fill);
        FBits[i + 2] = GetRValue(Fill);
    }
}

std::size_t TBitmap::Offset(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        throw EInvalidGraphic("Pixel (" + IntToStr(X) + ", " + IntToStr(Y) + ") lies outside the " + IntToStr(FWidth) +
                              " x " + IntToStr(FHeight) + " bitmap");
    return (static_cast<std::size_t>(Y) * static_cast<std::size_t>(FWidth) + static_cast<std::size_t>(X)) * 3;
}

TColor TBitmap::Pixel(int X, int Y) const {
    const std::size_t at = Offset(X, Y);
    return RGB(FBits[at + 2], FBits[at + 1], FBits[at]);
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
    const std::size_t at = Offset(X, Y);
    if (!IsRGBColor(Color)) throw EInvalidGraphic("Colour " + ColorToString(Color) + " has no pixel value");
    FBits[at] = GetBValue(Color);
    FBits[at + 1] = GetGValue(Color);
    FBits[at + 2] = GetRValue(Color);
}

std::vector<uint8_t> TBitmap::SaveToBytes() const {
    constexpr uint32_t kFileHeader = 14, kInfoHeader = 40;
    // 72 pixels per inch, as pixels per metre.
    constexpr uint32_t kPixelsPerMetre = 2835;
    const uint32_t stride = (static_cast<uint32_t>(FWidth) * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(FHeight);
    std::vector<uint8_t> out;
    out.reserve(kFileHeader + kInfoHeader + imageSize);
    const auto put16 = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    const auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    put32(kFileHeader + kInfoHeader + imageSize);
    put32(0);  // two reserved words
    put32(kFileHeader + kInfoHeader);
    put32(kInfoHeader);
    put32(static_cast<uint32_t>(FWidth));
    put32(static_cast<uint32_t>(FHeight));  // positive: rows stored bottom first
    put16(1);                               // planes
    put16(BitsPerPixel());
    put32(0);  // no compression
    put32(imageSize);
    put32(kPixelsPerMetre);
    put32(kPixelsPerMetre);
    put32(0);  // no colour table
    put32(0);
    const std::size_t row = static_cast<std::size_t>(FWidth) * 3;
    for (int y = FHeight - 1; y >= 0; --y) {
        const auto first = FBits.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * row);
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(row));
        out.resize(out.size() + (stride - row), 0);
    }
    return out;
}

}  // namespace zarix
