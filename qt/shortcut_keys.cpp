// Shortcuts as key sequences.
#include "qt/shortcut_keys.h"

namespace zarix::qt {

QKeySequence KeySequenceOf(TShortCut ShortCut) {
    // The headless texts ("Alt+F1", "Ctrl+Shift+Del") are the portable names Qt reads too.
    const std::string text = ShortCutToText(ShortCut);
    if (text.empty()) return {};
    return QKeySequence(QString::fromStdString(text), QKeySequence::PortableText);
}

}  // namespace zarix::qt
