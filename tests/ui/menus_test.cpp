// Menus: lookup by caption, moving by index, ownership of nested items, clicks, the change seam.
#include "platform/ui/menus.h"

#include "platform/ui/ui_change.h"

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

TEST(MenuItem, FindIgnoresLetterCaseAndAcceleratorMarksOnBothSides) {
    TMainMenu menu(nullptr);
    AddItem(menu, menu.Items(), "&Plik");
    TMenuItem* docs = AddItem(menu, menu.Items(), "Doku&menty");
    EXPECT_EQ(menu.Items()->Find("dokumenty"), docs);
    EXPECT_EQ(menu.Items()->Find("&&DOKUMENTY"), docs);
    EXPECT_EQ(menu.Items()->Find("Dokumenty "), nullptr);
    EXPECT_EQ(menu.Items()->Find("DOKUMENTŁ"), nullptr);
    EXPECT_EQ(StripHotkey("&Plik && więcej"), "Plik  więcej");
}

TEST(MenuItem, MenuIndexMovesAmongSiblingsClampedAndDoesNothingWithoutParent) {
    TMainMenu menu(nullptr);
    TMenuItem* a = AddItem(menu, menu.Items(), "a");
    TMenuItem* b = AddItem(menu, menu.Items(), "b");
    TMenuItem* c = AddItem(menu, menu.Items(), "c");
    c->SetMenuIndex(0);
    EXPECT_EQ(menu.Items()->Items(0), c);
    a->SetMenuIndex(99);
    EXPECT_EQ(menu.Items()->Items(2), a);
    b->SetMenuIndex(-5);
    EXPECT_EQ(menu.Items()->Items(0), b);
    TMenuItem loose(nullptr);
    loose.SetMenuIndex(3);
    EXPECT_EQ(loose.MenuIndex(), -1);
    EXPECT_THROW(menu.Items()->Items(3), EListError);
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

TEST(MenuItem, ClickRunsTheHandlerWithTheItemOnlyWhenEnabledAndVisible) {
    TMainMenu menu(nullptr);
    TMenuItem* item = AddItem(menu, menu.Items(), "Zapisz");
    TObject* sender = nullptr;
    int clicks = 0;
    item->SetOnClick([&](TObject* s) {
        sender = s;
        ++clicks;
    });
    item->Click();
    EXPECT_EQ(sender, item);
    item->SetEnabled(false);
    item->Click();
    item->SetEnabled(true);
    item->SetVisible(false);
    item->Click();
    EXPECT_EQ(clicks, 1);
}

TEST(MenuItem, AHandlerThatFreesItsOwnItemIsSafe) {
    TMainMenu menu(nullptr);
    TMenuItem* item = AddItem(menu, menu.Items(), "Zamknij");
    int runs = 0;
    item->SetOnClick([&](TObject* s) {
        ++runs;
        delete s;
    });
    item->Click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(menu.Items()->Count(), 0);
}

TEST(UIChange, EveryChangeReachesTheInstalledFrontEnd) {
    std::vector<std::string> seen;
    TUIChangeHandler previous = SetUIChangeHandler([&](const TUIChange& c) {
        seen.push_back(std::string(c.Sender->ClassName()) + "." + std::string(c.What));
    });
    {
        TMainMenu menu(nullptr);
        TMenuItem* item = AddItem(menu, menu.Items(), "a");
        item->SetEnabled(false);
        TImageList images(nullptr);
        menu.SetImages(&images);
        EXPECT_EQ(menu.Images(), &images);
    }
    SetUIChangeHandler(std::move(previous));
    // The last one is the item leaving its parent as the menu is destroyed.
    EXPECT_EQ(seen, (std::vector<std::string>{"TMenuItem.Caption", "TMenuItem.Items", "TMenuItem.Enabled",
                                              "TMainMenu.Images", "TMenuItem.Items"}));
}

TEST(Menu, ImagesAreForgottenWhenTheImageListGoes) {
    TMainMenu menu(nullptr);
    auto* images = new TImageList(nullptr);
    images->Add("faktura.png");
    menu.SetImages(images);
    delete images;
    EXPECT_EQ(menu.Images(), nullptr);
}

TEST(MenuItem, FindOnLargeSubmenusAlwaysAnswersTheFirstMatchThroughEveryChange) {
    // Larger submenus are searched through an index; whatever happens to the children, its
    // answer must be the one a search in order gives.
    TMainMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    const std::vector<std::string> captions = {"Faktura", "&Faktura", "PARAGON", "paragon", "Korekta", "Zwrot",
                                               "Magazyn", "Kasa", "Bank", "Cennik", "Klient", "Towar"};
    const auto reference = [&](std::string_view caption) -> TMenuItem* {
        const std::string wanted = UpperCase(StripHotkey(caption));
        for (int i = 0; i < root->Count(); ++i)
            if (UpperCase(StripHotkey(root->Items(i)->Caption())) == wanted) return root->Items(i);
        return nullptr;
    };
    std::mt19937 random(7);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    for (int step = 0; step < 600; ++step) {
        const std::size_t action = pick(6);
        const int count = root->Count();
        if (action <= 1 || count < 3) {
            AddItem(menu, root, captions[pick(captions.size())]);
        } else if (action == 2) {
            auto* item = new TMenuItem(&menu);
            item->SetCaption(captions[pick(captions.size())]);
            root->Insert(static_cast<int>(pick(static_cast<std::size_t>(count))), item);
        } else if (action == 3) {
            root->Items(static_cast<int>(pick(static_cast<std::size_t>(count))))->SetMenuIndex(static_cast<int>(pick(static_cast<std::size_t>(count))));
        } else if (action == 4) {
            root->Items(static_cast<int>(pick(static_cast<std::size_t>(count))))->SetCaption(captions[pick(captions.size())]);
        } else {
            delete root->Items(static_cast<int>(pick(static_cast<std::size_t>(count))));
        }
        for (const std::string& caption : captions) ASSERT_EQ(root->Find(caption), reference(caption)) << step;
        ASSERT_EQ(root->Find("Nieobecny"), nullptr);
    }
}

TEST(MenuItem, ChildrenGenerationMovesWithEveryChangeToTheChildren) {
    TMainMenu menu(nullptr);
    TMenuItem* a = AddItem(menu, menu.Items(), "a");
    AddItem(menu, menu.Items(), "b");
    uint64_t seen = menu.Items()->ChildrenGeneration();
    const auto changed = [&] {
        const bool moved = menu.Items()->ChildrenGeneration() != seen;
        seen = menu.Items()->ChildrenGeneration();
        return moved;
    };
    a->SetMenuIndex(1);
    EXPECT_TRUE(changed());
    a->SetMenuIndex(1);  // already there
    EXPECT_FALSE(changed());
    a->SetCaption("c");
    EXPECT_TRUE(changed());
    a->SetHint("no effect on lookups");
    EXPECT_FALSE(changed());
    delete a;
    EXPECT_TRUE(changed());
}
