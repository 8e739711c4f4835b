// Keys as controls receive them: the platform's virtual key codes, the modifier state and the
// key event a control fires before it acts on a key itself.
#pragma once

#include "platform/rtl/component.h"

#include <cstdint>
#include <functional>

namespace zarix {

/// Modifier keys held with a key, as bits.
using TShiftState = uint8_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;

inline constexpr uint16_t VK_RETURN = 0x0D;
inline constexpr uint16_t VK_ESCAPE = 0x1B;
inline constexpr uint16_t VK_PRIOR = 0x21;  // Page Up
inline constexpr uint16_t VK_NEXT = 0x22;   // Page Down
inline constexpr uint16_t VK_END = 0x23;
inline constexpr uint16_t VK_HOME = 0x24;
inline constexpr uint16_t VK_UP = 0x26;
inline constexpr uint16_t VK_DOWN = 0x28;

/// Fired before the control acts on Key; a handler that sets Key to 0 keeps the control from
/// acting on it.
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;

}  // namespace zarix
