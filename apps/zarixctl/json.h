// A small JSON writer for the tool's --json listings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarixctl {

/// A JSON string literal: quotes, backslashes and control characters escaped; UTF-8 kept.
inline std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static const char* hex = "0123456789abcdef";
                    out += "\\u00";
                    out += hex[(c >> 4) & 0xF];
                    out += hex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

inline std::string JsonOptional(const std::optional<std::string>& text) {
    return text ? JsonString(*text) : "null";
}

inline std::string JsonBool(bool value) { return value ? "true" : "false"; }

}  // namespace zarixctl
