// Tree views, their node collection and nodes.
#include "platform/ui/tree_view.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"

#include <algorithm>

namespace zarix {

namespace {

// Pre-order walk from Start without recursion: window chains can be thousands deep.
template <class Visit>
void WalkSubtree(TTreeNode* Start, Visit visit) {
    std::vector<TTreeNode*> stack{Start};
    while (!stack.empty()) {
        TTreeNode* node = stack.back();
        stack.pop_back();
        visit(node);
        for (int i = node->Count(); i-- > 0;) stack.push_back(node->Item(i));
    }
}

}  // namespace

ZARIX_DEFINE_CLASS(TTreeNode, ZARIX_PROPERTY(Text, Text, SetText), ZARIX_PROPERTY(ImageIndex, ImageIndex, SetImageIndex),
                   ZARIX_PROPERTY(SelectedIndex, SelectedIndex, SetSelectedIndex),
                   ZARIX_PROPERTY(StateIndex, StateIndex, SetStateIndex))

TTreeNode::TTreeNode(TTreeNodes* ANodes) : TComponent(nullptr), FNodes(ANodes) {}

TTreeNode::~TTreeNode() {
    // Freed directly rather than through Delete: take the children and the links out now.
    if (!FDetached) FNodes->FreeSubtree(this, false);
}

TTreeView* TTreeNode::TreeView() const noexcept { return FNodes->Owner(); }

void TTreeNode::Changed(std::string_view What) { FNodes->Changed(this, What); }

void TTreeNode::SetText(const std::string& Value) {
    if (Value == FText) return;
    FText = Value;
    Changed("Text");
}

void TTreeNode::SetImageIndex(int Value) {
    if (Value == FImageIndex) return;
    FImageIndex = Value;
    Changed("ImageIndex");
}

void TTreeNode::SetSelectedIndex(int Value) {
    if (Value == FSelectedIndex) return;
    FSelectedIndex = Value;
    Changed("SelectedIndex");
}

void TTreeNode::SetStateIndex(int Value) {
    if (Value == FStateIndex) return;
    FStateIndex = Value;
    Changed("StateIndex");
}

TTreeNode* TTreeNode::Item(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("Tree node index out of bounds (" + IntToStr(Index) + ")");
    return FChildren[static_cast<std::size_t>(Index)];
}

int TTreeNode::Index() const noexcept {
    const std::vector<TTreeNode*>& siblings = FParent ? FParent->FChildren : FNodes->FRoots;
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    return static_cast<int>(it - siblings.begin());
}

int TTreeNode::AbsoluteIndex() const {
    FNodes->EnsureIndexes();
    return FAbsoluteIndex;
}

int TTreeNode::Level() const noexcept {
    int level = 0;
    for (const TTreeNode* up = FParent; up != nullptr; up = up->FParent) ++level;
    return level;
}

void TTreeNode::SetExpanded(bool Value) {
    if (Value == FExpanded) return;
    FExpanded = Value;
    Changed("Expanded");
}

void TTreeNode::Expand(bool Recurse) {
    if (!Recurse) return SetExpanded(true);
    WalkSubtree(this, [](TTreeNode* node) { node->SetExpanded(true); });
}

void TTreeNode::Collapse(bool Recurse) {
    if (!Recurse) return SetExpanded(false);
    WalkSubtree(this, [](TTreeNode* node) { node->SetExpanded(false); });
}

bool TTreeNode::Selected() const noexcept {
    const TTreeView* view = TreeView();
    return view != nullptr && view->Selected() == this;
}

void TTreeNode::Delete() { FNodes->Delete(this); }

ZARIX_DEFINE_CLASS(TTreeNodes)

TTreeNodes::TTreeNodes(TTreeView* AOwner) : FOwner(AOwner) {}

TTreeNodes::~TTreeNodes() { Clear(); }

void TTreeNodes::CheckOwn(const TTreeNode* Node) const {
    if (Node != nullptr && Node->FNodes != this) throw EComponentError("The tree node belongs to another tree view");
}

TTreeNode* TTreeNodes::Item(int AbsoluteIndex) const {
    if (AbsoluteIndex < 0 || AbsoluteIndex >= FCount)
        throw EListError("Tree node index out of bounds (" + IntToStr(AbsoluteIndex) + ")");
    EnsureIndexes();
    return FFlat[static_cast<std::size_t>(AbsoluteIndex)];
}

TTreeNode* TTreeNodes::Root(int Index) const {
    if (Index < 0 || Index >= RootCount()) throw EListError("Tree node index out of bounds (" + IntToStr(Index) + ")");
    return FRoots[static_cast<std::size_t>(Index)];
}

void TTreeNodes::EnsureIndexes() const {
    if (FFlatValid) return;
    FFlat.clear();
    FFlat.reserve(static_cast<std::size_t>(FCount));
    for (TTreeNode* root : FRoots)
        WalkSubtree(root, [this](TTreeNode* node) {
            node->FAbsoluteIndex = static_cast<int>(FFlat.size());
            FFlat.push_back(node);
        });
    FFlatValid = true;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& Text) {
    CheckOwn(Sibling);
    TTreeNode* parent = Sibling != nullptr ? Sibling->FParent : nullptr;
    return InsertNode(parent, Siblings(parent).size(), Text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& Text) {
    CheckOwn(Parent);
    return InsertNode(Parent, Siblings(Parent).size(), Text);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& Text) {
    if (Sibling == nullptr) return Add(nullptr, Text);
    CheckOwn(Sibling);
    return InsertNode(Sibling->FParent, static_cast<std::size_t>(Sibling->Index()), Text);
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* Parent, std::size_t Position, const std::string& Text) {
    std::vector<TTreeNode*>& siblings = Siblings(Parent);
    // The node lands at the end of the depth-first walk only when it is the last child of a
    // parent whose every ancestor is itself the last of its siblings.
    bool atEnd = Position == siblings.size();
    for (const TTreeNode* up = Parent; atEnd && up != nullptr; up = up->FParent)
        atEnd = Siblings(up->FParent).back() == up;
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode(this));
    node->FText = Text;
    node->FParent = Parent;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(Position), node.get());
    ++FCount;
    if (FFlatValid && atEnd) {
        node->FAbsoluteIndex = static_cast<int>(FFlat.size());
        FFlat.push_back(node.get());
    } else {
        FFlatValid = false;
    }
    Changed(FOwner, "Items");
    return node.release();
}

