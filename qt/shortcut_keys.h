// Shortcuts of the headless toolkit as Qt key sequences.
#pragma once

#include "platform/ui/shortcuts.h"

#include <QKeySequence>

namespace zarix::qt {

/// The key sequence of a shortcut; an empty one for 0 or a key Qt has no name for.
QKeySequence KeySequenceOf(TShortCut ShortCut);

}  // namespace zarix::qt
