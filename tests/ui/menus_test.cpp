// Commands on screen: menus (lookup by caption, moving by index, ownership of nested items,
// clicks, the change seam), toolbars with their buttons, shortcut texts, and action lists.
#include "platform/ui/menus.h"

#include "platform/ui/actions.h"
#include "platform/ui/shortcuts.h"
#include "platform/ui/toolbar.h"

#include "platform/ui/ui_change.h"

#include "platform/rtl/case_fold.h"
#include "platform/rtl/strings.h"

#include <gtest/gtest.h>

#include <random>

using namespace zarix;

namespace {

TMenuItem* AddItem(TMenu& menu, TMenuItem* parent, const std::string& caption) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

}  // namespace

TEST(MenuItem, FindIgnoresLetterCaseInEveryScriptAndAcceleratorMarksOnBothSides) {
    TMainMenu menu(nullptr);
    AddItem(menu, menu.Items(), "&Plik");
    TMenuItem* docs = AddItem(menu, menu.Items(), "Doku&menty");
    TMenuItem* books = AddItem(menu, menu.Items(), "Księgowość");
    const std::pair<const char*, TMenuItem*> cases[] = {
        {"dokumenty", docs}, {"&&DOKUMENTY", docs}, {"Dokumenty ", nullptr}, {"DOKUMENTŁ", nullptr},
        {"KSIĘGOWOŚĆ", books}, {"księgowość", books}, {"KSIEGOWOSC", nullptr}, {"Księgowoś", nullptr},
        {"K\xC4", nullptr}};  // a cut sequence equals nothing but itself
    for (const auto& [caption, found] : cases) EXPECT_EQ(menu.Items()->Find(caption), found) << caption;
    EXPECT_EQ(StripHotkey("&Plik && więcej"), "Plik  więcej");
}

TEST(MenuItem, MenuIndexMovesAmongSiblingsClamped) {
    TMainMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    TMenuItem* a = AddItem(menu, root, "a");
    TMenuItem* b = AddItem(menu, root, "b");
    TMenuItem* c = AddItem(menu, root, "c");
    c->SetMenuIndex(0);
    EXPECT_EQ(root->Items(0), c);
    a->SetMenuIndex(99);
    EXPECT_EQ(root->Items(2), a);
    b->SetMenuIndex(-5);
    EXPECT_EQ(root->Items(0), b);
    TMenuItem loose(nullptr);
    loose.SetMenuIndex(3);
    EXPECT_EQ(loose.MenuIndex(), -1);
    EXPECT_THROW(root->Items(3), EListError);
}

TEST(MenuItem, DestroyingAnItemTakesItsSubmenuAndLeavesItsParent) {
    TMainMenu menu(nullptr);
    TMenuItem* docs = AddItem(menu, menu.Items(), "Dokumenty");
    TWeak<TMenuItem> child = AddItem(menu, docs, "Faktura");
    TWeak<TMenuItem> grandchild = AddItem(menu, child.Get(), "Korekta");
    const int owned = menu.ComponentCount();
    delete docs;
    EXPECT_EQ(menu.Items()->Count(), 0);
    EXPECT_FALSE(child);
    EXPECT_FALSE(grandchild);
    EXPECT_EQ(menu.ComponentCount(), owned - 3);
    TMenuItem* again = AddItem(menu, menu.Items(), "x");
    EXPECT_THROW(again->Add(menu.Items()), EComponentError);  // no item inside itself
}

TEST(MenuItem, ClickRunsOnlyWhenEnabledAndVisibleAndMayFreeTheItem) {
    TMainMenu menu(nullptr);
    TMenuItem* item = AddItem(menu, menu.Items(), "Zamknij");
    std::vector<TObject*> senders;
    item->SetOnClick([&](TObject* s) { senders.push_back(s); });
    item->SetEnabled(false);
    item->Click();
    item->SetEnabled(true);
    item->SetVisible(false);
    item->Click();
    item->SetVisible(true);
    EXPECT_TRUE(senders.empty());
    item->SetOnClick([&](TObject* s) {
        senders.push_back(s);
        delete s;
    });
    item->Click();
    EXPECT_EQ(senders, std::vector<TObject*>{item});
    EXPECT_EQ(menu.Items()->Count(), 0);
}

TEST(UIChange, EveryChangeReachesTheInstalledFrontEndAndImagesAreForgottenWhenTheirListGoes) {
    std::vector<std::string> seen;
    TUIChangeHandler previous = SetUIChangeHandler([&](const TUIChange& c) {
        seen.push_back(std::string(c.Sender->ClassName()) + "." + std::string(c.What));
    });
    {
        TMainMenu menu(nullptr);
        AddItem(menu, menu.Items(), "a")->SetEnabled(false);
        auto* images = new TImageList(nullptr);
        menu.SetImages(images);
        delete images;
        EXPECT_EQ(menu.Images(), nullptr);
    }
    SetUIChangeHandler(std::move(previous));
    // The last one is the item leaving its parent as the menu is destroyed.
    EXPECT_EQ(seen, (std::vector<std::string>{"TMenuItem.Caption", "TMenuItem.Items", "TMenuItem.Enabled",
                                              "TMainMenu.Images", "TMenuItem.Items"}));
}

TEST(MenuItem, FindOnLargeSubmenusAlwaysAnswersTheFirstMatchThroughEveryChange) {
    // Larger submenus are searched through an index; whatever happens to the children, its
    // answer must be the one a search in order gives.
    TMainMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    const std::vector<std::string> captions = {"Faktura", "&Faktura", "PARAGON", "paragon", "Korekta", "Zwrot",
                                               "Magazyn", "Kasa", "Bank", "Cennik", "ŁÓDŹ", "łódź", "Żółw"};
    const auto reference = [&](std::string_view caption) -> TMenuItem* {
        for (int i = 0; i < root->Count(); ++i)
            if (SameTextFolded(StripHotkey(root->Items(i)->Caption()), StripHotkey(caption))) return root->Items(i);
        return nullptr;
    };
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto caption = [&] { return captions[static_cast<std::size_t>(pick(static_cast<int>(captions.size())))]; };
    for (int step = 0; step < 600; ++step) {
        const int action = pick(6), count = root->Count();
        if (action <= 1 || count < 3) AddItem(menu, root, caption());
        else if (action == 2) {
            auto* item = new TMenuItem(&menu);
            item->SetCaption(caption());
            root->Insert(pick(count), item);
        } else if (action == 3) root->Items(pick(count))->SetMenuIndex(pick(count));
        else if (action == 4) root->Items(pick(count))->SetCaption(caption());
        else delete root->Items(pick(count));
        for (const std::string& c : captions) ASSERT_EQ(root->Find(c), reference(c)) << step;
        ASSERT_EQ(root->Find("Nieobecny"), nullptr);
    }
}

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
