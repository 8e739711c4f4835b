// The page control and its tab sheets.
#include "services/controls/page_control.h"

#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"

#include <algorithm>

namespace zarix {

ZARIX_DEFINE_CLASS(TKQTabSheet, ZARIX_PROPERTY(Caption, Caption, SetCaption),
                   PublishedValue<&Self::Color, &Self::SetColor>("Color"),
                   PublishedValue<&Self::ColorTo, &Self::SetColorTo>("ColorTo"),
                   PublishedValue<&Self::TabColor, &Self::SetTabColor>("TabColor"),
                   PublishedValue<&Self::TabColorTo, &Self::SetTabColorTo>("TabColorTo"),
                   ZARIX_PROPERTY(PageIndex, PageIndex, SetPageIndex))

TKQTabSheet::TKQTabSheet(TComponent* AOwner) : TControl(AOwner) {}
TKQTabSheet::~TKQTabSheet() = default;

TZarixPageControl* TKQTabSheet::PageControl() const noexcept { return dynamic_cast<TZarixPageControl*>(Parent()); }

void TKQTabSheet::SetPageControl(TZarixPageControl* Value) { SetParent(Value); }

int TKQTabSheet::PageIndex() const noexcept {
    const TZarixPageControl* control = PageControl();
    if (control == nullptr) return -1;
    const auto it = std::find(control->FPages.begin(), control->FPages.end(), this);
    return static_cast<int>(it - control->FPages.begin());
}

void TKQTabSheet::SetPageIndex(int Value) {
    TZarixPageControl* control = PageControl();
    if (control == nullptr)
        throw EInvalidOperation("Tab sheet " + (Name().empty() ? std::string(ClassName()) : Name()) +
                                " is not a page of any page control");
    control->MovePage(this, Value);
}

void TKQTabSheet::SetCaption(const std::string& Value) { ChangeProperty(this, FCaption, Value, "Caption"); }
void TKQTabSheet::SetColor(TColor Value) { ChangeProperty(this, FColor, Value, "Color"); }
void TKQTabSheet::SetColorTo(TColor Value) { ChangeProperty(this, FColorTo, Value, "ColorTo"); }
void TKQTabSheet::SetTabColor(TColor Value) { ChangeProperty(this, FTabColor, Value, "TabColor"); }
void TKQTabSheet::SetTabColorTo(TColor Value) { ChangeProperty(this, FTabColorTo, Value, "TabColorTo"); }

ZARIX_DEFINE_CLASS(TZarixPageControl, ZARIX_PROPERTY(ActivePage, ActivePageName, SetActivePageName),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Name>("Font.Name"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Height>("Font.Height"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Charset>("Font.Charset"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Color>("Font.Color"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Style>("Font.Style"),
                   PublishedField<&Self::ActiveFont, &Self::SetActiveFont, &TFont::Name>("ActiveFont.Name"),
                   PublishedField<&Self::ActiveFont, &Self::SetActiveFont, &TFont::Height>("ActiveFont.Height"),
                   PublishedField<&Self::ActiveFont, &Self::SetActiveFont, &TFont::Charset>("ActiveFont.Charset"),
                   PublishedField<&Self::ActiveFont, &Self::SetActiveFont, &TFont::Color>("ActiveFont.Color"),
                   PublishedField<&Self::ActiveFont, &Self::SetActiveFont, &TFont::Style>("ActiveFont.Style"),
                   ZARIX_PROPERTY(ParentFont, ParentFont, SetParentFont),
                   PublishedValue<&Self::TabBackGroundColor, &Self::SetTabBackGroundColor>("TabBackGroundColor"),
                   PublishedField<&Self::TabMargin, &Self::SetTabMargin, &TTabMargin::LeftMargin>("TabMargin.LeftMargin"),
                   PublishedField<&Self::TabMargin, &Self::SetTabMargin, &TTabMargin::RightMargin>("TabMargin.RightMargin"),
                   ZARIX_PROPERTY(TabOverlap, TabOverlap, SetTabOverlap))

TZarixPageControl::TZarixPageControl(TComponent* AOwner) : TControl(AOwner) { SetBounds(0, 0, 289, 193); }
TZarixPageControl::~TZarixPageControl() = default;

TKQTabSheet* TZarixPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount()) throw EListError("Page index out of bounds (" + IntToStr(Index) + ")");
    return FPages[static_cast<std::size_t>(Index)];
}

void TZarixPageControl::SetActivePage(TKQTabSheet* Value) {
    if (Value != nullptr && std::find(FPages.begin(), FPages.end(), Value) == FPages.end())
        throw EInvalidOperation("Tab sheet " + (Value->Name().empty() ? std::string(Value->ClassName()) : Value->Name()) +
                                " is not a page of " + (Name().empty() ? std::string(ClassName()) : Name()));
    if (Value == FActivePage) return;
    FActivePage = Value;
    ShowActivePage();
    NotifyUIChange(this, "ActivePage");
}

int TZarixPageControl::ActivePageIndex() const noexcept {
    return FActivePage != nullptr ? FActivePage->PageIndex() : -1;
}

void TZarixPageControl::SetActivePageIndex(int Value) { SetActivePage(Value == -1 ? nullptr : Pages(Value)); }

std::string TZarixPageControl::ActivePageName() const { return FActivePage != nullptr ? FActivePage->Name() : std::string(); }

void TZarixPageControl::SetActivePageName(const std::string& Value) {
    if (Value.empty()) return SetActivePage(nullptr);
    for (TKQTabSheet* page : FPages)
        if (SameText(page->Name(), Value)) return SetActivePage(page);
    throw EInvalidOperation((Name().empty() ? std::string(ClassName()) : Name()) + " has no page named " + Value);
}

void TZarixPageControl::SetFont(const TFont& Value) {
    // A font of its own: the control stops following its parent's, as the toolkit does.
    SetParentFont(false);
    ChangeProperty(this, FFont, Value, "Font");
}

void TZarixPageControl::SetActiveFont(const TFont& Value) { ChangeProperty(this, FActiveFont, Value, "ActiveFont"); }
void TZarixPageControl::SetParentFont(bool Value) { ChangeProperty(this, FParentFont, Value, "ParentFont"); }

void TZarixPageControl::SetTabBackGroundColor(TColor Value) {
    ChangeProperty(this, FTabBackGroundColor, Value, "TabBackGroundColor");
}

void TZarixPageControl::SetTabMargin(const TTabMargin& Value) { ChangeProperty(this, FTabMargin, Value, "TabMargin"); }
void TZarixPageControl::SetTabOverlap(int Value) { ChangeProperty(this, FTabOverlap, Value, "TabOverlap"); }

TBounds TZarixPageControl::ClientRect() const {
    constexpr int kFrame = 2;
    return TBounds{kFrame, TabHeight + kFrame, std::max(Width() - 2 * kFrame, 0),
                   std::max(Height() - TabHeight - 2 * kFrame, 0)};
}

void TZarixPageControl::ControlInserted(TControl* AControl) {
    auto* page = dynamic_cast<TKQTabSheet*>(AControl);
    if (page == nullptr) return;
    FPages.push_back(page);
    // A page control with pages always shows one: the first page that comes is shown.
    if (FActivePage == nullptr) {
        FActivePage = page;
        NotifyUIChange(this, "ActivePage");
    }
    ShowActivePage();
}

void TZarixPageControl::ControlRemoved(TControl* AControl) {
    // The sheet may be in its destructor: it is compared by address, never asked anything.
    const auto it = std::find_if(FPages.begin(), FPages.end(), [&](TKQTabSheet* p) { return p == AControl; });
    if (it == FPages.end()) return;
    const auto index = it - FPages.begin();
    const bool wasActive = *it == FActivePage;
    FPages.erase(it);
    if (!wasActive) return;
    // The page that takes the removed one's place is shown, else the new last page.
    FActivePage = FPages.empty() ? nullptr : FPages[std::min<std::size_t>(static_cast<std::size_t>(index), FPages.size() - 1)];
    ShowActivePage();
    NotifyUIChange(this, "ActivePage");
}

void TZarixPageControl::ArrangeUndocked(const TBounds& Rest) {
    for (TKQTabSheet* page : FPages) Place(page, Rest);
}

void TZarixPageControl::MovePage(TKQTabSheet* Page, int Index) {
    const int place = std::clamp(Index, 0, PageCount() - 1);
    std::erase(FPages, Page);
    FPages.insert(FPages.begin() + place, Page);
    NotifyUIChange(this, "Pages");
}

void TZarixPageControl::ShowActivePage() {
    for (TKQTabSheet* page : FPages) page->SetVisible(page == FActivePage);
}

}  // namespace zarix
