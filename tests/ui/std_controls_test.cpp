// The standard controls: what a person's typing, clicking and choosing does to the model, which
// events fire and what the front-end is told.
#include "platform/ui/std_controls.h"

#include "platform/ui/forms.h"
#include "platform/ui/ui_change.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace zarix;

namespace {

struct TEditCase {
    const char* Name;
    bool ReadOnly, Enabled;
    int MaxLength;
    const char* Typed;
    bool Accepted;
    const char* Text;  // the model's text afterwards; it starts as "abc"
    int Changes;       // OnChange calls
    int TextNotices;   // "Text" through the seam
};

TEST(StdControls, EditTypingHonoursReadOnlyEnabledAndMaxLengthInCodePoints) {
    const TEditCase cases[] = {
        {"plain", false, true, 0, "abcd", true, "abcd", 1, 1},
        {"unchanged", false, true, 0, "abc", true, "abc", 0, 0},
        {"cut to length", false, true, 4, "Łódź123", true, "Łódź", 1, 1},
        {"cut back to the same text", false, true, 3, "abcdef", true, "abc", 0, 1},
        {"read-only reverts", true, true, 0, "xyz", false, "abc", 0, 1},
        {"disabled reverts", false, false, 0, "xyz", false, "abc", 0, 1},
    };
    for (const TEditCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TEdit edit(nullptr);
        edit.SetText("abc");
        edit.SetReadOnly(c.ReadOnly);
        edit.SetEnabled(c.Enabled);
        edit.SetMaxLength(c.MaxLength);
        int changes = 0;
        edit.OnChange = [&](TObject* sender) {
            EXPECT_EQ(sender, &edit);
            ++changes;
        };
        int textNotices = 0;
        const TUIChangeHandler previous = SetUIChangeHandler([&](const TUIChange& change) { textNotices += change.What == "Text"; });
        EXPECT_EQ(edit.TypeText(c.Typed), c.Accepted);
        SetUIChangeHandler(previous);
        EXPECT_EQ(edit.Text(), c.Text);
        EXPECT_EQ(changes, c.Changes);
        EXPECT_EQ(textNotices, c.TextNotices);
    }
}

struct TComboCase {
    const char* Name;
    TComboBoxStyle Style;
    int Choose;          // item chosen by the person, -2 for none
    const char* Typed;   // text typed by the person, nullptr for none
    bool Accepted;
    int ItemIndex;
    const char* Text;    // starts with item 0, "Gotówka", chosen
    int Changes;
};

TEST(StdControls, ComboBoxChoosingAndTypingByStyle) {
    const TComboCase cases[] = {
        {"choose another", csDropDownList, 2, nullptr, true, 2, "Karta", 1},
        {"choose the same", csDropDownList, 0, nullptr, true, 0, "Gotówka", 0},
        {"choose none", csDropDown, -1, nullptr, true, -1, "", 1},
        {"type an item's text", csDropDown, -2, "Przelew", true, 1, "Przelew", 1},
        {"type free text", csDropDown, -2, "Barter", true, -1, "Barter", 1},
        {"list refuses typing", csDropDownList, -2, "Barter", false, 0, "Gotówka", 0},
    };
    for (const TComboCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TComboBox box(nullptr);
        box.SetStyle(c.Style);
        box.SetItems({"Gotówka", "Przelew", "Karta"});
        box.SetItemIndex(0);
        int changes = 0;
        box.OnChange = [&](TObject*) { ++changes; };
        const bool accepted = c.Typed != nullptr ? box.TypeText(c.Typed) : box.Choose(c.Choose);
        EXPECT_EQ(accepted, c.Accepted);
        EXPECT_EQ(box.ItemIndex(), c.ItemIndex);
        EXPECT_EQ(box.Text(), c.Text);
        EXPECT_EQ(changes, c.Changes);
    }
    TComboBox box(nullptr);
    EXPECT_THROW(box.Choose(0), EListError);
    box.SetItems({"A"});
    box.SetItemIndex(0);
    box.SetItems({"B"});  // the chosen text is gone
    EXPECT_EQ(box.ItemIndex(), -1);
}

TEST(StdControls, ClicksFireOnlyOnEnabledVisibleControlsAndDialogKeysFindTheirButtons) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* panel = new TControl(form.get());
    panel->SetParent(form.get());
    std::vector<std::string> clicked;
    const auto button = [&](TComponent* parent, const char* name, bool isDefault, bool isCancel) {
        auto* b = new TButton(form.get());
        b->SetName(name);
        b->SetParent(parent);
        b->SetDefault(isDefault);
        b->SetCancel(isCancel);
        b->OnClick = [&clicked, b](TObject*) { clicked.push_back(b->Name()); };
        return b;
    };
    TButton* disabledOk = button(form.get(), "DisabledOk", true, false);
    disabledOk->SetEnabled(false);
    button(panel, "Ok", true, false);
    TButton* cancel = button(panel, "Cancel", false, true);

    EXPECT_FALSE(disabledOk->Click());
    EXPECT_TRUE(PressDialogKey(form.get(), VK_RETURN));
    EXPECT_TRUE(PressDialogKey(form.get(), VK_ESCAPE));
    cancel->SetVisible(false);
    EXPECT_FALSE(PressDialogKey(form.get(), VK_ESCAPE));
    EXPECT_FALSE(PressDialogKey(form.get(), VK_DOWN));
    EXPECT_EQ(clicked, (std::vector<std::string>{"Ok", "Cancel"}));

    TCheckBox box(form.get());
    int clicks = 0;
    box.OnClick = [&](TObject*) { ++clicks; };
    EXPECT_TRUE(box.Click());
    box.SetChecked(true);  // already checked: no event
    box.SetEnabled(false);
    EXPECT_FALSE(box.Click());
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(clicks, 1);
}

}  // namespace
