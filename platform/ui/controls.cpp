// Controls, their parents and tab order, and the align layout.
#include "platform/ui/controls.h"

#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"

#include <algorithm>
#include <unordered_map>

namespace zarix {

ZARIX_DEFINE_CLASS(TControl, ZARIX_PROPERTY(Align, Align, SetAlign), ZARIX_PROPERTY(Left, Left, SetLeft),
                   ZARIX_PROPERTY(Top, Top, SetTop), ZARIX_PROPERTY(Width, Width, SetWidth),
                   ZARIX_PROPERTY(Height, Height, SetHeight), ZARIX_PROPERTY(Visible, Visible, SetVisible),
                   ZARIX_PROPERTY(TabOrder, TabOrder, SetTabOrder))

namespace {

// Forms know nothing of controls, so the controls lying directly in each form are listed here.
// NOTE: never destroyed, because a control with static storage may outlive any table that is.
std::unordered_map<const TComponent*, std::vector<TControl*>>& FormControls() {
    static auto* table = new std::unordered_map<const TComponent*, std::vector<TControl*>>;
    return *table;
}

std::string Describe(const TComponent* c) { return c->Name().empty() ? std::string(c->ClassName()) : c->Name(); }

// Clears a flag when the layout ends, however it ends.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& FFlag;
};

}  // namespace

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
    // The controls inside this one stay alive (their owners free them) but lose their parent.
    for (TControl* c : FControls) {
        c->FParent = nullptr;
        c->FParentControl = nullptr;
        c->FTabOrder = -1;
        c->RemoveFreeNotification(this);
    }
    FControls.clear();
    Detach(true);
}

std::vector<TControl*>* TControl::ListOf(const TComponent* Parent, TControl* ParentControl, bool Create) {
    if (ParentControl != nullptr) return &ParentControl->FControls;
    auto& table = FormControls();
    if (Create) return &table[Parent];
    const auto it = table.find(Parent);
    return it != table.end() ? &it->second : nullptr;
}

void TControl::SetParent(TComponent* Value) {
    if (Value == FParent) return;
    auto* control = dynamic_cast<TControl*>(Value);
    if (Value != nullptr) {
        if (control == nullptr && dynamic_cast<TForm*>(Value) == nullptr)
            throw EInvalidOperation("Control " + Describe(this) + " cannot lie in " + Describe(Value) +
                                    ", which is neither a form nor a control");
        for (const TControl* c = control; c != nullptr; c = c->FParentControl)
            if (c == this)
                throw EInvalidOperation("Control " + Describe(this) + " cannot lie in itself or in a control inside it");
    }
    Detach(true);
    if (Value == nullptr) {
        NotifyUIChange(this, "Parent");
        return;
    }
    std::vector<TControl*>& list = *ListOf(Value, control, true);
    FTabOrder = static_cast<int>(list.size());
    list.push_back(this);
    FParent = Value;
    FParentControl = control;
    Value->FreeNotification(this);
    if (control != nullptr) control->ControlInserted(this);
    NotifyUIChange(this, "Parent");
    AlignControls(Value);
}

void TControl::Detach(bool RealignParent) {
    if (FParent == nullptr) return;
    TComponent* parent = FParent;
    TControl* parentControl = FParentControl;
    if (std::vector<TControl*>* list = ListOf(parent, parentControl, false); list != nullptr) {
        EraseFromEnd(*list, this);
        for (TControl* sibling : *list)
            if (sibling->FTabOrder > FTabOrder) --sibling->FTabOrder;
        if (list->empty() && parentControl == nullptr) FormControls().erase(parent);
    }
    FParent = nullptr;
    FParentControl = nullptr;
    FTabOrder = -1;
    RemoveFreeNotification(parent);
    if (parentControl != nullptr) parentControl->ControlRemoved(this);
    if (RealignParent) AlignControls(parent);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    // The parent is being freed: it is past laying anything out.
    if (Operation == TOperation::opRemove && AComponent == FParent) Detach(false);
}

void TControl::ControlInserted(TControl*) {}
void TControl::ControlRemoved(TControl*) {}
void TControl::ArrangeUndocked(const TBounds&) {}

void TControl::SetAlign(TAlign Value) {
    if (Value == FAlign) return;
    FAlign = Value;
    NotifyUIChange(this, "Align");
    RequestParentAlign();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const TBounds value{ALeft, ATop, std::max(AWidth, 0), std::max(AHeight, 0)};
    if (value != FBounds) Place(this, value);
    RequestParentAlign();
}

