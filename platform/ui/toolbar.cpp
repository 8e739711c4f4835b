// Toolbars and tool buttons.
#include "platform/ui/toolbar.h"

#include "platform/rtl/strings.h"
#include "platform/ui/image_list.h"
#include "platform/ui/ui_change.h"

#include <algorithm>

namespace zarix {

ZARIX_DEFINE_CLASS(TToolButton, ZARIX_PROPERTY(Caption, Caption, SetCaption), ZARIX_PROPERTY(Hint, Hint, SetHint),
                   ZARIX_PROPERTY(ImageIndex, ImageIndex, SetImageIndex),
                   ZARIX_PROPERTY(Visible, Visible, SetVisible), ZARIX_PROPERTY(Left, Left, SetLeft),
                   ZARIX_PROPERTY(Width, Width, SetWidth))

TToolButton::TToolButton(TComponent* AOwner) : TComponent(AOwner) {}

TToolButton::~TToolButton() { SetParent(nullptr); }

void TToolButton::SetParent(TToolBar* Value) {
    if (Value == FParent) return;
    if (FParent != nullptr) {
        EraseFromEnd(FParent->FButtons, this);
        NotifyUIChange(FParent, "Buttons");
    }
    FParent = Value;
    if (FParent != nullptr) {
        FParent->FButtons.push_back(this);
        FWidth = FParent->FButtonWidth;
        NotifyUIChange(FParent, "Buttons");
    }
}

void TToolButton::SetTop(int Value) {
    FTop = Value;
    NotifyUIChange(this, "Top");
}

void TToolButton::SetLeft(int Value) {
    FLeft = Value;
    NotifyUIChange(this, "Left");
}

void TToolButton::SetWidth(int Value) {
    FWidth = Value;
    NotifyUIChange(this, "Width");
}

void TToolButton::SetHeight(int Value) {
    FHeight = Value;
    NotifyUIChange(this, "Height");
}

void TToolButton::SetCaption(const std::string& Value) {
    FCaption = Value;
    NotifyUIChange(this, "Caption");
}

void TToolButton::SetHint(const std::string& Value) {
    FHint = Value;
    NotifyUIChange(this, "Hint");
}

void TToolButton::SetShowHint(bool Value) {
    FShowHint = Value;
    NotifyUIChange(this, "ShowHint");
}

void TToolButton::SetImageIndex(int Value) {
    FImageIndex = Value;
    NotifyUIChange(this, "ImageIndex");
}

void TToolButton::SetVisible(bool Value) {
    FVisible = Value;
    NotifyUIChange(this, "Visible");
}

void TToolButton::SetEnabled(bool Value) {
    FEnabled = Value;
    NotifyUIChange(this, "Enabled");
}

void TToolButton::Click() {
    if (!FVisible || !FEnabled || !FOnClick) return;
    TNotifyEvent handler = FOnClick;
    handler(this);
}

ZARIX_DEFINE_CLASS(TToolBar, ZARIX_PROPERTY(ShowCaptions, ShowCaptions, SetShowCaptions),
                   ZARIX_PROPERTY(ButtonWidth, ButtonWidth, SetButtonWidth), ZARIX_PROPERTY(Visible, Visible, SetVisible))

TToolBar::TToolBar(TComponent* AOwner) : TComponent(AOwner) {}

TToolBar::~TToolBar() {
    // Buttons it owns go with its components; buttons owned elsewhere only leave.
    for (TToolButton* button : FButtons) button->FParent = nullptr;
    FButtons.clear();
}

TToolButton* TToolBar::Buttons(int Index) const {
    if (Index < 0 || Index >= ButtonCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FButtons[static_cast<std::size_t>(Index)];
}

void TToolBar::SetImages(TImageList* Value) {
    FImages = Value;
    NotifyUIChange(this, "Images");
}

void TToolBar::SetShowCaptions(bool Value) {
    FShowCaptions = Value;
    NotifyUIChange(this, "ShowCaptions");
}

void TToolBar::SetButtonWidth(int Value) {
    FButtonWidth = Value;
    for (TToolButton* button : FButtons) button->FWidth = Value;
    NotifyUIChange(this, "ButtonWidth");
}

void TToolBar::SetHeight(int Value) {
    FHeight = Value;
    NotifyUIChange(this, "Height");
}

void TToolBar::SetVisible(bool Value) {
    FVisible = Value;
    NotifyUIChange(this, "Visible");
}

}  // namespace zarix