void TTreeNodes::Delete(TTreeNode* Node) {
    if (Node == nullptr) return;
    CheckOwn(Node);
    FreeSubtree(Node, true);
}

void TTreeNodes::FreeSubtree(TTreeNode* Node, bool FreeRoot) {
    std::vector<TTreeNode*> doomed;
    WalkSubtree(Node, [&](TTreeNode* n) {
        n->FDetached = true;
        doomed.push_back(n);
    });
    std::vector<TTreeNode*>& siblings = Siblings(Node->FParent);
    if (const auto it = std::find(siblings.begin(), siblings.end(), Node); it != siblings.end()) siblings.erase(it);
    if (FFlatValid) {
        const auto first = FFlat.begin() + Node->FAbsoluteIndex;
        FFlat.erase(first, first + static_cast<std::ptrdiff_t>(doomed.size()));
        for (std::size_t i = static_cast<std::size_t>(Node->FAbsoluteIndex); i < FFlat.size(); ++i)
            FFlat[i]->FAbsoluteIndex = static_cast<int>(i);
    }
    FCount -= static_cast<int>(doomed.size());
    // The selection is dropped before any node dies, so nobody sees a half-destroyed node.
    bool selectionLost = false;
    if (FOwner != nullptr) {
        if (TTreeNode* selected = FOwner->Selected(); selected != nullptr && selected->FDetached) {
            FOwner->FSelected = nullptr;
            selectionLost = true;
        }
    }
    Node->FChildren.clear();
    Node->FParent = nullptr;
    // Children before their parents: each weak reference is cleared as its node goes.
    for (std::size_t i = doomed.size(); i-- > 1;) delete doomed[i];
    if (FreeRoot) delete Node;
    Changed(FOwner, "Items");
    if (selectionLost) FOwner->SelectionLost();
}

void TTreeNodes::Clear() {
    if (FRoots.empty()) return;
    std::vector<TTreeNode*> roots;
    roots.swap(FRoots);
    std::vector<TTreeNode*> doomed;
    for (TTreeNode* root : roots)
        WalkSubtree(root, [&](TTreeNode* n) {
            n->FDetached = true;
            doomed.push_back(n);
        });
    FCount = 0;
    FFlat.clear();
    FFlatValid = true;
    bool selectionLost = false;
    if (FOwner != nullptr && FOwner->Selected() != nullptr) {
        FOwner->FSelected = nullptr;
        selectionLost = true;
    }
    for (std::size_t i = doomed.size(); i-- > 0;) delete doomed[i];
    Changed(FOwner, "Items");
    if (selectionLost) FOwner->SelectionLost();
}

void TTreeNodes::Changed(TComponent* Sender, std::string_view What) {
    if (FUpdateCount > 0) FChangedWhileUpdating = true;
    else if (Sender != nullptr) NotifyUIChange(Sender, What);
}

void TTreeNodes::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0 || !FChangedWhileUpdating) return;
    FChangedWhileUpdating = false;
    if (FOwner != nullptr) NotifyUIChange(FOwner, "Items");
}

ZARIX_DEFINE_CLASS(TTreeView)

TTreeView::TTreeView(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TTreeNodes>(this)) {}

TTreeView::~TTreeView() {
    // No handler of the host runs for a tree view that is going away.
    FOnChange = nullptr;
    FOnClick = nullptr;
    FItems.reset();
}

void TTreeView::SetSelected(TTreeNode* Value) {
    if (Value != nullptr && Value->Nodes() != FItems.get())
        throw EComponentError("The tree node belongs to another tree view");
    if (FSelected == Value) return;
    FSelected = Value;
    NotifyUIChange(this, "Selected");
    if (FOnChange) {
        TTVChangedEvent handler = FOnChange;
        handler(this, Value);
    }
}

void TTreeView::SelectionLost() {
    NotifyUIChange(this, "Selected");
    if (FOnChange) {
        TTVChangedEvent handler = FOnChange;
        handler(this, nullptr);
    }
}

void TTreeView::SetImages(TImageList* Value) {
    if (FImages == Value) return;
    FImages = Value;
    NotifyUIChange(this, "Images");
}

void TTreeView::SetPopupMenu(TPopupMenu* Value) {
    if (FPopupMenu == Value) return;
    FPopupMenu = Value;
    NotifyUIChange(this, "PopupMenu");
}

void TTreeView::Click() {
    if (!FOnClick) return;
    TNotifyEvent handler = FOnClick;
    handler(this);
}

void TTreeView::ClickNode(TTreeNode* Node) {
    TWeak<TTreeView> self(this);
    if (Node != nullptr) SetSelected(Node);
    if (self) Click();
}

void TTreeView::RightClickNode(TTreeNode* Node, int X, int Y) {
    TWeak<TTreeView> self(this);
    if (Node != nullptr) SetSelected(Node);
    if (!self) return;
    if (TPopupMenu* popup = FPopupMenu.Get(); popup != nullptr) popup->Popup(X, Y);
}

}  // namespace zarix
