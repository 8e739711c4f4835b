// Forms, the MDI frame's child list and the close protocol.
#include "platform/ui/forms.h"

#include "platform/rtl/strings.h"
#include "platform/ui/application.h"
#include "platform/ui/ui_change.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace zarix {

ZARIX_DEFINE_EXCEPTION(EInvalidOperation)

TIcon TIcon::FromImageList(const TImageList& List, int Index) { return TIcon{List.Images(Index), Index}; }

ZARIX_DEFINE_CLASS(TForm, ZARIX_PROPERTY(Caption, Caption, SetCaption), ZARIX_PROPERTY(Left, Left, SetLeft),
                   ZARIX_PROPERTY(Top, Top, SetTop), ZARIX_PROPERTY(Width, Width, SetWidth),
                   ZARIX_PROPERTY(Height, Height, SetHeight), ZARIX_PROPERTY(Visible, Visible, SetVisible),
                   ZARIX_PROPERTY(WindowState, WindowState, SetWindowState),
                   ZARIX_PROPERTY(FormStyle, FormStyle, SetFormStyle))

namespace {

// Handles only ever grow: a handle compared after its window is gone must never match a newer
// window, which is what the container's handle comparisons count on.
// Atomic: a form may be asked for its handle on a worker thread, and two forms must never share one.
THandle NextHandle() {
    static std::atomic<THandle> last{0x10000};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

TForm::TForm(TComponent* AOwner) : TComponent(AOwner) {}

TForm::~TForm() {
    FocusLeaving();
    // The children outlive their frame unless it owns them; they must not point back at it.
    for (TForm* child : FMDIChildren) child->FMDIParent = nullptr;
    FMDIChildren.clear();
    DetachFromFrame();
}

TForm* TForm::FindFrame() const {
    if (TForm* frame = FMDIParent.Get(); frame != nullptr) return frame;
    if (auto* owner = dynamic_cast<TForm*>(Owner()); owner != nullptr && owner->FFormStyle == fsMDIForm) return owner;
    if (TForm* main = Application().MainForm(); main != nullptr && main != this && main->FFormStyle == fsMDIForm)
        return main;
    return nullptr;
}

void TForm::AttachToFrame(TForm* Frame) {
    if (Frame == FMDIParent.Get() &&
        std::find(Frame->FMDIChildren.begin(), Frame->FMDIChildren.end(), this) != Frame->FMDIChildren.end())
        return;
    DetachFromFrame();
    FMDIParent = Frame;
    // A new child opens above its siblings only once it is shown; until then it waits below.
    if (FVisible) Frame->FMDIChildren.insert(Frame->FMDIChildren.begin(), this);
    else Frame->FMDIChildren.push_back(this);
    NotifyUIChange(Frame, "MDIChildren");
}

void TForm::DetachFromFrame() {
    TForm* frame = FMDIParent.Get();
    FMDIParent = nullptr;
    if (frame == nullptr) return;
    if (EraseFromEnd(frame->FMDIChildren, this)) NotifyUIChange(frame, "MDIChildren");
}

void TForm::SetFormStyle(TFormStyle Value) {
    if (Value == FFormStyle) return;
    if (FFormStyle == fsMDIForm && !FMDIChildren.empty())
        throw EInvalidOperation("Cannot change the style of an MDI form that has MDI children");
    if (Value == fsMDIChild) {
        TForm* frame = FindFrame();
        if (frame == nullptr) throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
        FFormStyle = Value;
        AttachToFrame(frame);
    } else {
        if (FFormStyle == fsMDIChild) DetachFromFrame();
        FFormStyle = Value;
    }
    NotifyUIChange(this, "FormStyle");
}

void TForm::SetMDIParent(TForm* Value) {
    if (Value == nullptr || Value->FFormStyle != fsMDIForm || Value == this)
        throw EInvalidOperation("An MDI child's parent must be an MDI form");
    if (FFormStyle == fsMDIChild) AttachToFrame(Value);
    else FMDIParent = Value;  // kept for the moment the form becomes an MDI child
}

void TForm::SetCaption(const std::string& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    NotifyUIChange(this, "Caption");
}

void TForm::SetDisplayed(const TBounds& Value) {
    if (Value == FBounds) return;
    FBounds = Value;
    NotifyUIChange(this, "Bounds");
}

void TForm::ChangeRestored(const std::function<void(TBounds&)>& Change) {
    if (FWindowState != wsNormal) {
        Change(FNormalBounds);
        return;
    }
    TBounds bounds = FBounds;
    Change(bounds);
    SetDisplayed(bounds);
}

void TForm::SetLeft(int Value) {
    ChangeRestored([&](TBounds& b) { b.Left = Value; });
}

void TForm::SetTop(int Value) {
    ChangeRestored([&](TBounds& b) { b.Top = Value; });
}

void TForm::SetWidth(int Value) {
    ChangeRestored([&](TBounds& b) { b.Width = std::max(0, Value); });
}

void TForm::SetHeight(int Value) {
    ChangeRestored([&](TBounds& b) { b.Height = std::max(0, Value); });
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    ChangeRestored([&](TBounds& b) { b = TBounds{ALeft, ATop, std::max(0, AWidth), std::max(0, AHeight)}; });
}

int TForm::IconRows(int Icons) const {
    const int perRow = std::max(1, ClientWidth() / MinimizedWidth);
    return (Icons + perRow - 1) / perRow;
}

TBounds TForm::IconSlot(int Slot) const {
    const int perRow = std::max(1, ClientWidth() / MinimizedWidth);
    return TBounds{(Slot % perRow) * MinimizedWidth, ClientHeight() - (Slot / perRow + 1) * MinimizedHeight,
                   MinimizedWidth, MinimizedHeight};
}

void TForm::SetWindowState(TWindowState Value) {
    if (Value == FWindowState) return;
    const TBounds restored = RestoredBounds();
    TForm* frame = FFormStyle == fsMDIChild ? FMDIParent.Get() : nullptr;
    TBounds shown = restored;
    if (Value == wsMaximized && frame != nullptr) {
        shown = TBounds{0, 0, frame->ClientWidth(), frame->ClientHeight()};
    } else if (Value == wsMinimized && frame != nullptr) {
        // The first icon slot no minimized sibling occupies, as the platform parks new icons.
        for (int slot = 0;; ++slot) {
            const TBounds candidate = frame->IconSlot(slot);
            const bool taken = std::any_of(frame->FMDIChildren.begin(), frame->FMDIChildren.end(), [&](TForm* c) {
                return c != this && c->FWindowState == wsMinimized && c->FBounds == candidate;
            });
            if (!taken) {
                shown = candidate;
                break;
            }
        }
    }
    // Headless top-level forms have no screen to fill: they keep their rectangle.
    FNormalBounds = restored;
    FWindowState = Value;
    SetDisplayed(shown);
    NotifyUIChange(this, "WindowState");
}

void TForm::VisibleChanging() {
    if (FFormStyle == fsMDIChild && FVisible) throw EInvalidOperation("Cannot hide an MDI Child Form");
}

void TForm::SetVisible(bool Value) {
    if (Value == FVisible) return;
    VisibleChanging();
    FVisible = Value;
    NotifyUIChange(this, "Visible");
    if (Value) {
        if (FFormStyle == fsMDIChild) BringToFront();
        DoShow();
    } else {
        FocusLeaving();
    }
}

void TForm::DoShow() {
    if (FOnShow) {
        TNotifyEvent handler = FOnShow;
        handler(this);
    }
}

void TForm::Show() {
    TWeak<TForm> self(this);
    SetVisible(true);
    if (!self) return;
    BringToFront();
    SetFocus();
}

void TForm::BringToFront() {
    TForm* frame = FFormStyle == fsMDIChild ? FMDIParent.Get() : nullptr;
    if (frame == nullptr) {
        NotifyUIChange(this, "ZOrder");
        return;
    }
    auto& list = frame->FMDIChildren;
    const auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) std::rotate(list.begin(), it, it + 1);
    NotifyUIChange(this, "ZOrder");
    // Bringing an MDI child forward activates it when its frame has the focus.
    TForm* active = Application().ActiveForm();
    if (FVisible && active != nullptr && active != this &&
        (active == frame || (active->FFormStyle == fsMDIChild && active->FMDIParent.Get() == frame)))
        Application().SetActiveForm(this);
}

void TForm::SetFocus() {
    if (!FVisible) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    if (FFormStyle == fsMDIChild) BringToFront();
    Application().SetActiveForm(this);
    NotifyUIChange(this, "Focus");
}

bool TForm::Focused() const noexcept { return Application().ActiveForm() == this; }

void TForm::FocusLeaving() {
    if (Application().ActiveForm() != this) return;
    TForm* next = nullptr;
    if (TForm* frame = FFormStyle == fsMDIChild ? FMDIParent.Get() : nullptr; frame != nullptr) {
        for (TForm* child : frame->FMDIChildren)
            if (child != this && child->FVisible) {
                next = child;
                break;
            }
        if (next == nullptr && frame->FVisible) next = frame;
    }
    Application().SetActiveForm(next);
}

void TForm::SetActiveControl(TComponent* Value) {
    if (FActiveControl == Value) return;
    FActiveControl = Value;
    NotifyUIChange(this, "ActiveControl");
}

void TForm::SetIcon(const TIcon& Value) {
    if (Value == FIcon) return;
    FIcon = Value;
    NotifyUIChange(this, "Icon");
}

THandle TForm::Handle() {
    if (FHandle == 0) {
        FHandle = NextHandle();
        NotifyUIChange(this, "Handle");
    }
    return FHandle;
}

bool TForm::CloseQuery() {
    if (FFormStyle == fsMDIForm) {
        // A copy: a child's handler may close or free its siblings.
        std::vector<TWeak<TForm>> children(FMDIChildren.begin(), FMDIChildren.end());
        for (const TWeak<TForm>& child : children)
            if (child && !child->CloseQuery()) return false;
    }
    bool canClose = true;
    if (FOnCloseQuery) {
        TCloseQueryEvent handler = FOnCloseQuery;
        handler(this, canClose);
    }
    return canClose;
}

void TForm::DoClose(TCloseAction& Action) {
    if (FOnClose) {
        TCloseEvent handler = FOnClose;
        handler(this, Action);
    }
}

void TForm::Close() {
    TWeak<TForm> self(this);
    if (!CloseQuery() || !self) return;
    // The platform minimizes a closed MDI child unless told otherwise: only caFree ends it.
    TCloseAction action = FFormStyle == fsMDIChild ? caMinimize : caHide;
    DoClose(action);
    if (!self) return;
    switch (action) {
        case caNone: break;
        case caHide: Hide(); break;
        case caMinimize: SetWindowState(wsMinimized); break;
        case caFree: Release(); break;
    }
}

void TForm::Release() {
    TWeak<TForm> self(this);
    Application().PostMessage([self] {
        if (TForm* form = self.Get()) delete form;
    });
}

TForm* TForm::MDIChildren(int Index) const {
    if (Index < 0 || Index >= MDIChildCount())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FMDIChildren[static_cast<std::size_t>(Index)];
}

TForm* TForm::ActiveMDIChild() const noexcept {
    for (TForm* child : FMDIChildren)
        if (child->FVisible) return child;
    return nullptr;
}

void TForm::Tile() {
    std::vector<TForm*> tiled;
    int icons = 0;
    for (TForm* child : FMDIChildren) {
        if (!child->FVisible) continue;
        if (child->FWindowState == wsMinimized) ++icons;
        else tiled.push_back(child);
    }
    if (tiled.empty()) return;
    const int count = static_cast<int>(tiled.size());
    const int cols = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + cols - 1) / cols;
    const int areaHeight = std::max(0, ClientHeight() - IconRows(icons) * MinimizedHeight);
    const int cellWidth = ClientWidth() / cols;
    const int cellHeight = areaHeight / rows;
    for (int i = 0; i < count; ++i) {
        TForm* child = tiled[static_cast<std::size_t>(i)];
        if (child->FWindowState != wsNormal) child->SetWindowState(wsNormal);
        child->SetBounds((i % cols) * cellWidth, (i / cols) * cellHeight, cellWidth, cellHeight);
    }
}

void TForm::ArrangeIcons() {
    const std::vector<TForm*> children = FMDIChildren;
    int slot = 0;
    for (TForm* child : children)
        if (child->FVisible && child->FWindowState == wsMinimized) child->SetDisplayed(IconSlot(slot++));
}

void TForm::Cascade() {
    // A copy, bottom first: the front-end's change handler may reorder the children.
    const std::vector<TForm*> children(FMDIChildren.rbegin(), FMDIChildren.rend());
    int step = 0;
    for (TForm* child : children) {
        if (!child->FVisible || child->FWindowState == wsMinimized) continue;
        if (child->FWindowState != wsNormal) child->SetWindowState(wsNormal);
        child->SetBounds(step * CascadeStep, step * CascadeStep, child->Width(), child->Height());
        ++step;
    }
}

void TForm::Loaded() {
    if (FFormStyle == fsMDIChild) SetVisible(true);
}

}  // namespace zarix
