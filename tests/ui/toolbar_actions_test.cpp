// Toolbars with their buttons, and action lists with shortcuts.
#include "platform/ui/actions.h"
#include "platform/ui/toolbar.h"

#include <gtest/gtest.h>

using namespace zarix;

TEST(ToolBar, ButtonsJoinInOrderLeaveWhenFreedAndFollowTheButtonWidth) {
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
    TToolBar other(nullptr);
    b->SetParent(&other);
    EXPECT_EQ(bar.ButtonCount(), 0);
    EXPECT_EQ(other.Buttons(0), b);
}

TEST(ToolBar, AButtonOwnedElsewhereOutlivesItsToolBar) {
    TComponent form(nullptr);
    auto* button = new TToolButton(&form);
    {
        TToolBar bar(nullptr);
        button->SetParent(&bar);
    }
    EXPECT_EQ(button->Parent(), nullptr);
    int clicks = 0;
    button->SetOnClick([&](TObject*) { ++clicks; });
    button->Click();
    button->SetVisible(false);
    button->Click();
    EXPECT_EQ(clicks, 1);
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
