// Keyboard shortcuts: a key code with modifier bits, and their texts ("Alt+F5").
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zarix {

/// A key code in the low byte and the modifiers scShift, scCtrl, scAlt; 0 is no shortcut.
using TShortCut = uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr uint16_t VK_F1 = 0x70;  // F1 to F24 are 0x70 to 0x87

/// Parses modifiers ("Shift+", "Ctrl+", "Alt+", in any order and letter case) followed by a key
/// name (F1 to F24, a letter or digit, or a named key such as "Enter", "Del", "PgUp"). A text
/// naming no key gives 0.
ZARIX_API TShortCut TextToShortCut(std::string_view Text);
/// The text of a shortcut, modifiers first ("Ctrl+Alt+F5"); "" for 0 or an unknown key.
ZARIX_API std::string ShortCutToText(TShortCut ShortCut);

}  // namespace zarix
