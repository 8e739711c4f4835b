// Controls: rectangles that lie in a parent (a form or another control), in a tab order, with
// the align layout that keeps docked controls filling their parent's client area.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"

#include <vector>

namespace zarix {

/// A control. Its parent is the form or control it lies in, which need not be its owner: the
/// owner frees it, the parent only lays it out. When the parent is freed first, the control is
/// left without one.
class ZARIX_API TControl : public TComponent {
    ZARIX_CLASS(TControl, TComponent)
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    /// The form or control this one lies in; nullptr when it has none.
    TComponent* Parent() const noexcept { return FParent; }
    /// Moves the control into Value (a TForm, a TControl or nullptr), last in its parent's
    /// controls and tab order. Raises EInvalidOperation for any other component, and for the
    /// control itself or a control inside it.
    void SetParent(TComponent* Value);

    TAlign Align() const noexcept { return FAlign; }
    void SetAlign(TAlign Value);

    /// The control's rectangle in its parent's client coordinates. A docked control takes the
    /// size its parent's layout gives it along the docked edge.
    int Left() const noexcept { return FBounds.Left; }
    int Top() const noexcept { return FBounds.Top; }
    int Width() const noexcept { return FBounds.Width; }
    int Height() const noexcept { return FBounds.Height; }
    void SetLeft(int Value) { SetBounds(Value, FBounds.Top, FBounds.Width, FBounds.Height); }
    void SetTop(int Value) { SetBounds(FBounds.Left, Value, FBounds.Width, FBounds.Height); }
    void SetWidth(int Value) { SetBounds(FBounds.Left, FBounds.Top, Value, FBounds.Height); }
    void SetHeight(int Value) { SetBounds(FBounds.Left, FBounds.Top, FBounds.Width, Value); }
    /// Negative sizes are taken as 0.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    const TBounds& BoundsRect() const noexcept { return FBounds; }

    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool Value);

    /// Position in the parent's tab order, from 0; -1 without a parent.
    int TabOrder() const noexcept { return FTabOrder; }
    /// Moves the control to that place in its parent's tab order (clamped to the places there
    /// are), renumbering its siblings; raises EInvalidOperation for a control without a parent.
    void SetTabOrder(int Value);

    /// The area the control's own controls are laid out in, in its own coordinates.
    virtual TBounds ClientRect() const;

    /// The controls lying in this one, in the order they came.
    int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
    /// Raises EListError when Index is out of range.
    TControl* Controls(int Index) const;

    /// Lays the controls inside this one out again.
    void Realign();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// Called after a control came into this one, or left it.
    virtual void ControlInserted(TControl* AControl);
    virtual void ControlRemoved(TControl* AControl);
    /// Lays out the controls that are not docked, in Rest: what the docked ones left of the
    /// client area. The base leaves them where they are.
    virtual void ArrangeUndocked(const TBounds& Rest);
    /// Tells the parent's layout that this control changed.
    void RequestParentAlign();
    /// Gives Control the rectangle a layout chose, without asking its parent to lay out again.
    static void Place(TControl* Control, const TBounds& Value);

private:
    friend ZARIX_API void AlignControls(TComponent* Parent);
    friend ZARIX_API std::vector<TControl*> ControlsOf(const TComponent* Parent);
    /// Docks the visible aligned controls of List in Area; returns what they leave free.
    static TBounds Dock(const std::vector<TControl*>& List, TBounds Area);
    /// The list of controls lying in Parent: a control's own, or the one kept for a form
    /// (made when Create is set; nullptr when there is none).
    static std::vector<TControl*>* ListOf(const TComponent* Parent, TControl* ParentControl, bool Create);
    void Detach(bool RealignParent);

    TComponent* FParent = nullptr;
    TControl* FParentControl = nullptr;  // FParent when that is a control, else nullptr
    TAlign FAlign = alNone;
    TBounds FBounds;
    bool FVisible = true;
    int FTabOrder = -1;
    bool FAligning = false;
    std::vector<TControl*> FControls;  // the controls lying in this one
};

/// The controls lying directly in Parent (a form or a control), in the order they came.
ZARIX_API std::vector<TControl*> ControlsOf(const TComponent* Parent);
/// Lays out the controls lying in Parent again. Forms do not tell their controls when they
/// are resized: call this after changing a form's size.
ZARIX_API void AlignControls(TComponent* Parent);

}  // namespace zarix
