// Colours, fonts, alignment and bitmaps: the drawing vocabulary controls and forms describe
// themselves with, and the published-property helpers for these types.
#pragma once

#include "platform/rtl/enum_info.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// A drawing operation the bitmap cannot carry out: a size or a pixel out of range.
ZARIX_DECLARE_EXCEPTION(EInvalidGraphic, Exception, ZARIX_API);

/// A colour: 0x00BBGGRR for a colour given by its red, green and blue parts, 0xFF0000nn for
/// the system colour nn (clBtnFace), or one of the special values clNone and clDefault. Any
/// 32-bit value is a TColor; the named constants are the ones forms are written with.
enum TColor : int32_t {};

constexpr TColor RGB(uint8_t Red, uint8_t Green, uint8_t Blue) {
    return static_cast<TColor>(Red | (Green << 8) | (Blue << 16));
}
constexpr TColor SystemColor(uint8_t Index) { return static_cast<TColor>(0xFF000000u | Index); }
constexpr bool IsSystemColor(TColor Color) { return (static_cast<uint32_t>(Color) & 0xFF000000u) == 0xFF000000u; }
constexpr bool IsRGBColor(TColor Color) { return (static_cast<uint32_t>(Color) & 0xFF000000u) == 0; }
constexpr uint8_t GetRValue(TColor Color) { return static_cast<uint8_t>(Color); }
constexpr uint8_t GetGValue(TColor Color) { return static_cast<uint8_t>(Color >> 8); }
constexpr uint8_t GetBValue(TColor Color) { return static_cast<uint8_t>(Color >> 16); }

inline constexpr TColor clBlack = RGB(0, 0, 0);
inline constexpr TColor clMaroon = RGB(0x80, 0, 0);
inline constexpr TColor clGreen = RGB(0, 0x80, 0);
inline constexpr TColor clOlive = RGB(0x80, 0x80, 0);
inline constexpr TColor clNavy = RGB(0, 0, 0x80);
inline constexpr TColor clPurple = RGB(0x80, 0, 0x80);
inline constexpr TColor clTeal = RGB(0, 0x80, 0x80);
inline constexpr TColor clGray = RGB(0x80, 0x80, 0x80);
inline constexpr TColor clSilver = RGB(0xC0, 0xC0, 0xC0);
inline constexpr TColor clRed = RGB(0xFF, 0, 0);
inline constexpr TColor clLime = RGB(0, 0xFF, 0);
inline constexpr TColor clYellow = RGB(0xFF, 0xFF, 0);
inline constexpr TColor clBlue = RGB(0, 0, 0xFF);
inline constexpr TColor clFuchsia = RGB(0xFF, 0, 0xFF);
inline constexpr TColor clAqua = RGB(0, 0xFF, 0xFF);
inline constexpr TColor clWhite = RGB(0xFF, 0xFF, 0xFF);

inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);

/// No colour at all (a gradient's second colour that is not drawn).
inline constexpr TColor clNone = static_cast<TColor>(0x1FFFFFFF);
/// Whatever the control would use by itself.
inline constexpr TColor clDefault = static_cast<TColor>(0x20000000);

/// The name of a named colour ("clBtnFace"), else "$00BBGGRR" in hexadecimal, the way form
/// files write colours.
ZARIX_API std::string ColorToString(TColor Color);
/// The colour of a name (ASCII case ignored), of "$" and up to eight hexadecimal digits, or of
/// a decimal number; raises EConvertError naming the text for anything else.
ZARIX_API TColor StringToColor(std::string_view Text);

/// A font's character set, as fonts are asked for by it.
enum TFontCharset : uint8_t {};
inline constexpr TFontCharset ANSI_CHARSET = static_cast<TFontCharset>(0);
/// The character set of the user's locale: what a form asks for when it names none.
inline constexpr TFontCharset DEFAULT_CHARSET = static_cast<TFontCharset>(1);
inline constexpr TFontCharset SYMBOL_CHARSET = static_cast<TFontCharset>(2);
inline constexpr TFontCharset RUSSIAN_CHARSET = static_cast<TFontCharset>(204);
inline constexpr TFontCharset EASTEUROPE_CHARSET = static_cast<TFontCharset>(238);
inline constexpr TFontCharset OEM_CHARSET = static_cast<TFontCharset>(255);

/// "DEFAULT_CHARSET" for a named set, else the number.
ZARIX_API std::string CharsetToString(TFontCharset Charset);
/// The set of a name (ASCII case ignored) or of a number 0 to 255; raises EConvertError.
ZARIX_API TFontCharset StringToCharset(std::string_view Text);

ZARIX_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;

