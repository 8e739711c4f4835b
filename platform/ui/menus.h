// Menus: main and pop-up menus of items that nest, find each other by caption and move.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/image_list.h"
#include "platform/ui/shortcuts.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class TMenu;

/// A caption as TMenuItem::Find compares it, for a caption looked for in several submenus, or
/// looked for and then given to a new item: its hash, worked out at the first search that needs
/// it, serves them all. It refers to the text, which must outlive it.
class ZARIX_API TMenuCaption {
public:
    explicit TMenuCaption(std::string_view Text) noexcept : FText(Text) {}
    std::string_view Text() const noexcept { return FText; }

private:
    friend class TMenuItem;
    std::size_t Hash() const noexcept;
    std::string_view FText;
    mutable std::size_t FHash = 0;
    mutable bool FHashed = false;
};

/// One menu item; its children form a submenu. Destroying an item destroys its children.
class ZARIX_API TMenuItem : public TComponent {
    ZARIX_CLASS(TMenuItem, TComponent)
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& Value);
    /// -1 for no image.
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int Value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool Value);
    /// Shows a check mark beside the caption.
    bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool Value);
    TShortCut ShortCut() const noexcept { return FShortCut; }
    void SetShortCut(TShortCut Value);
    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(TNotifyEvent Value);
    /// Runs the click handler with the item as sender, as a user's click does; a disabled or
    /// hidden item does nothing.
    void Click();

    TMenuItem* Parent() const noexcept { return FParent; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    /// Child Index; raises EListError when out of range.
    TMenuItem* Items(int Index) const;
    int IndexOf(const TMenuItem* Item) const noexcept;
    /// Appends a child (taking it from its previous parent).
    void Add(TMenuItem* Item);
    /// Appends a child whose caption is ItemCaption's text.
    void Add(TMenuItem* Item, const TMenuCaption& ItemCaption);
    void Insert(int Index, TMenuItem* Item);
    /// Takes a child out without destroying it.
    void Remove(TMenuItem* Item);
    /// The first child whose caption equals ACaption with letter case and "&" ignored on both
    /// sides; nullptr when none does.
    TMenuItem* Find(std::string_view ACaption) const;
    TMenuItem* Find(const TMenuCaption& ACaption) const;
    /// Position among the parent's children; -1 without a parent.
    int MenuIndex() const noexcept;
    /// Moves the item among its siblings, the index clamped to them; no effect without a parent.
    void SetMenuIndex(int Value);
    /// Changes whenever a child is added, removed, moved or renamed: an answer of Find stays
    /// valid while this number does.
    uint64_t ChildrenGeneration() const noexcept { return FChildrenGeneration; }

private:
    std::string FCaption;
    std::string FHint;
    int FImageIndex = -1;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    TShortCut FShortCut = 0;
    TNotifyEvent FOnClick;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    uint64_t FChildrenGeneration = 0;
    // Find's index over larger submenus: an open-addressing table of children by folded caption,
    // holding the first child of each caption. Appending keeps it; any other change to the
    // children or their captions drops it, to be rebuilt on demand.
    struct TFindSlot {
        std::size_t Hash = 0;
        TMenuItem* Item = nullptr;
    };
    mutable std::vector<TFindSlot> FFindIndex;
    void DropFindIndex() const noexcept { FFindIndex.clear(); }
    void ChildrenChanged() noexcept { ++FChildrenGeneration; }
    // Known: the child's caption with its hash, when the caller has it.
    void InsertAt(int Index, TMenuItem* Item, const TMenuCaption* Known);
    void IndexChild(TMenuItem* Child) const;
    void IndexChild(TMenuItem* Child, std::size_t Hash) const;
    void BuildFindIndex() const;
};

/// A menu: its Items is the invisible top item whose children are the entries.
class ZARIX_API TMenu : public TComponent {
    ZARIX_CLASS(TMenu, TComponent)
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    TMenuItem* Items() const noexcept { return FItems.Get(); }
    TImageList* Images() const noexcept { return FImages.Get(); }
    void SetImages(TImageList* Value);

private:
    TWeak<TMenuItem> FItems;  // owned as a component; weak in case someone frees it first
    TWeak<TImageList> FImages;
};

class ZARIX_API TMainMenu : public TMenu {
    ZARIX_CLASS(TMainMenu, TMenu)
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
};

/// A pop-up menu; Popup records where it was last shown.
class ZARIX_API TPopupMenu : public TMenu {
    ZARIX_CLASS(TPopupMenu, TMenu)
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    void Popup(int X, int Y);
    int PopupCount() const noexcept { return FPopupCount; }

private:
    int FPopupCount = 0;
};

/// Caption text without accelerator marks ("&Plik" gives "Plik").
ZARIX_API std::string StripHotkey(std::string_view Caption);

}  // namespace zarix
