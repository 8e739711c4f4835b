// Shortcut texts.
#include "platform/ui/shortcuts.h"

#include "platform/rtl/strings.h"

#include <array>

namespace zarix {
namespace {

struct NamedKey {
    uint16_t Code;
    const char* Name;
};

constexpr std::array<NamedKey, 18> kNamedKeys = {{
    {0x08, "BkSp"}, {0x09, "Tab"},   {0x0D, "Enter"}, {0x1B, "Esc"},  {0x20, "Space"}, {0x21, "PgUp"},
    {0x22, "PgDn"}, {0x23, "End"},   {0x24, "Home"},  {0x25, "Left"}, {0x26, "Up"},    {0x27, "Right"},
    {0x28, "Down"}, {0x2D, "Ins"},   {0x2E, "Del"},   {0xBB, "="},    {0xBD, "-"},     {0xBE, "."},
}};

std::string KeyName(uint16_t code) {
    if (code >= VK_F1 && code < VK_F1 + 24) return "F" + IntToStr(code - VK_F1 + 1);
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    for (const NamedKey& key : kNamedKeys)
        if (key.Code == code) return key.Name;
    return {};
}

uint16_t KeyCode(std::string_view name) {
    if (name.size() == 1) {
        const char c = UpperCase(name)[0];
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<uint16_t>(c);
    }
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        const int32_t n = StrToIntDef(name.substr(1), 0);
        if (n >= 1 && n <= 24 && IntToStr(n) == name.substr(1)) return static_cast<uint16_t>(VK_F1 + n - 1);
    }
    for (const NamedKey& key : kNamedKeys)
        if (SameText(key.Name, name)) return key.Code;
    return 0;
}

}  // namespace

TShortCut TextToShortCut(std::string_view Text) {
    TShortCut modifiers = 0;
    for (;;) {
        if (Text.size() > 6 && SameText(Text.substr(0, 6), "Shift+")) {
            modifiers |= scShift;
            Text.remove_prefix(6);
        } else if (Text.size() > 5 && SameText(Text.substr(0, 5), "Ctrl+")) {
            modifiers |= scCtrl;
            Text.remove_prefix(5);
        } else if (Text.size() > 4 && SameText(Text.substr(0, 4), "Alt+")) {
            modifiers |= scAlt;
            Text.remove_prefix(4);
        } else {
            break;
        }
    }
    const uint16_t key = KeyCode(Text);
    return key == 0 ? 0 : static_cast<TShortCut>(modifiers | key);
}

std::string ShortCutToText(TShortCut ShortCut) {
    const std::string key = KeyName(ShortCut & 0xFF);
    if (key.empty()) return {};
    std::string text;
    if (ShortCut & scShift) text += "Shift+";
    if (ShortCut & scCtrl) text += "Ctrl+";
    if (ShortCut & scAlt) text += "Alt+";
    return text + key;
}

}  // namespace zarix