/// A font as a control keeps it. A negative Height is the character height in pixels without
/// the internal leading (-11 is 8 points at 96 pixels per inch); a positive one the cell height.
struct TFont {
    std::string Name = "Tahoma";
    int Height = -11;
    TFontCharset Charset = DEFAULT_CHARSET;
    TColor Color = clWindowText;
    TFontStyles Style;
    bool operator==(const TFont&) const = default;
};

/// Where a control docks in its parent: alNone keeps its own rectangle; alTop, alBottom, alLeft
/// and alRight take a strip of the parent's client area along that edge; alClient takes what
/// is left.
ZARIX_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)

/// A picture of 24-bit colour: blue, green and red bytes per pixel, the top row first.
class ZARIX_API TBitmap {
public:
    /// The largest width and height a bitmap may have.
    static constexpr int MaxSide = 4096;

    TBitmap() = default;
    /// A Width x Height bitmap filled with Fill (a red-green-blue colour); raises EInvalidGraphic
    /// for a side below 0 or above MaxSide, or a system or special colour.
    TBitmap(int Width, int Height, TColor Fill = clWhite);

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    static constexpr int BitsPerPixel() noexcept { return 24; }
    /// Raise EInvalidGraphic for a point outside the bitmap or a colour that is not red-green-blue.
    TColor Pixel(int X, int Y) const;
    void SetPixel(int X, int Y, TColor Color);
    /// Width * Height * 3 bytes: blue, green, red for each pixel, rows top first, no padding.
    const std::vector<uint8_t>& Bits() const noexcept { return FBits; }

    /// The bitmap as a ".bmp" file: file header, 40-byte information header, then the rows
    /// bottom first, each padded to a multiple of four bytes.
    std::vector<uint8_t> SaveToBytes() const;

    bool operator==(const TBitmap&) const = default;

private:
    std::size_t Offset(int X, int Y) const;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<uint8_t> FBits;
};

/// How a published property's value becomes a Variant and back. Colours and character sets
/// travel as their names, the way form files write them, and are accepted as names or numbers;
/// everything else as the reflection layer converts it.
template <class T>
struct TPropertyCodec {
    static constexpr TTypeKind Kind = detail::KindOf<T>();
    static const TEnumInfo* Enum() { return detail::EnumOf<T>(); }
    static Variant Read(const T& Value) { return detail::ToVariant<T>(Value); }
    static T Write(const Variant& Value) { return detail::FromVariant<T>(Value); }
};

template <>
struct ZARIX_API TPropertyCodec<TColor> {
    static constexpr TTypeKind Kind = TTypeKind::tkString;
    static const TEnumInfo* Enum() { return nullptr; }
    static Variant Read(TColor Value);
    static TColor Write(const Variant& Value);
};

template <>
struct ZARIX_API TPropertyCodec<TFontCharset> {
    static constexpr TTypeKind Kind = TTypeKind::tkString;
    static const TEnumInfo* Enum() { return nullptr; }
    static Variant Read(TFontCharset Value);
    static TFontCharset Write(const Variant& Value);
};

/// A published property of any type that has a TPropertyCodec: PublishedValue<&Self::Color,
/// &Self::SetColor>("Color") inside ZARIX_DEFINE_CLASS.
template <auto Getter, auto Setter = nullptr>
TPropInfo PublishedValue(std::string Name) {
    using T = typename detail::AccessorValue<decltype(Getter)>::Type;
    using Codec = TPropertyCodec<T>;
    TPropInfo info;
    info.Name = std::move(Name);
    info.Kind = Codec::Kind;
    info.Enum = Codec::Enum();
    info.Get = [](const TObject& self) { return Codec::Read(detail::ReadAccessor<Getter>(self)); };
    if constexpr (!std::is_same_v<decltype(Setter), std::nullptr_t>) {
        info.Set = [](TObject& self, const Variant& v) { detail::WriteAccessor<Setter>(self, Codec::Write(v)); };
    }
    return info;
}

/// One field of a record-valued property, published under a dotted name as form files write
/// it: PublishedField<&Self::Font, &Self::SetFont, &TFont::Name>("Font.Name"). Writing copies
/// the record, changes the field and hands the record to the setter.
template <auto Getter, auto Setter, auto Field>
TPropInfo PublishedField(std::string Name) {
    using F = detail::AccessorValue<decltype(Field)>;
    using T = typename F::Type;
    using Record = typename F::Class;
    using Codec = TPropertyCodec<T>;
    TPropInfo info;
    info.Name = std::move(Name);
    info.Kind = Codec::Kind;
    info.Enum = Codec::Enum();
    info.Get = [](const TObject& self) { return Codec::Read(detail::ReadAccessor<Getter>(self).*Field); };
    info.Set = [](TObject& self, const Variant& v) {
        Record record = detail::ReadAccessor<Getter>(self);
        record.*Field = Codec::Write(v);
        detail::WriteAccessor<Setter>(self, record);
    };
    return info;
}

}  // namespace zarix
