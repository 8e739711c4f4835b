// The standard controls plugin windows are built from: label, edit, button, check box and combo
// box. Each keeps its whole state, reports every change through the change seam, and has one
// method per action of a person (typing, clicking, choosing) that a front-end calls, which fires
// the control's events exactly as a program changing the control would.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/enum_info.h"
#include "platform/rtl/export.h"
#include "platform/ui/controls.h"
#include "platform/ui/key_events.h"

#include <string>
#include <vector>

namespace zarix {

/// A control a person can work with: it can be disabled, and then the person's actions do
/// nothing (a program may still change it).
class ZARIX_API TInputControl : public TControl {
    ZARIX_CLASS(TInputControl, TControl)
    explicit TInputControl(TComponent* AOwner);
    ~TInputControl() override;

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value);
    /// Enabled and visible: what the person's actions require.
    bool CanAct() const noexcept { return FEnabled && Visible(); }

private:
    bool FEnabled = true;
};

/// A line of text the person cannot change.
class ZARIX_API TLabel : public TControl {
    ZARIX_CLASS(TLabel, TControl)
    explicit TLabel(TComponent* AOwner);
    ~TLabel() override;

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);

private:
    std::string FCaption;
};

/// A one-line text field.
class ZARIX_API TEdit : public TInputControl {
    ZARIX_CLASS(TEdit, TInputControl)
    explicit TEdit(TComponent* AOwner);
    ~TEdit() override;

    const std::string& Text() const noexcept { return FText; }
    /// Sets the text as given (MaxLength limits only what a person types) and fires OnChange
    /// when it changed.
    void SetText(const std::string& Value);
    bool ReadOnly() const noexcept { return FReadOnly; }
    void SetReadOnly(bool Value);
    /// The most characters (code points) a person may type; 0 for no limit. Negative is 0.
    int MaxLength() const noexcept { return FMaxLength; }
    void SetMaxLength(int Value);

    TNotifyEvent OnChange;
    TKeyEvent OnKeyDown;

    /// The person changed the field's text to Value. A read-only or disabled field keeps its
    /// text; a longer text is cut to MaxLength. Either way the front-end is told "Text" when
    /// what it shows differs from the model, so it can show the model's text again. Returns
    /// whether the text was taken (perhaps cut).
    bool TypeText(const std::string& Value);
    /// The person pressed Key in the field: fires OnKeyDown.
    void KeyDown(uint16_t& Key, TShiftState Shift);

private:
    std::string FText;
    bool FReadOnly = false;
    int FMaxLength = 0;
};

/// A push button. On a form, the visible and enabled Default button answers Enter and the Cancel
/// button answers Escape (see PressDialogKey).
class ZARIX_API TButton : public TInputControl {
    ZARIX_CLASS(TButton, TInputControl)
    explicit TButton(TComponent* AOwner);
    ~TButton() override;

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const noexcept { return FCancel; }
    void SetCancel(bool Value);

    TNotifyEvent OnClick;

    /// The person clicked the button: fires OnClick unless it is disabled or hidden. Returns
    /// whether it fired.
    bool Click();

private:
    std::string FCaption;
    bool FDefault = false;
    bool FCancel = false;
};

/// A check box with its caption.
class ZARIX_API TCheckBox : public TInputControl {
    ZARIX_CLASS(TCheckBox, TInputControl)
    explicit TCheckBox(TComponent* AOwner);
    ~TCheckBox() override;

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Checked() const noexcept { return FChecked; }
    /// Fires OnClick when the state changes, whoever changes it, as the platform's check box does.
    void SetChecked(bool Value);

    TNotifyEvent OnClick;

    /// The person clicked the box: toggles it (firing OnClick) unless it is disabled or hidden.
    bool Click();

private:
    std::string FCaption;
    bool FChecked = false;
};

/// csDropDown: the person may type any text or choose an item; csDropDownList: only choose.
ZARIX_ENUM(TComboBoxStyle, csDropDown, csDropDownList)

/// A drop-down list of texts, with the text of the chosen item (or, in csDropDown, typed).
class ZARIX_API TComboBox : public TInputControl {
    ZARIX_CLASS(TComboBox, TInputControl)
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    TComboBoxStyle Style() const noexcept { return FStyle; }
    void SetStyle(TComboBoxStyle Value);

    const std::vector<std::string>& Items() const noexcept { return FItems; }
    int ItemCount() const noexcept { return static_cast<int>(FItems.size()); }
    /// Replaces the items; the chosen item is kept when its text is still among them.
    void SetItems(std::vector<std::string> Value);
    void AddItem(const std::string& Value);
    void ClearItems();

    /// The chosen item, -1 for none. Setting it by program does not fire OnChange (as on the
    /// platform); out of range raises EListError.
    int ItemIndex() const noexcept { return FItemIndex; }
    void SetItemIndex(int Value);
    const std::string& Text() const noexcept { return FText; }
    /// Sets the text by program: the item with that text becomes chosen (-1 when none has it);
    /// a csDropDownList box keeps its text unless an item has the new one. No OnChange.
    void SetText(const std::string& Value);

    TNotifyEvent OnChange;

    /// The person chose item Index: fires OnChange when the choice changed. Returns false when
    /// the box is disabled or hidden; raises EListError when Index is out of range.
    bool Choose(int Index);
    /// The person typed Value into a csDropDown box: fires OnChange when the text changed.
    /// A csDropDownList box, or a disabled one, keeps its text and tells the front-end "Text".
    bool TypeText(const std::string& Value);

private:
    void Select(int Index);
    int IndexOf(const std::string& Value) const noexcept;

    TComboBoxStyle FStyle = csDropDown;
    std::vector<std::string> FItems;
    int FItemIndex = -1;
    std::string FText;
};

/// The person pressed Enter or Escape in Form (a form or a control) and no control took the
/// key: clicks the first visible, enabled Default button (Enter) or Cancel button (Escape) among
/// the controls lying in Form, searched depth first in tab order. Returns whether one was clicked.
ZARIX_API bool PressDialogKey(TComponent* Form, uint16_t Key);

}  // namespace zarix
