// Commands on screen: menus (lookup by caption, moving by index, ownership of nested items,
// clicks, the change seam), toolbars with their buttons, shortcut texts, and action lists; tree
// views: absolute indexes through adds and deletes, subtree deletion with weak references and
// the selection, clicks and the pop-up menu.
#include "platform/ui/menus.h"

#include "platform/ui/actions.h"
#include "platform/ui/shortcuts.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/tree_view.h"


#include "platform/rtl/case_fold.h"
#include "tree_outline.h"
#include "ui_change_scope.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace zarix;

namespace {

// An item owned by the menu, appended to the parent or inserted at a position.
TMenuItem* AddItem(TMenu& menu, TMenuItem* parent, const std::string& caption, int at = -1) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(caption);
    at < 0 ? parent->Add(item) : parent->Insert(at, item);
    return item;
}

constexpr TMenuItem* kNoItem = nullptr;

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
    // A small submenu compares captions in order, plain ones of one length eight bytes at a
    // time: a first word that differs decides.
    TMenuItem* reports = AddItem(menu, docs, "Zestawienia roczne");
    EXPECT_EQ(std::pair(docs->Find("ZESTAWIENIA ROCZNE"), docs->Find("Rozliczenia roczne")), std::pair(reports, kNoItem));
    // A caption handed over with a new item serves the index only when it is the item's own.
    AddItem(menu, menu.Items(), "Kasa");
    ASSERT_NE(menu.Items()->Find(TMenuCaption("KASA")), nullptr);  // four items: the index is made
    auto* store = new TMenuItem(&menu);
    store->SetCaption("Magazyn");
    menu.Items()->Add(store, TMenuCaption("Sprzedaż"));
    EXPECT_EQ(std::pair(menu.Items()->Find("MAGAZYN"), menu.Items()->Find("Sprzedaż")), std::pair(store, kNoItem));
    EXPECT_EQ(StripHotkey("&Plik && więcej"), "Plik  więcej");
}

TEST(MenuItem, MenuIndexMovesAmongSiblingsClamped) {
    TMainMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    TMenuItem* const a = AddItem(menu, root, "a");
    TMenuItem* const b = AddItem(menu, root, "b");
    TMenuItem* const c = AddItem(menu, root, "c");
    for (const auto& [item, to, at] : {std::tuple(c, 0, 0), std::tuple(a, 99, 2), std::tuple(b, -5, 0)}) {
        item->SetMenuIndex(to);
        EXPECT_EQ(root->Items(at), item) << to;
    }
    TMenuItem loose(nullptr);
    loose.SetMenuIndex(3);
    EXPECT_EQ(loose.MenuIndex(), -1);
    EXPECT_THROW(root->Items(3), EListError);
}

TEST(MenuItem, AnItemTakesItsSubmenuAndLeavesItsParentWhenDestroyedAlsoByItsOwnClick) {
    TMainMenu menu(nullptr);
    TMenuItem* docs = AddItem(menu, menu.Items(), "Dokumenty");
    TWeak<TMenuItem> child = AddItem(menu, docs, "Faktura");
    TWeak<TMenuItem> grandchild = AddItem(menu, child.Get(), "Korekta");
    const int owned = menu.ComponentCount();
    delete docs;
    EXPECT_FALSE(child || grandchild);
    EXPECT_EQ(std::pair(menu.Items()->Count(), menu.ComponentCount()), std::pair(0, owned - 3));
    TMenuItem* item = AddItem(menu, menu.Items(), "Zamknij");
    EXPECT_THROW(item->Add(menu.Items()), EComponentError);  // no item inside itself
    // A click runs only on an enabled, visible item, and its handler may free the item.
    std::vector<TObject*> senders;
    item->SetOnClick([&](TObject* s) { senders.push_back(s); });
    for (const auto hide : {&TMenuItem::SetEnabled, &TMenuItem::SetVisible}) {
        (item->*hide)(false);
        item->Click();
        (item->*hide)(true);
    }
    EXPECT_TRUE(senders.empty());
    item->SetOnClick([&](TObject* s) {
        senders.push_back(s);
        delete s;
    });
    item->Click();
    EXPECT_EQ(senders, std::vector<TObject*>{item});
    EXPECT_EQ(menu.Items()->Count(), 0);
}

