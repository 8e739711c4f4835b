// Enumeration identifiers and set texts.
#include "platform/rtl/enum_info.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace zarix {

TEnumInfo::TEnumInfo(std::string_view name, std::string_view identifiers) : FName(name) {
    std::size_t start = 0;
    while (start <= identifiers.size()) {
        const auto comma = identifiers.find(',', start);
        const auto piece = identifiers.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                     : comma - start);
        std::string id = Trim(piece);
        if (!id.empty()) FIdentifiers.push_back(std::move(id));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

std::string TEnumInfo::NameOf(int value) const {
    if (value >= 0 && value < Count()) return FIdentifiers[static_cast<std::size_t>(value)];
    return IntToStr(value);
}

int TEnumInfo::ValueOf(std::string_view identifier) const noexcept {
    for (std::size_t i = 0; i < FIdentifiers.size(); ++i)
        if (SameText(FIdentifiers[i], identifier)) return static_cast<int>(i);
    return -1;
}

std::string SetToString(const TEnumInfo& info, uint64_t bits) {
    std::string out = "[";
    for (int i = 0; i < 64; ++i) {
        if ((bits & (uint64_t{1} << i)) == 0) continue;
        if (out.size() > 1) out += ',';
        out += info.NameOf(i);
    }
    return out + "]";
}

uint64_t StringToSet(const TEnumInfo& info, std::string_view text) {
    std::string body = Trim(text);
    if (!body.empty() && body.front() == '[') body.erase(0, 1);
    if (!body.empty() && body.back() == ']') body.pop_back();
    uint64_t bits = 0;
    std::size_t start = 0;
    while (start <= body.size()) {
        const auto comma = body.find(',', start);
        const std::string id = Trim(std::string_view(body).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!id.empty()) {
            const int value = info.ValueOf(id);
            if (value < 0 || value >= 64)
                throw EPropertyError("Invalid property element: " + id);
            bits |= uint64_t{1} << value;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return bits;
}

}  // namespace zarix
