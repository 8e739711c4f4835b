// The page control of the maker's control library and the tab sheets of its skinned component
// library: a row of tabs over one page at a time.
#pragma once

#include "platform/rtl/export.h"
#include "platform/ui/controls.h"

#include <string>
#include <vector>

namespace zarix {

class TZarixPageControl;

/// One page of a page control, with its tab. Its page control is its parent, which gives every
/// page its page area; a sheet shows only while it is the active page.
class ZARIX_API TKQTabSheet : public TControl {
    ZARIX_CLASS(TKQTabSheet, TControl)
    explicit TKQTabSheet(TComponent* AOwner);
    ~TKQTabSheet() override;

    /// The page control this sheet is a page of; nullptr when none.
    TZarixPageControl* PageControl() const noexcept;
    /// Makes the sheet the last page of Value (or of none, with nullptr).
    void SetPageControl(TZarixPageControl* Value);
    /// Position among its page control's pages; -1 without one.
    int PageIndex() const noexcept;
    /// Moves the sheet to that position (clamped to the pages there are); raises
    /// EInvalidOperation for a sheet without a page control.
    void SetPageIndex(int Value);

    /// The text on the tab.
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);
    /// The page's background, a gradient from Color to ColorTo (clNone: plain Color).
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor Value);
    TColor ColorTo() const noexcept { return FColorTo; }
    void SetColorTo(TColor Value);
    /// The tab's background, likewise.
    TColor TabColor() const noexcept { return FTabColor; }
    void SetTabColor(TColor Value);
    TColor TabColorTo() const noexcept { return FTabColorTo; }
    void SetTabColorTo(TColor Value);

private:
    std::string FCaption;
    TColor FColor = clBtnFace;
    TColor FColorTo = clNone;
    TColor FTabColor = clBtnFace;
    TColor FTabColorTo = clNone;
};

/// The margins of the tabs inside the tab row.
struct TTabMargin {
    int LeftMargin = 0;
    int RightMargin = 0;
    bool operator==(const TTabMargin&) const = default;
};

class ZARIX_API TZarixPageControl : public TControl {
    ZARIX_CLASS(TZarixPageControl, TControl)
    explicit TZarixPageControl(TComponent* AOwner);
    ~TZarixPageControl() override;

    /// Height of the tab row above the pages.
    static constexpr int TabHeight = 20;

    int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
    /// Raises EListError when Index is out of range.
    TKQTabSheet* Pages(int Index) const;
    /// The page shown; nullptr when none is.
    TKQTabSheet* ActivePage() const noexcept { return FActivePage; }
    /// Shows Value and hides the other pages; raises EInvalidOperation for a sheet that is not
    /// a page of this control.
    void SetActivePage(TKQTabSheet* Value);
    int ActivePageIndex() const noexcept;
    /// -1 shows no page; raises EListError for another index out of range.
    void SetActivePageIndex(int Value);
    /// The active page by component name, as form files refer to it ("" for none); setting an
    /// unknown name raises EInvalidOperation.
    std::string ActivePageName() const;
    void SetActivePageName(const std::string& Value);

    /// The font of the tabs, and of the active page's tab.
    const TFont& Font() const noexcept { return FFont; }
    void SetFont(const TFont& Value);
    const TFont& ActiveFont() const noexcept { return FActiveFont; }
    void SetActiveFont(const TFont& Value);
    /// True: the control uses its parent's font rather than its own.
    bool ParentFont() const noexcept { return FParentFont; }
    void SetParentFont(bool Value);
    /// The background of the tab row beside the tabs.
    TColor TabBackGroundColor() const noexcept { return FTabBackGroundColor; }
    void SetTabBackGroundColor(TColor Value);
    const TTabMargin& TabMargin() const noexcept { return FTabMargin; }
    void SetTabMargin(const TTabMargin& Value);
    /// How many pixels neighbouring tabs overlap.
    int TabOverlap() const noexcept { return FTabOverlap; }
    void SetTabOverlap(int Value);

    /// The page area: below the tab row, inside a two-pixel frame.
    TBounds ClientRect() const override;

protected:
    void ControlInserted(TControl* AControl) override;
    void ControlRemoved(TControl* AControl) override;
    /// Gives every page, shown or not, the room the docked controls leave of the page area.
    void ArrangeUndocked(const TBounds& Rest) override;

private:
    friend class TKQTabSheet;
    void MovePage(TKQTabSheet* Page, int Index);
    void ShowActivePage();

    std::vector<TKQTabSheet*> FPages;
    TKQTabSheet* FActivePage = nullptr;  // one of FPages, or nullptr
    TFont FFont;
    TFont FActiveFont;
    bool FParentFont = true;
    TColor FTabBackGroundColor = clBtnFace;
    TTabMargin FTabMargin;
    int FTabOverlap = 0;
};

}  // namespace zarix