TEST(UIChange, EveryChangeReachesTheInstalledFrontEndTreeUpdatesOnceAndImagesAreForgottenWhenTheirListGoes) {
    std::vector<std::string> seen;
    const TUIChangeScope frontEnd([&](const TUIChange& c) {
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
    TTreeView tree(nullptr);
    tree.Items()->BeginUpdate();
    for (int i = 0; i < 10; ++i) tree.Items()->Add(nullptr, "n" + std::to_string(i));
    EXPECT_EQ(seen.size(), 5u);  // nothing while the update lasts
    tree.Items()->EndUpdate();
    tree.Items()->BeginUpdate();  // an update that changes nothing tells nothing
    tree.Items()->EndUpdate();
    tree.Items()->Item(3)->Delete();
    // The fifth one is the item leaving its parent as the menu is destroyed.
    EXPECT_EQ(seen, (std::vector<std::string>{"TMenuItem.Caption", "TMenuItem.Items", "TMenuItem.Enabled", "TMainMenu.Images",
                                              "TMenuItem.Items", "TTreeView.Items", "TTreeView.Items"}));
}

TEST(MenuItem, FindOnLargeSubmenusAlwaysAnswersTheFirstMatchThroughEveryChange) {
    // Larger submenus are searched through an index; whatever happens to the children, its
    // answer must be the one a search in order gives.
    TMainMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    // Long ones too: the index hashes plain ASCII eight bytes at a time, and must agree with a
    // byte at a time wherever a "&" or a letter outside ASCII (the Kelvin sign folds to "k") cuts
    // the run.
    const char* captions[] = {"Faktura",           "&Faktura",           "PARAGON",           "paragon",
                              "Korekta",           "Zwrot",              "Kasa",              "ŁÓDŹ",
                              "łódź",              "Zestawienia&Roczne", "ZESTAWIENIAROCZNE", "Zestawienia roczne",
                              "\u212Aoszty ogólne", "koszty OGÓLNE&"};
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 600; ++step) {
        const int count = root->Count();
        const char* caption = captions[pick(static_cast<int>(std::size(captions)))];
        switch (count < 3 ? 0 : pick(5)) {
            case 0: AddItem(menu, root, caption); break;
            case 1: AddItem(menu, root, caption, pick(count)); break;
            case 2: root->Items(pick(count))->SetMenuIndex(pick(count)); break;
            case 3: root->Items(pick(count))->SetCaption(caption); break;
            default: delete root->Items(pick(count));
        }
        for (const char* c : captions) {
            TMenuItem* first = nullptr;
            for (int i = root->Count() - 1; i >= 0; --i)
                if (SameTextFolded(StripHotkey(root->Items(i)->Caption()), StripHotkey(c))) first = root->Items(i);
            ASSERT_EQ(root->Find(c), first) << step << " " << c;
        }
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
    EXPECT_EQ(std::pair(bar.ButtonCount(), bar.ComponentCount()), std::pair(1, 1));

    TComponent form(nullptr);
    auto* button = new TToolButton(&form);
    {
        TToolBar other(nullptr);
        button->SetParent(&other);
        b->SetParent(&other);
        EXPECT_EQ(std::pair(bar.ButtonCount(), other.Buttons(1)), std::pair(0, b));
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
    // Every Alt+F<n> a toolbar hands out is spelled by ToolBarTest.ShortcutsSkipAltF4AndEndAfterF24;
    // here the ends of the range, letter case and the fixed order of the modifiers.
    const std::pair<const char*, const char*> texts[] = {
        {"Alt+F1", "Alt+F1"}, {"alt+f24", "Alt+F24"}, {"ctrl+shift+s", "Shift+Ctrl+S"}, {"Ctrl+Alt+Del", "Ctrl+Alt+Del"}};
    for (const auto& [text, shown] : texts) EXPECT_EQ(ShortCutToText(TextToShortCut(text)), shown) << text;
    EXPECT_EQ(std::pair(TextToShortCut("Alt+F24"), TextToShortCut("F5")),
              (std::pair<TShortCut, TShortCut>(scAlt | (VK_F1 + 23), VK_F1 + 4)));
    for (const char* text : {"Alt+F25", "Alt+F0", "Alt+F01", "Alt+", "", "Alt+Nothing", "Hyper+F1"})
        EXPECT_EQ(TextToShortCut(text), 0) << text;
    EXPECT_EQ(ShortCutToText(0) + ShortCutToText(scAlt), "");
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
    EXPECT_FALSE(list.IsShortCut(TextToShortCut("Alt+F3")) || list.IsShortCut(0));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
    delete first;
    EXPECT_EQ(list.ActionCount(), 2);
    EXPECT_THROW(list.Actions(2), EListError);
}

TEST(TreeNodes, AbsoluteIndexesFollowTheDepthFirstWalkThroughAddsAndDeletes) {
    TTreeView tree(nullptr);
    TTreeNodes& nodes = *tree.Items();
    TTreeNode* host = nodes.Add(nullptr, "host");
    TTreeNode* a = nodes.Add(host, "a");
    TTreeNode* a1 = nodes.AddChild(a, "a1");
    nodes.Add(a, "b");                 // root level, after a's subtree
    TTreeNode* a2 = nodes.AddChild(a, "a2");  // in the middle of the walk
    nodes.AddChild(a1, "a1x");
    nodes.Insert(a, "before-a");
    nodes.AddChild(nullptr, "last");
    EXPECT_EQ(std::pair(Outline(nodes), a->Index()), std::pair(std::string("host before-a a .a1 ..a1x .a2 b last"), 2));
    // Into a walk known to be whole, neither at its end: before a node, and below the last child
    // of a parent that is not the last itself.
    nodes.Insert(a, "between");
    EXPECT_EQ(nodes.Item(2)->Text(), "between");
    nodes.Item(2)->Delete();
    nodes.AddChild(a2, "a2x");
    a->Expand(true);
    EXPECT_TRUE(a->Expanded() && a1->Expanded() && a2->Expanded());
    a->Collapse(false);
    EXPECT_TRUE(!a->Expanded() && a1->Expanded());

    a1->Delete();  // while the walk is not known
    EXPECT_EQ(Outline(nodes), "host before-a a .a2 ..a2x b last");
    for (const int outside : {7, -1}) EXPECT_THROW(nodes.Item(outside), EListError) << outside;
    EXPECT_THROW(a->Item(1), EListError);
}

TEST(TreeNodes, DeletingASubtreeClearsEveryWeakReferenceAndTheSelectionAndForeignNodesAreRefused) {
    TTreeView tree(nullptr);
    TTreeNodes& nodes = *tree.Items();
    TTreeNode* root = nodes.Add(nullptr, "root");
    TTreeNode* parent = nodes.AddChild(root, "parent");
    TTreeNode* child = nodes.AddChild(parent, "child");
    TTreeNode* grandchild = nodes.AddChild(child, "grandchild");
    TTreeNode* sibling = nodes.AddChild(root, "sibling");
    TWeak<TTreeNode> weakParent(parent), weakChild(child), weakGrandchild(grandchild);
    std::vector<TTreeNode*> changes;
    tree.SetOnChange([&](TObject*, TTreeNode* Node) { changes.push_back(Node); });
    tree.SetSelected(grandchild);
    EXPECT_TRUE(grandchild->Selected());

    parent->Delete();
    EXPECT_FALSE(weakParent || weakChild || weakGrandchild);
    EXPECT_EQ(std::tuple(tree.Selected(), changes, Outline(nodes)),
              std::tuple(nullptr, std::vector<TTreeNode*>{grandchild, nullptr}, std::string("root .sibling")));

    // A node freed directly, not through Delete, leaves the tree just as cleanly.
    nodes.AddChild(sibling, "leaf");
    tree.SetSelected(sibling);
    delete static_cast<TComponent*>(sibling);
    EXPECT_EQ(std::pair(tree.Selected(), Outline(nodes)), std::pair(static_cast<TTreeNode*>(nullptr), std::string("root")));

    nodes.Clear();
    // Nodes of another tree are refused, and neither tree changes.
    TTreeView other(nullptr);
    TTreeNode* foreign = other.Items()->Add(nullptr, "foreign");
    EXPECT_THROW(nodes.AddChild(foreign, "x"), EComponentError);
    EXPECT_THROW(nodes.Delete(foreign), EComponentError);
    EXPECT_THROW(tree.SetSelected(foreign), EComponentError);
    EXPECT_EQ(std::tuple(nodes.Count(), nodes.GetFirstNode(), tree.Selected(), other.Items()->Count()),
              (std::tuple<int, TTreeNode*, TTreeNode*, int>(0, nullptr, nullptr, 1)));
}

TEST(TreeView, ClicksSelectTheNodeAndRightClicksPopTheMenuUp) {
    TTreeView tree(nullptr);
    TTreeNode* a = tree.Items()->Add(nullptr, "a");
    TTreeNode* b = tree.Items()->Add(nullptr, "b");
    std::vector<TTreeNode*> clickedOn;
    tree.SetOnClick([&](TObject* Sender) { clickedOn.push_back(static_cast<TTreeView*>(Sender)->Selected()); });
    tree.ClickNode(b);
    tree.ClickNode(nullptr);  // a click beside the nodes keeps the selection
    EXPECT_EQ(clickedOn, (std::vector<TTreeNode*>{b, b}));

    tree.RightClickNode(a, 5, 7);  // no pop-up menu yet: only selects
    EXPECT_EQ(tree.Selected(), a);
    {
        TPopupMenu popup(&tree);
        tree.SetPopupMenu(&popup);
        tree.RightClickNode(b);
        // A right click is not a click.
        EXPECT_EQ(std::tuple(popup.PopupCount(), tree.Selected(), clickedOn.size()), std::tuple(1, b, std::size_t{2}));
    }
    EXPECT_EQ(tree.PopupMenu(), nullptr);
    tree.RightClickNode(a);
    EXPECT_EQ(tree.Selected(), a);
}

