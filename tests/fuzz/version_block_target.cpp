// Queries over version blocks in memory.
#include "block_checks.h"
#include "fuzz_target.h"

#include "platform/os/version_resource.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zarix::fuzz {
namespace {

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || text.size() - i < length) return false;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

bool Inside(std::span<const std::byte> block, const void* data, std::size_t size) {
    const auto* begin = static_cast<const std::byte*>(data);
    return begin >= block.data() && size <= block.size() &&
           static_cast<std::size_t>(begin - block.data()) <= block.size() - size;
}

void CheckPath(std::span<const std::byte> block, std::string_view path) {
    const auto value = VerQueryValue(block, path);
    if (value) Expect(Inside(block, value->Bytes.data(), value->Bytes.size()), "a value outside the block");
    // The platform-shaped query trusts the block's own length, so it is only asked about a
    // block that holds that many bytes; bounded the same way, both queries must agree.
    if (block.size() < 2) return;
    const std::size_t root = std::to_integer<std::size_t>(block[0]) | std::to_integer<std::size_t>(block[1]) << 8;
    if (root > block.size()) return;
    const void* data = nullptr;
    uint32_t length = 0;
    const bool found = VerQueryValueW(block.data(), path, &data, &length);
    Expect(found == value.has_value(), "the two queries disagree on whether a value exists");
    if (!found) return;
    Expect(data == value->Bytes.data(), "the two queries disagree on where a value is");
    Expect(length == (value->IsText ? value->Bytes.size() / 2 : value->Bytes.size()),
           "the two queries disagree on the length of a value");
}

}  // namespace

void CheckBlockQueries(std::span<const std::byte> block) {
    static constexpr std::string_view Paths[] = {"\\", "", "\\VarFileInfo\\Translation", "\\VarFileInfo",
                                                 "\\StringFileInfo", "\\\\StringFileInfo\\\\041504E2\\FileVersion"};
    for (std::string_view path : Paths) CheckPath(block, path);
    const auto size = static_cast<uint32_t>(std::min<std::size_t>(block.size(), UINT32_MAX));
    const auto translations = VerQueryTranslations(block.data(), size);
    for (std::size_t t = 0; t < translations.size() && t < 4; ++t) {
        for (std::string_view key : {"FileVersion", "ProductName", "FileDescription"}) {
            const std::string path = VerStringPath(translations[t], key);
            CheckPath(block, path);
            if (const auto text = VerQueryString(block.data(), size, path))
                Expect(IsValidUtf8(*text), "a text value that is not valid UTF-8");
        }
    }
}

void FuzzVersionBlock(TInput input) {
    // A copy of exactly the input's size, so a read past the block is a read past the buffer.
    std::vector<std::byte> block(input.size());
    if (!input.empty()) std::memcpy(block.data(), input.data(), input.size());
    CheckBlockQueries(block);
}

}  // namespace zarix::fuzz
