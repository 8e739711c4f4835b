// The standard controls and the dialog keys of a form.
#include "platform/ui/std_controls.h"

#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"

#include <algorithm>
#include <utility>

namespace zarix {

ZARIX_DEFINE_CLASS(TInputControl, ZARIX_PROPERTY(Enabled, Enabled, SetEnabled))
ZARIX_DEFINE_CLASS(TLabel, ZARIX_PROPERTY(Caption, Caption, SetCaption))
ZARIX_DEFINE_CLASS(TEdit, ZARIX_PROPERTY(Text, Text, SetText), ZARIX_PROPERTY(ReadOnly, ReadOnly, SetReadOnly),
                   ZARIX_PROPERTY(MaxLength, MaxLength, SetMaxLength))
ZARIX_DEFINE_CLASS(TButton, ZARIX_PROPERTY(Caption, Caption, SetCaption), ZARIX_PROPERTY(Default, Default, SetDefault),
                   ZARIX_PROPERTY(Cancel, Cancel, SetCancel))
ZARIX_DEFINE_CLASS(TCheckBox, ZARIX_PROPERTY(Caption, Caption, SetCaption),
                   ZARIX_PROPERTY(Checked, Checked, SetChecked))
ZARIX_DEFINE_CLASS(TComboBox, ZARIX_PROPERTY(Style, Style, SetStyle), ZARIX_PROPERTY(ItemIndex, ItemIndex, SetItemIndex),
                   ZARIX_PROPERTY(Text, Text, SetText))

namespace {

// Handlers are copied before they run: a handler may assign the event anew, and the copy keeps
// the running one alive.
void Fire(const TNotifyEvent& Event, TObject* Sender) {
    if (!Event) return;
    const TNotifyEvent handler = Event;
    handler(Sender);
}

}  // namespace

TInputControl::TInputControl(TComponent* AOwner) : TControl(AOwner) {}
TInputControl::~TInputControl() = default;
void TInputControl::SetEnabled(bool Value) { ChangeProperty(this, FEnabled, Value, "Enabled"); }

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) { SetBounds(0, 0, 65, 17); }
TLabel::~TLabel() = default;
void TLabel::SetCaption(const std::string& Value) { ChangeProperty(this, FCaption, Value, "Caption"); }

TEdit::TEdit(TComponent* AOwner) : TInputControl(AOwner) { SetBounds(0, 0, 121, 24); }
TEdit::~TEdit() = default;

void TEdit::SetText(const std::string& Value) {
    if (Value == FText) return;
    FText = Value;
    NotifyUIChange(this, "Text");
    Fire(OnChange, this);
}

void TEdit::SetReadOnly(bool Value) { ChangeProperty(this, FReadOnly, Value, "ReadOnly"); }
void TEdit::SetMaxLength(int Value) { ChangeProperty(this, FMaxLength, std::max(Value, 0), "MaxLength"); }

bool TEdit::TypeText(const std::string& Value) {
    if (FReadOnly || !CanAct()) {
        // The front-end already shows what was typed: make it show the model's text again.
        if (Value != FText) NotifyUIChange(this, "Text");
        return false;
    }
    std::string text = Value;
    if (FMaxLength > 0 && Utf8Length(text) > static_cast<std::size_t>(FMaxLength))
        text = Utf8Copy(text, 0, static_cast<std::size_t>(FMaxLength));
    if (text == FText) {
        if (text != Value) NotifyUIChange(this, "Text");
        return true;
    }
    SetText(text);
    return true;
}

void TEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
    if (!OnKeyDown || !CanAct()) return;
    const TKeyEvent handler = OnKeyDown;
    handler(this, Key, Shift);
}

TButton::TButton(TComponent* AOwner) : TInputControl(AOwner) { SetBounds(0, 0, 75, 25); }
TButton::~TButton() = default;
void TButton::SetCaption(const std::string& Value) { ChangeProperty(this, FCaption, Value, "Caption"); }
void TButton::SetDefault(bool Value) { ChangeProperty(this, FDefault, Value, "Default"); }
void TButton::SetCancel(bool Value) { ChangeProperty(this, FCancel, Value, "Cancel"); }

bool TButton::Click() {
    if (!CanAct()) return false;
    Fire(OnClick, this);
    return true;
}

