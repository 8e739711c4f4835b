// Text helpers used throughout: UTF-8 code-point counting and copying, ASCII-only case
// folding, trimming and strict integer conversion.
#pragma once

#include "platform/rtl/export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarix {

/// Number of code points in a UTF-8 text. A byte that does not start a valid sequence counts
/// as one character of its own, so a malformed text is counted without reading past its end.
ZARIX_API std::size_t Utf8Length(std::string_view text);

/// Byte offset of the code point at zero-based position `index`; text.size() past the end.
ZARIX_API std::size_t Utf8Offset(std::string_view text, std::size_t index);

/// `count` code points of `text` starting at the one-based character position `index`, clamped
/// to the text like the platform's Copy.
ZARIX_API std::string Utf8Copy(std::string_view text, std::size_t index, std::size_t count);

/// One-based character position of the first occurrence of `needle`, 0 when absent.
ZARIX_API std::size_t Utf8Pos(std::string_view needle, std::string_view text);

/// Upper case of the letters a to z only; every other byte, Polish letters included, is kept.
ZARIX_API std::string UpperCase(std::string_view text);
ZARIX_API std::string LowerCase(std::string_view text);

/// Equality with the letters a to z compared without regard to case.
ZARIX_API bool SameText(std::string_view a, std::string_view b) noexcept;

/// Removes leading and trailing characters whose code is 32 or less.
ZARIX_API std::string Trim(std::string_view text);
ZARIX_API std::string TrimLeft(std::string_view text);
ZARIX_API std::string TrimRight(std::string_view text);

/// Strict conversion of decimal text (optional sign; a `$` or `0x` prefix for hexadecimal) to
/// a 32-bit integer. Hexadecimal texts cover the unsigned range of the width and wrap
/// ("$FFFFFFFF" is -1), decimal ones the signed range. Anything else, blanks and out-of-range
/// values included, raises EConvertError naming the text.
ZARIX_API int32_t StrToInt(std::string_view text);
ZARIX_API int64_t StrToInt64(std::string_view text);
ZARIX_API int32_t StrToIntDef(std::string_view text, int32_t fallback) noexcept;

ZARIX_API std::string IntToStr(int64_t value);

/// File-name pieces; "/" is the folder separator.
ZARIX_API std::string ExtractFileName(std::string_view path);
ZARIX_API std::string ExtractFilePath(std::string_view path);
ZARIX_API std::string ExtractFileExt(std::string_view path);
ZARIX_API std::string ChangeFileExt(std::string_view path, std::string_view extension);
ZARIX_API std::string IncludeTrailingPathDelimiter(std::string_view path);

}  // namespace zarix
