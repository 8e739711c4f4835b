// Toolbars with their buttons, shortcut texts, and action lists that run them.
#include "platform/ui/actions.h"
#include "platform/ui/shortcuts.h"
#include "platform/ui/toolbar.h"

#include <gtest/gtest.h>

using namespace zarix;

TEST(ToolBar, ButtonsJoinInOrderLeaveWhenFreedAndOutliveABarThatDoesNotOwnThem) {
    TToolBar bar(nullptr);
    auto* a = new TToolButton(&bar);
    auto* b = new TToolButton(&bar);
    EXPECT_EQ(bar.ButtonCount(), 0);  // owned, but not yet on the bar
    a->SetParent(&bar);
    b->SetParent(&bar);
    EXPECT_EQ(bar.Buttons(1), b);
    bar.SetButtonWidth(25);
    EXPECT_EQ(a->Width(), 25);
    delete a;
    EXPECT_EQ(bar.ButtonCount(), 1);
    EXPECT_EQ(bar.ComponentCount(), 1);

    TComponent form(nullptr);
    auto* button = new TToolButton(&form);
    {
        TToolBar other(nullptr);
        button->SetParent(&other);
        b->SetParent(&other);
        EXPECT_EQ(bar.ButtonCount(), 0);
        EXPECT_EQ(other.Buttons(1), b);
    }
    EXPECT_EQ(button->Parent(), nullptr);
    int clicks = 0;
    button->SetOnClick([&](TObject*) { ++clicks; });
    button->Click();
    button->SetVisible(false);
    button->Click();
    EXPECT_EQ(clicks, 1);
}

TEST(ShortCut, TextsRoundTripForModifiersAndF1ToF24AndAnythingElseGivesNone) {
    for (int f = 1; f <= 24; ++f) {
        const std::string text = "Alt+F" + std::to_string(f);
        EXPECT_EQ(TextToShortCut(text), scAlt | (VK_F1 + f - 1)) << text;
        EXPECT_EQ(ShortCutToText(TextToShortCut(text)), text);
    }
    EXPECT_EQ(ShortCutToText(TextToShortCut("ctrl+shift+s")), "Shift+Ctrl+S");
    EXPECT_EQ(ShortCutToText(TextToShortCut("Ctrl+Alt+Del")), "Ctrl+Alt+Del");
    EXPECT_EQ(TextToShortCut("F5"), VK_F1 + 4);
    for (const char* text : {"Alt+F25", "Alt+F0", "Alt+F01", "Alt+", "", "Alt+Nothing", "Hyper+F1"})
        EXPECT_EQ(TextToShortCut(text), 0) << text;
    EXPECT_EQ(ShortCutToText(0), "");
    EXPECT_EQ(ShortCutToText(scAlt), "");
}

TEST(ActionList, ShortcutsRunTheFirstEnabledActionThatHasThem) {
    TActionList list(nullptr);
    std::vector<std::string> ran;
    auto make = [&](const char* name, const char* key) {
        auto* action = new TAction(&list);
        action->SetShortCut(TextToShortCut(key));
        action->SetOnExecute([&ran, name](TObject*) { ran.push_back(name); });
        action->SetActionList(&list);
        return action;
    };
    TAction* first = make("first", "Alt+F1");
    make("second", "Alt+F1");
    make("third", "Alt+F2");
    EXPECT_TRUE(list.IsShortCut(TextToShortCut("Alt+F1")));
    first->SetEnabled(false);
    EXPECT_TRUE(list.IsShortCut(TextToShortCut("Alt+F1")));
    EXPECT_FALSE(list.IsShortCut(TextToShortCut("Alt+F3")));
    EXPECT_FALSE(list.IsShortCut(0));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
    delete first;
    EXPECT_EQ(list.ActionCount(), 2);
    EXPECT_THROW(list.Actions(2), EListError);
}