TCheckBox::TCheckBox(TComponent* AOwner) : TInputControl(AOwner) { SetBounds(0, 0, 97, 17); }
TCheckBox::~TCheckBox() = default;
void TCheckBox::SetCaption(const std::string& Value) { ChangeProperty(this, FCaption, Value, "Caption"); }

void TCheckBox::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    NotifyUIChange(this, "Checked");
    Fire(OnClick, this);
}

bool TCheckBox::Click() {
    if (!CanAct()) return false;
    SetChecked(!FChecked);
    return true;
}

TComboBox::TComboBox(TComponent* AOwner) : TInputControl(AOwner) { SetBounds(0, 0, 145, 24); }
TComboBox::~TComboBox() = default;

void TComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    NotifyUIChange(this, "Style");
    // A list-only box shows nothing but an item's text.
    if (FStyle == csDropDownList && FItemIndex < 0 && !FText.empty()) {
        FText.clear();
        NotifyUIChange(this, "Text");
    }
}

int TComboBox::IndexOf(const std::string& Value) const noexcept {
    const auto it = std::find(FItems.begin(), FItems.end(), Value);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TComboBox::SetItems(std::vector<std::string> Value) {
    const std::string chosen = FItemIndex >= 0 ? FItems[static_cast<std::size_t>(FItemIndex)] : std::string();
    const bool hadChoice = FItemIndex >= 0;
    FItems = std::move(Value);
    NotifyUIChange(this, "Items");
    const int index = hadChoice ? IndexOf(chosen) : -1;
    if (index != FItemIndex) {
        FItemIndex = index;
        NotifyUIChange(this, "ItemIndex");
    }
    if (hadChoice && index < 0 && FStyle == csDropDownList) ChangeProperty(this, FText, std::string(), "Text");
}

void TComboBox::AddItem(const std::string& Value) {
    FItems.push_back(Value);
    NotifyUIChange(this, "Items");
}

void TComboBox::ClearItems() { SetItems({}); }

void TComboBox::Select(int Index) {
    if (Index < -1 || Index >= ItemCount())
        throw EListError("Combo box item index out of bounds (" + IntToStr(Index) + ")");
    if (Index != FItemIndex) {
        FItemIndex = Index;
        NotifyUIChange(this, "ItemIndex");
    }
    ChangeProperty(this, FText, Index >= 0 ? FItems[static_cast<std::size_t>(Index)] : std::string(), "Text");
}

void TComboBox::SetItemIndex(int Value) { Select(Value); }

void TComboBox::SetText(const std::string& Value) {
    const int index = IndexOf(Value);
    if (FStyle == csDropDownList) {
        if (index >= 0) Select(index);
        return;
    }
    ChangeProperty(this, FItemIndex, index, "ItemIndex");
    ChangeProperty(this, FText, Value, "Text");
}

bool TComboBox::Choose(int Index) {
    if (!CanAct()) return false;
    const std::string before = FText;
    const int beforeIndex = FItemIndex;
    Select(Index);
    if (FText != before || FItemIndex != beforeIndex) Fire(OnChange, this);
    return true;
}

bool TComboBox::TypeText(const std::string& Value) {
    if (FStyle == csDropDownList || !CanAct()) {
        if (Value != FText) NotifyUIChange(this, "Text");
        return false;
    }
    if (Value == FText) return true;
    SetText(Value);
    Fire(OnChange, this);
    return true;
}

namespace {

TButton* FindDialogButton(const TComponent* Parent, bool Default) {
    std::vector<TControl*> controls = ControlsOf(Parent);
    std::stable_sort(controls.begin(), controls.end(),
                     [](const TControl* a, const TControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TControl* c : controls) {
        if (!c->Visible()) continue;
        if (auto* button = dynamic_cast<TButton*>(c); button != nullptr && button->Enabled())
            if (Default ? button->Default() : button->Cancel()) return button;
        if (TButton* inner = FindDialogButton(c, Default); inner != nullptr) return inner;
    }
    return nullptr;
}

}  // namespace

bool PressDialogKey(TComponent* Form, uint16_t Key) {
    if (Form == nullptr || (Key != VK_RETURN && Key != VK_ESCAPE)) return false;
    TButton* button = FindDialogButton(Form, Key == VK_RETURN);
    return button != nullptr && button->Click();
}

}  // namespace zarix
