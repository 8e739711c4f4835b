// Tree views: absolute indexes through adds and deletes, subtree deletion with weak references
// and the selection, clicks and the pop-up menu.
#include "platform/ui/tree_view.h"

#include "platform/ui/menus.h"
#include "platform/ui/ui_change.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace zarix;

namespace {

// The depth-first walk recomputed from the parent/child links alone.
void Walk(TTreeNode* node, std::vector<TTreeNode*>& out) {
    out.push_back(node);
    for (int i = 0; i < node->Count(); ++i) Walk(node->Item(i), out);
}

void ExpectConsistent(const TTreeNodes& nodes) {
    std::vector<TTreeNode*> walk;
    for (int i = 0; i < nodes.RootCount(); ++i) Walk(nodes.Root(i), walk);
    ASSERT_EQ(static_cast<int>(walk.size()), nodes.Count());
    for (int i = 0; i < nodes.Count(); ++i) {
        ASSERT_EQ(nodes.Item(i), walk[static_cast<std::size_t>(i)]) << i;
        ASSERT_EQ(walk[static_cast<std::size_t>(i)]->AbsoluteIndex(), i);
    }
}

std::vector<std::string> Texts(const TTreeNodes& nodes) {
    std::vector<std::string> out;
    for (int i = 0; i < nodes.Count(); ++i) out.push_back(nodes.Item(i)->Text());
    return out;
}

}  // namespace

TEST(TreeNodes, AbsoluteIndexesFollowTheDepthFirstWalkThroughAddsAndDeletes) {
    TTreeView tree(nullptr);
    TTreeNodes& nodes = *tree.Items();
    TTreeNode* host = nodes.Add(nullptr, "host");
    TTreeNode* a = nodes.Add(host, "a");
    TTreeNode* a1 = nodes.AddChild(a, "a1");
    nodes.Add(a, "b");                 // root level, after a's subtree
    nodes.AddChild(a, "a2");          // in the middle of the walk
    nodes.AddChild(a1, "a1x");
    nodes.Insert(a, "before-a");
    nodes.AddChild(nullptr, "last");
    EXPECT_EQ(Texts(nodes), (std::vector<std::string>{"host", "before-a", "a", "a1", "a1x", "a2", "b", "last"}));
    EXPECT_EQ(a1->Level(), 1);
    EXPECT_EQ(nodes.Item(4)->Level(), 2);
    EXPECT_EQ(a->Index(), 2);
    ExpectConsistent(nodes);

    a1->Delete();
    EXPECT_EQ(Texts(nodes), (std::vector<std::string>{"host", "before-a", "a", "a2", "b", "last"}));
    EXPECT_THROW(nodes.Item(6), EListError);
    EXPECT_THROW(nodes.Item(-1), EListError);
    EXPECT_THROW(a->Item(1), EListError);
    ExpectConsistent(nodes);
}

TEST(TreeNodes, DeletingASubtreeClearsEveryWeakReferenceAndTheSelection) {
    TTreeView tree(nullptr);
    TTreeNodes& nodes = *tree.Items();
    TTreeNode* root = nodes.Add(nullptr, "root");
    TTreeNode* parent = nodes.AddChild(root, "parent");
    TTreeNode* child = nodes.AddChild(parent, "child");
    TTreeNode* grandchild = nodes.AddChild(child, "grandchild");
    TTreeNode* sibling = nodes.AddChild(root, "sibling");
    TWeak<TTreeNode> weakParent(parent), weakChild(child), weakGrandchild(grandchild), weakSibling(sibling);
    std::vector<TTreeNode*> changes;
    tree.SetOnChange([&](TObject*, TTreeNode* Node) { changes.push_back(Node); });
    tree.SetSelected(grandchild);
    EXPECT_TRUE(grandchild->Selected());

    parent->Delete();
    EXPECT_FALSE(weakParent || weakChild || weakGrandchild);
    EXPECT_TRUE(weakSibling);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(changes, (std::vector<TTreeNode*>{grandchild, nullptr}));
    EXPECT_EQ(Texts(nodes), (std::vector<std::string>{"root", "sibling"}));
    ExpectConsistent(nodes);

    // A node freed directly, not through Delete, leaves the tree just as cleanly.
    nodes.AddChild(sibling, "leaf");
    tree.SetSelected(sibling);
    delete static_cast<TComponent*>(sibling);
    EXPECT_FALSE(weakSibling);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(Texts(nodes), std::vector<std::string>{"root"});

    nodes.Clear();
    EXPECT_EQ(nodes.Count(), 0);
    EXPECT_EQ(nodes.GetFirstNode(), nullptr);
}

TEST(TreeNodes, NodesOfAnotherTreeAreRefused) {
    TTreeView one(nullptr), two(nullptr);
    TTreeNode* foreign = two.Items()->Add(nullptr, "foreign");
    EXPECT_THROW(one.Items()->AddChild(foreign, "x"), EComponentError);
    EXPECT_THROW(one.Items()->Delete(foreign), EComponentError);
    EXPECT_THROW(one.SetSelected(foreign), EComponentError);
    EXPECT_EQ(one.Items()->Count() + two.Items()->Count(), 1);
    EXPECT_EQ(one.Selected(), nullptr);
}

TEST(TreeNodes, ManyRandomEditsKeepIndexesCountAndWalkInStep) {
    TTreeView tree(nullptr);
    TTreeNodes& nodes = *tree.Items();
    std::mt19937 random(12345);
    for (int step = 0; step < 3000; ++step) {
        const int count = nodes.Count();
        TTreeNode* some = count > 0 ? nodes.Item(static_cast<int>(random() % static_cast<unsigned>(count))) : nullptr;
        switch (random() % 6) {
            case 0: nodes.Add(some, "s"); break;
            case 1:
            case 2: nodes.AddChild(some, "c"); break;
            case 3: nodes.Insert(some, "i"); break;
            case 4:
                if (some != nullptr && random() % 3 == 0) some->Delete();
                break;
            case 5: nodes.AddChild(nullptr, "r"); break;
        }
        if (step % 250 == 0) ExpectConsistent(nodes);
    }
    ExpectConsistent(nodes);
    // The container's rebuild: keep the first node, delete the one after it until none is left.
    ASSERT_GT(nodes.Count(), 1);
    TTreeNode* first = nodes.GetFirstNode();
    while (nodes.Count() > 1) nodes.Item(1)->Delete();
    EXPECT_EQ(nodes.GetFirstNode(), first);
    ExpectConsistent(nodes);
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
        EXPECT_EQ(popup.PopupCount(), 1);
        EXPECT_EQ(tree.Selected(), b);
        EXPECT_EQ(clickedOn.size(), 2u);  // a right click is not a click
    }
    EXPECT_EQ(tree.PopupMenu(), nullptr);
    tree.RightClickNode(a);
    EXPECT_EQ(tree.Selected(), a);
}

TEST(TreeView, UpdatesAreReportedOnce) {
    TTreeView tree(nullptr);
    int itemChanges = 0;
    const TUIChangeHandler previous = SetUIChangeHandler([&](const TUIChange& change) {
        if (change.Sender == &tree && change.What == "Items") ++itemChanges;
    });
    tree.Items()->BeginUpdate();
    for (int i = 0; i < 10; ++i) tree.Items()->Add(nullptr, "n" + std::to_string(i));
    EXPECT_EQ(itemChanges, 0);
    tree.Items()->EndUpdate();
    EXPECT_EQ(itemChanges, 1);
    tree.Items()->Item(3)->Delete();
    EXPECT_EQ(itemChanges, 2);
    SetUIChangeHandler(previous);
}
