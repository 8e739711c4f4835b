// Comparing texts without regard to letter case in every script, by Unicode simple case folding.
#pragma once

#include "platform/rtl/export.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zarix {

/// The code point of UTF-8 Text at Pos, case folded (Unicode simple folding), and Pos moved past
/// it. A byte that begins no valid sequence stands for itself, above the Unicode range, so it
/// equals only the same byte. Pos must be inside Text.
ZARIX_API uint32_t NextFoldedCodePoint(std::string_view Text, std::size_t& Pos) noexcept;

/// True when A and B are the same text once each code point is case folded ("KSIĘGOWOŚĆ" and
/// "Księgowość"). Nothing else is ignored.
ZARIX_API bool SameTextFolded(std::string_view A, std::string_view B) noexcept;

/// The folding of an ASCII byte, the common case that needs no table.
constexpr uint32_t FoldAscii(unsigned char C) noexcept { return C >= 'A' && C <= 'Z' ? C + ('a' - 'A') : C; }

}  // namespace zarix
