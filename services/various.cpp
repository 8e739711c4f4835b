// Plugin-name normalisation: the one form in which plugin and dependency names are compared.
#include "services/various.h"

#include <string_view>

namespace zarix {
namespace {

// Base letters of U+00C0 to U+017F (Latin-1 letters and Latin Extended-A, the Polish letters
// among them), upper case; "" for the two signs in that range that are not letters.
constexpr const char* kLatinFold[192] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",  // U+00C0
    "D", "N", "O", "O", "O", "O", "O", "", "O", "U", "U", "U", "U", "Y", "TH", "SS",  // U+00D0
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",  // U+00E0
    "D", "N", "O", "O", "O", "O", "O", "", "O", "U", "U", "U", "U", "Y", "TH", "Y",  // U+00F0
    "A", "A", "A", "A", "A", "A", "C", "C", "C", "C", "C", "C", "C", "C", "D", "D",  // U+0100
    "D", "D", "E", "E", "E", "E", "E", "E", "E", "E", "E", "E", "G", "G", "G", "G",  // U+0110
    "G", "G", "G", "G", "H", "H", "H", "H", "I", "I", "I", "I", "I", "I", "I", "I",  // U+0120
    "I", "I", "IJ", "IJ", "J", "J", "K", "K", "K", "L", "L", "L", "L", "L", "L", "L",  // U+0130
    "L", "L", "L", "N", "N", "N", "N", "N", "N", "N", "NG", "NG", "O", "O", "O", "O",  // U+0140
    "O", "O", "OE", "OE", "R", "R", "R", "R", "R", "R", "S", "S", "S", "S", "S", "S",  // U+0150
    "S", "S", "T", "T", "T", "T", "T", "T", "U", "U", "U", "U", "U", "U", "U", "U",  // U+0160
    "U", "U", "U", "U", "W", "W", "Y", "Y", "Y", "Z", "Z", "Z", "Z", "Z", "Z", "S",  // U+0170
};

// Decodes one UTF-8 code point at `pos`; a malformed byte yields U+FFFD and moves one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t need = lead < 0x80 ? 1 : (lead >= 0xC2 && lead <= 0xDF) ? 2 : (lead >= 0xE0 && lead <= 0xEF) ? 3
                                         : (lead >= 0xF0 && lead <= 0xF4) ? 4 : 0;
    if (need == 0 || text.size() - pos < need) {
        ++pos;
        return need == 1 ? lead : 0xFFFD;
    }
    char32_t cp = need == 1 ? lead : lead & (0xFF >> (need + 1));
    for (std::size_t i = 1; i < need; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    pos += need;
    return cp;
}

}  // namespace

std::string StrStdSearch(std::string_view Text, int MaxLength) {
    std::string out;
    const std::size_t limit = MaxLength > 0 ? static_cast<std::size_t>(MaxLength) : 0;
    std::size_t pos = 0;
    while (pos < Text.size() && out.size() < limit) {
        const char32_t cp = NextCodePoint(Text, pos);
        if (cp >= 'a' && cp <= 'z') out += static_cast<char>(cp - 'a' + 'A');
        else if ((cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9')) out += static_cast<char>(cp);
        else if (cp >= 0xC0 && cp < 0x180) out += kLatinFold[cp - 0xC0];
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

}  // namespace zarix