void TControl::Place(TControl* Control, const TBounds& Value) {
    if (Value == Control->FBounds) return;
    const bool resized = Value.Width != Control->FBounds.Width || Value.Height != Control->FBounds.Height;
    Control->FBounds = Value;
    NotifyUIChange(Control, "Bounds");
    if (resized) Control->Realign();
}

void TControl::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    NotifyUIChange(this, "Visible");
    RequestParentAlign();
}

void TControl::SetTabOrder(int Value) {
    if (FParent == nullptr) throw EInvalidOperation("Control " + Describe(this) + " has no parent to take a tab order in");
    std::vector<TControl*> order = *ListOf(FParent, FParentControl, false);
    std::sort(order.begin(), order.end(), [](const TControl* a, const TControl* b) { return a->FTabOrder < b->FTabOrder; });
    const int place = std::clamp(Value, 0, static_cast<int>(order.size()) - 1);
    if (place == FTabOrder) return;
    EraseFromEnd(order, this);
    order.insert(order.begin() + place, this);
    for (std::size_t i = 0; i < order.size(); ++i) order[i]->FTabOrder = static_cast<int>(i);
    NotifyUIChange(this, "TabOrder");
    RequestParentAlign();
}

TBounds TControl::ClientRect() const { return TBounds{0, 0, FBounds.Width, FBounds.Height}; }

TControl* TControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount()) throw EListError("Control index out of bounds (" + IntToStr(Index) + ")");
    return FControls[static_cast<std::size_t>(Index)];
}

void TControl::Realign() {
    if (FAligning) return;
    TFlagGuard guard(FAligning);
    ArrangeUndocked(Dock(FControls, ClientRect()));
}

void TControl::RequestParentAlign() {
    if (FParent != nullptr) AlignControls(FParent);
}

TBounds TControl::Dock(const std::vector<TControl*>& List, TBounds Area) {
    const auto pick = [&](TAlign align, auto before) {
        std::vector<TControl*> picked;
        for (TControl* c : List)
            if (c->FVisible && c->FAlign == align) picked.push_back(c);
        std::stable_sort(picked.begin(), picked.end(), before);
        return picked;
    };
    const auto shrink = [](int& side, int by) { side = std::max(side - by, 0); };
    // Edges are taken in the platform's order (top, bottom, left, right), each edge's controls
    // in their present order along it, so a layout run twice gives the same result.
    for (TControl* c : pick(alTop, [](auto* a, auto* b) { return a->Top() < b->Top(); })) {
        Place(c, TBounds{Area.Left, Area.Top, Area.Width, c->Height()});
        Area.Top += c->Height();
        shrink(Area.Height, c->Height());
    }
    for (TControl* c : pick(alBottom, [](auto* a, auto* b) { return a->Top() + a->Height() > b->Top() + b->Height(); })) {
        Place(c, TBounds{Area.Left, Area.Top + Area.Height - c->Height(), Area.Width, c->Height()});
        shrink(Area.Height, c->Height());
    }
    for (TControl* c : pick(alLeft, [](auto* a, auto* b) { return a->Left() < b->Left(); })) {
        Place(c, TBounds{Area.Left, Area.Top, c->Width(), Area.Height});
        Area.Left += c->Width();
        shrink(Area.Width, c->Width());
    }
    for (TControl* c : pick(alRight, [](auto* a, auto* b) { return a->Left() + a->Width() > b->Left() + b->Width(); })) {
        Place(c, TBounds{Area.Left + Area.Width - c->Width(), Area.Top, c->Width(), Area.Height});
        shrink(Area.Width, c->Width());
    }
    for (TControl* c : pick(alClient, [](auto*, auto*) { return false; })) Place(c, Area);
    return Area;
}

std::vector<TControl*> ControlsOf(const TComponent* Parent) {
    if (Parent == nullptr) return {};
    auto* control = dynamic_cast<TControl*>(const_cast<TComponent*>(Parent));
    const std::vector<TControl*>* list = TControl::ListOf(Parent, control, false);
    return list != nullptr ? *list : std::vector<TControl*>{};
}

void AlignControls(TComponent* Parent) {
    if (auto* control = dynamic_cast<TControl*>(Parent); control != nullptr) {
        control->Realign();
    } else if (auto* form = dynamic_cast<TForm*>(Parent); form != nullptr) {
        if (const std::vector<TControl*>* list = TControl::ListOf(form, nullptr, false); list != nullptr)
            TControl::Dock(*list, TBounds{0, 0, form->ClientWidth(), form->ClientHeight()});
    }
}

}  // namespace zarix
