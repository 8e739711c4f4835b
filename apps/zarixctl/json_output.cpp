// Writing the --json documents.
#include "json_output.h"

#include <iostream>

namespace zarixctl {

namespace {

bool IsUtf8(const std::string& text) {
    // nlohmann's own check, the one that decides what it would replace.
    try {
        (void)TJson(text).dump();
        return true;
    } catch (const TJson::type_error&) {
        return false;
    }
}

std::string HexBytes(const std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char c : text) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 0xF];
    }
    return hex;
}

}  // namespace

TJson JsonDocument(std::string_view Command) {
    TJson document = TJson::object();
    document["schema"] = "zarixctl." + std::string(Command) + "/1";
    return document;
}

void SetPath(TJson& Object, const std::string& Key, const std::string& Path) {
    Object[Key] = Path;
    if (!IsUtf8(Path)) Object[Key + "Bytes"] = HexBytes(Path);
}

TJson PathJson(const std::string& Path) {
    TJson object = TJson::object();
    SetPath(object, "path", Path);
    return object;
}

void PrintJson(const TJson& Document) {
    std::cout << Document.dump(2, ' ', false, TJson::error_handler_t::replace) << '\n';
}

}  // namespace zarixctl
