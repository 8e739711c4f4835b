// Simple case folding through ICU, with ASCII kept off the table look-up.
#include "platform/rtl/case_fold.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>

namespace zarix {

uint32_t NextFoldedCodePoint(std::string_view Text, std::size_t& Pos) noexcept {
    const auto lead = static_cast<unsigned char>(Text[Pos]);
    if (lead < 0x80) {
        ++Pos;
        return FoldAscii(lead);
    }
    // At most four bytes make a code point; a short window keeps ICU's 32-bit indices safe
    // whatever the length of the text.
    const auto window = static_cast<int32_t>(std::min<std::size_t>(Text.size() - Pos, 4));
    int32_t used = 0;
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(Text.data() + Pos), used, window, c);
    if (c < 0) {
        ++Pos;
        return 0x110000u + lead;
    }
    Pos += static_cast<std::size_t>(used);
    return static_cast<uint32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
}

bool SameTextFolded(std::string_view A, std::string_view B) noexcept {
    std::size_t i = 0, j = 0;
    while (i < A.size() && j < B.size()) {
        const auto a = static_cast<unsigned char>(A[i]);
        const auto b = static_cast<unsigned char>(B[j]);
        if ((a | b) < 0x80) {
            if (FoldAscii(a) != FoldAscii(b)) return false;
            ++i;
            ++j;
            continue;
        }
        if (NextFoldedCodePoint(A, i) != NextFoldedCodePoint(B, j)) return false;
    }
    return i == A.size() && j == B.size();
}

}  // namespace zarix
