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

void TToolButton::SetTop(int Value) { ChangeProperty(this, FTop, Value, "Top"); }

void TToolButton::SetLeft(int Value) { ChangeProperty(this, FLeft, Value, "Left"); }

void TToolButton::SetWidth(int Value) { ChangeProperty(this, FWidth, Value, "Width"); }

void TToolButton::SetHeight(int Value) { ChangeProperty(this, FHeight, Value, "Height"); }

void TToolButton::SetCaption(const std::string& Value) { ChangeProperty(this, FCaption, Value, "Caption"); }

void TToolButton::SetHint(const std::string& Value) { ChangeProperty(this, FHint, Value, "Hint"); }

void TToolButton::SetShowHint(bool Value) { ChangeProperty(this, FShowHint, Value, "ShowHint"); }

void TToolButton::SetImageIndex(int Value) { ChangeProperty(this, FImageIndex, Value, "ImageIndex"); }

void TToolButton::SetVisible(bool Value) { ChangeProperty(this, FVisible, Value, "Visible"); }

void TToolButton::SetEnabled(bool Value) { ChangeProperty(this, FEnabled, Value, "Enabled"); }

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

void TToolBar::SetImages(TImageList* Value) { ChangeProperty(this, FImages, Value, "Images"); }

void TToolBar::SetShowCaptions(bool Value) { ChangeProperty(this, FShowCaptions, Value, "ShowCaptions"); }

void TToolBar::SetButtonWidth(int Value) {
    FButtonWidth = Value;
    for (TToolButton* button : FButtons) button->FWidth = Value;
    NotifyUIChange(this, "ButtonWidth");
}

void TToolBar::SetHeight(int Value) { ChangeProperty(this, FHeight, Value, "Height"); }

void TToolBar::SetVisible(bool Value) { ChangeProperty(this, FVisible, Value, "Visible"); }

}  // namespace zarix
