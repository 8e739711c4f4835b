// Tree views: nodes in a tree with depth-first absolute indexes, selection, images and a
// pop-up menu, such as the active-windows tree.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/image_list.h"
#include "platform/ui/menus.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class TTreeNodes;
class TTreeView;

/// One node of a tree view. Nodes are made and freed by their TTreeNodes only; a node is a
/// component so that TWeak<TTreeNode> reads nullptr once the node (or an ancestor) is deleted.
class ZARIX_API TTreeNode : public TComponent {
    ZARIX_CLASS(TTreeNode, TComponent)
    ~TTreeNode() override;

    TTreeNodes* Nodes() const noexcept { return FNodes; }
    TTreeView* TreeView() const noexcept;

    const std::string& Text() const noexcept { return FText; }
    void SetText(const std::string& Value);
    /// Whatever the tree's user attaches; never owned or read by the tree.
    void* Data() const noexcept { return FData; }
    void SetData(void* Value) { FData = Value; }
    /// Image list indexes, -1 for none.
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int Value);
    int SelectedIndex() const noexcept { return FSelectedIndex; }
    void SetSelectedIndex(int Value);
    int StateIndex() const noexcept { return FStateIndex; }
    void SetStateIndex(int Value);

    /// nullptr for a root-level node.
    TTreeNode* Parent() const noexcept { return FParent; }
    int Count() const noexcept { return static_cast<int>(FChildren.size()); }
    bool HasChildren() const noexcept { return !FChildren.empty(); }
    /// Child Index; raises EListError when out of range.
    TTreeNode* Item(int Index) const;
    TTreeNode* GetFirstChild() const noexcept { return FChildren.empty() ? nullptr : FChildren.front(); }
    /// Position among the siblings.
    int Index() const noexcept;
    /// Position in a depth-first walk of the whole tree, from 0.
    int AbsoluteIndex() const;
    /// 0 for a root-level node.
    int Level() const noexcept;

    bool Expanded() const noexcept { return FExpanded; }
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const noexcept;

    /// Deletes the node and its whole subtree; the node must not be used afterwards.
    void Delete();

private:
    friend class TTreeNodes;
    explicit TTreeNode(TTreeNodes* ANodes);
    void Changed(std::string_view What);

    TTreeNodes* FNodes;
    TTreeNode* FParent = nullptr;
    std::vector<TTreeNode*> FChildren;
    std::string FText;
    void* FData = nullptr;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    int FStateIndex = -1;
    bool FExpanded = false;
    bool FDetached = false;  // taken out of the tree by TTreeNodes; its destructor must not unlink
    int FAbsoluteIndex = -1;  // valid while the tree's depth-first list is
};

/// The nodes of a tree view. Adding at the end of the walk and looking nodes up by absolute
/// index are O(1); adding in the middle defers renumbering to the next lookup.
class ZARIX_API TTreeNodes : public TPersistent {
    ZARIX_CLASS(TTreeNodes, TPersistent)
    explicit TTreeNodes(TTreeView* AOwner);
    ~TTreeNodes() override;

    TTreeView* Owner() const noexcept { return FOwner; }
    /// Number of nodes at every level.
    int Count() const noexcept { return FCount; }
    /// The node at AbsoluteIndex in the depth-first walk; raises EListError when out of range.
    TTreeNode* Item(int AbsoluteIndex) const;
    TTreeNode* GetFirstNode() const noexcept { return FRoots.empty() ? nullptr : FRoots.front(); }
    int RootCount() const noexcept { return static_cast<int>(FRoots.size()); }
    /// Root-level node Index; raises EListError when out of range.
    TTreeNode* Root(int Index) const;

    /// A node appended at Sibling's level (root level for nullptr).
    TTreeNode* Add(TTreeNode* Sibling, const std::string& Text);
    /// A node appended under Parent (root level for nullptr).
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& Text);
    /// A node inserted just before Sibling (appended at root level for nullptr).
    TTreeNode* Insert(TTreeNode* Sibling, const std::string& Text);
    /// Deletes Node with its subtree; raises EComponentError for a node of another tree.
    void Delete(TTreeNode* Node);
    void Clear();

    /// Holds back change reports until the matching EndUpdate, which sends one "Items".
    void BeginUpdate() noexcept { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const noexcept { return FUpdateCount > 0; }

private:
    friend class TTreeNode;
    TTreeNode* InsertNode(TTreeNode* Parent, std::size_t Position, const std::string& Text);
    void Unlink(TTreeNode* Node);
    void FreeSubtree(TTreeNode* Node, bool FreeRoot);
    void EnsureIndexes() const;
    void Changed(TComponent* Sender, std::string_view What);
    void CheckOwn(const TTreeNode* Node) const;
    std::vector<TTreeNode*>& Siblings(TTreeNode* Parent) { return Parent ? Parent->FChildren : FRoots; }

    TTreeView* FOwner;
    std::vector<TTreeNode*> FRoots;
    int FCount = 0;
    int FUpdateCount = 0;
    bool FChangedWhileUpdating = false;
    // The depth-first walk, kept in step while nodes are appended at its end or deleted, and
    // rebuilt on the next lookup after an insertion in the middle.
    mutable std::vector<TTreeNode*> FFlat;
    mutable bool FFlatValid = true;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

/// A headless tree view; ClickNode and RightClickNode stand in for the user's mouse.
class ZARIX_API TTreeView : public TComponent {
    ZARIX_CLASS(TTreeView, TComponent)
    explicit TTreeView(TComponent* AOwner);
    ~TTreeView() override;

    TTreeNodes* Items() const noexcept { return FItems.get(); }
    /// The selected node; nullptr once it is deleted.
    TTreeNode* Selected() const noexcept { return FSelected.Get(); }
    /// Selects a node of this tree (nullptr for none) and runs OnChange; raises EComponentError
    /// for a node of another tree.
    void SetSelected(TTreeNode* Value);
    TImageList* Images() const noexcept { return FImages.Get(); }
    void SetImages(TImageList* Value);
    TPopupMenu* PopupMenu() const noexcept { return FPopupMenu.Get(); }
    void SetPopupMenu(TPopupMenu* Value);

    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
    /// Runs after the selection changed, with the new selected node.
    const TTVChangedEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(TTVChangedEvent Value) { FOnChange = std::move(Value); }

    /// Runs the click handler with the tree view as sender.
    void Click();
    /// A left click: selects Node (when given) and runs OnClick.
    void ClickNode(TTreeNode* Node);
    /// A right click at (X, Y): selects Node (when given) and pops the pop-up menu up there.
    void RightClickNode(TTreeNode* Node, int X = 0, int Y = 0);

private:
    friend class TTreeNodes;
    void SelectionLost();

    std::unique_ptr<TTreeNodes> FItems;
    TWeak<TTreeNode> FSelected;
    TWeak<TImageList> FImages;
    TWeak<TPopupMenu> FPopupMenu;
    TNotifyEvent FOnClick;
    TTVChangedEvent FOnChange;
};

}  // namespace zarix
