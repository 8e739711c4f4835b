// Shortcut texts.
#include "platform/ui/shortcuts.h"

#include <gtest/gtest.h>

using namespace zarix;

TEST(ShortCut, TextsRoundTripForModifiersAndF1ToF24) {
    for (int f = 1; f <= 24; ++f) {
        const std::string text = "Alt+F" + std::to_string(f);
        const TShortCut sc = TextToShortCut(text);
        EXPECT_EQ(sc, scAlt | (VK_F1 + f - 1)) << text;
        EXPECT_EQ(ShortCutToText(sc), text);
    }
    EXPECT_EQ(ShortCutToText(TextToShortCut("ctrl+shift+s")), "Shift+Ctrl+S");
    EXPECT_EQ(ShortCutToText(TextToShortCut("Ctrl+Alt+Del")), "Ctrl+Alt+Del");
    EXPECT_EQ(TextToShortCut("F5"), VK_F1 + 4);
}

TEST(ShortCut, ATextNamingNoKeyGivesNoShortcutPrintedEmpty) {
    for (const char* text : {"Alt+F25", "Alt+F0", "Alt+F01", "Alt+", "", "Alt+Nothing", "Hyper+F1"})
        EXPECT_EQ(TextToShortCut(text), 0) << text;
    EXPECT_EQ(ShortCutToText(0), "");
    EXPECT_EQ(ShortCutToText(scAlt), "");
}
