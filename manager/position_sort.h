// The ordering of command lists by MenuPosition, shared by the menu and the toolbar.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/lists.h"
#include "plugin/plugin_types.h"

namespace zarix {

/// Orders a list of TZarixPluginCommand* by MenuPosition with the pair rule of the menu:
/// neighbours are exchanged when, at the first level where their numbers are compared and the
/// levels before are the same text, the first one's number is greater. Raises the conversion
/// error of the first position element the walk meets that is no integer.
void SortCommandsByPosition(TList& Commands);

/// True when A[i] equals B[i] for every i from 0 to L; true for L below 0, false when either
/// has no element L.
bool SamePositionGroup(const TExplodeArray& A, const TExplodeArray& B, int L);

}  // namespace zarix
