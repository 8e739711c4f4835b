// The ordering of command lists by MenuPosition, shared by the menu and the toolbar.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_types.h"

#include <cstdint>
#include <string_view>

namespace zarix {

/// One element of a MenuPosition converted as StrToInt converts it. Plain decimal digits,
/// nearly every element of every command, are read here without a call.
inline int32_t PositionValue(std::string_view Text) {
    if (Text.empty() || Text.size() > 9) return StrToInt(Text);
    int32_t value = 0;
    for (const char c : Text) {
        if (c < '0' || c > '9') return StrToInt(Text);
        value = value * 10 + (c - '0');
    }
    return value;
}

/// Orders a list of TZarixPluginCommand* by MenuPosition with the pair rule of the menu:
/// neighbours are exchanged when, at the first level where their numbers are compared and the
/// levels before are the same text, the first one's number is greater. Raises the conversion
/// error of the first position element the walk meets that is no integer.
void SortCommandsByPosition(TList& Commands);

/// True when A[i] equals B[i] for every i from 0 to L; true for L below 0, false when either
/// has no element L.
bool SamePositionGroup(const TExplodeArray& A, const TExplodeArray& B, int L);

}  // namespace zarix
