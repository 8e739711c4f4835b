// Forms: top-level windows, the MDI frame and its MDI children, with the close protocol and
// deferred release the window container relies on.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/enum_info.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"
#include "platform/ui/image_list.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zarix {

/// An operation the object's current state does not allow ("Cannot hide an MDI Child Form").
ZARIX_DECLARE_EXCEPTION(EInvalidOperation, Exception, ZARIX_API);

ZARIX_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm)
ZARIX_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
ZARIX_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)

/// A native window handle: unique in the process, never reused, never 0.
using THandle = std::uintptr_t;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

/// A window rectangle: position and size, in the parent's client coordinates.
struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TBounds&) const = default;
};

/// A form's icon, kept as the image it was copied from: the front-end draws the named image.
struct ZARIX_API TIcon {
    std::string ImageName;   // empty: no icon
    int ImageIndex = -1;     // index in the list it was copied from, -1 when not from a list

    bool Empty() const noexcept { return ImageName.empty(); }
    /// The icon of image Index of List; raises EListError when Index is out of range.
    static TIcon FromImageList(const TImageList& List, int Index);
    bool operator==(const TIcon&) const = default;
};

/// A form. An MDI child (fsMDIChild) lives in an MDI frame (fsMDIForm): its explicit MDIParent,
/// else its owner when that is a frame, else the application's main form when that is a frame.
/// Positions of MDI children are relative to the frame's client area, which is the frame's
/// whole size: headless forms have no borders or caption bar.
class ZARIX_API TForm : public TComponent {
    ZARIX_CLASS(TForm, TComponent)
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    /// Size of a minimized MDI child's icon, and the offset between cascaded children.
    static constexpr int MinimizedWidth = 160;
    static constexpr int MinimizedHeight = 24;
    static constexpr int CascadeStep = 24;

    /// Builds a form and runs its Loaded, as loading a form from its resource does. Use it (or
    /// call Loaded yourself once the form is set up) so that derived Loaded overrides run.
    template <class T, class... A>
    static T* Create(A&&... Args) {
        std::unique_ptr<T> form(new T(std::forward<A>(Args)...));
        // Through the base, where Loaded is public: a derived form may override it as protected.
        static_cast<TForm&>(*form).Loaded();
        return form.release();
    }

    TFormStyle FormStyle() const noexcept { return FFormStyle; }
    /// Becoming fsMDIChild joins the frame (see the class comment) and raises EInvalidOperation
    /// when there is none; a frame with MDI children cannot change its style.
    void SetFormStyle(TFormStyle Value);
    /// The frame of an MDI child (or the one chosen for a form yet to become one); nullptr when
    /// there is none or it is gone.
    TForm* MDIParent() const noexcept { return FMDIParent.Get(); }
    /// Moves an MDI child to another frame; raises EInvalidOperation when Value is not a frame.
    void SetMDIParent(TForm* Value);

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);

    /// The rectangle the window occupies now (a minimized MDI child's icon, a maximized one's
    /// frame client area).
    int Left() const noexcept { return FBounds.Left; }
    int Top() const noexcept { return FBounds.Top; }
    int Width() const noexcept { return FBounds.Width; }
    int Height() const noexcept { return FBounds.Height; }
    /// While minimized or maximized these move the restored rectangle, which returns with
    /// wsNormal, as the platform's window placement does.
    void SetLeft(int Value);
    void SetTop(int Value);
    void SetWidth(int Value);
    void SetHeight(int Value);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    const TBounds& BoundsRect() const noexcept { return FBounds; }
    /// The rectangle the form has, or will have again, in wsNormal.
    const TBounds& RestoredBounds() const noexcept { return FWindowState == wsNormal ? FBounds : FNormalBounds; }
    int ClientWidth() const noexcept { return FBounds.Width; }
    int ClientHeight() const noexcept { return FBounds.Height; }
    void SetClientWidth(int Value) { SetWidth(Value); }
    void SetClientHeight(int Value) { SetHeight(Value); }

    TWindowState WindowState() const noexcept { return FWindowState; }
    void SetWindowState(TWindowState Value);

    bool Visible() const noexcept { return FVisible; }
    /// Asks VisibleChanging first, so hiding an MDI child raises unless a subclass allows it.
    void SetVisible(bool Value);
    /// Makes the form visible, brings it to the front and focuses it.
    void Show();
    void Hide() { SetVisible(false); }
    /// Puts an MDI child on top of its siblings, making it the frame's active child.
    void BringToFront();
    /// Makes this the application's active form (and its frame's active child); raises
    /// EInvalidOperation for a hidden form.
    void SetFocus();
    bool Focused() const noexcept;

    /// The control that has the focus inside the form; cleared when it is destroyed.
    TComponent* ActiveControl() const noexcept { return FActiveControl.Get(); }
    void SetActiveControl(TComponent* Value);

    const TIcon& Icon() const noexcept { return FIcon; }
    void SetIcon(const TIcon& Value);

    /// The window handle, created the first time it is asked for.
    THandle Handle();
    bool HandleAllocated() const noexcept { return FHandle != 0; }

    const TNotifyEvent& OnShow() const noexcept { return FOnShow; }
    void SetOnShow(TNotifyEvent Value) { FOnShow = std::move(Value); }
    const TCloseEvent& OnClose() const noexcept { return FOnClose; }
    void SetOnClose(TCloseEvent Value) { FOnClose = std::move(Value); }
    const TCloseQueryEvent& OnCloseQuery() const noexcept { return FOnCloseQuery; }
    void SetOnCloseQuery(TCloseQueryEvent Value) { FOnCloseQuery = std::move(Value); }

    /// Closes the form: CloseQuery may refuse; then OnClose runs with the default action
    /// (caMinimize for an MDI child, caHide otherwise) and the action it leaves is carried out:
    /// caHide hides, caMinimize minimizes, caFree releases, caNone keeps the form as it is.
    void Close();
    /// True when the form may close: a frame asks its MDI children first, then OnCloseQuery.
    virtual bool CloseQuery();
    /// Frees the form once pending messages are processed (Application().ProcessMessages()),
    /// so it may be called from the form's own handlers. A form freed earlier is not freed again.
    void Release();

    /// MDI children in z-order, the topmost (active) first.
    int MDIChildCount() const noexcept { return static_cast<int>(FMDIChildren.size()); }
    /// Raises EListError when Index is out of range.
    TForm* MDIChildren(int Index) const;
    /// The topmost visible MDI child, or nullptr.
    TForm* ActiveMDIChild() const noexcept;
    /// Lays the visible, non-minimized children out in a grid over the client area, the active
    /// one top left, leaving the bottom rows of icons free.
    void Tile();
    /// Lines the visible minimized children up along the bottom of the client area, left to
    /// right and then upwards, in z-order.
    void ArrangeIcons();
    /// Stacks the visible, non-minimized children from the top left, each CascadeStep below and
    /// right of the one under it, the active one last.
    void Cascade();

    /// Runs after the form is built and its properties set (see Create): an MDI child shows
    /// itself here, as the platform shows MDI children once they are loaded.
    virtual void Loaded();

protected:
    /// Called before Visible changes; the base refuses to hide a visible MDI child.
    virtual void VisibleChanging();
    virtual void DoShow();
    virtual void DoClose(TCloseAction& Action);

private:
    void AttachToFrame(TForm* Frame);
    void DetachFromFrame();
    TForm* FindFrame() const;
    void SetDisplayed(const TBounds& Value);
    void ChangeRestored(const std::function<void(TBounds&)>& Change);
    void FocusLeaving();
    int IconRows(int Icons) const;
    TBounds IconSlot(int Slot) const;

    TFormStyle FFormStyle = fsNormal;
    TWeak<TForm> FMDIParent;
    std::vector<TForm*> FMDIChildren;  // frames only; each child removes itself when it goes
    std::string FCaption;
    TBounds FBounds{0, 0, 320, 240};
    TBounds FNormalBounds;  // meaningful while not wsNormal
    TWindowState FWindowState = wsNormal;
    bool FVisible = false;
    TWeak<TComponent> FActiveControl;
    TIcon FIcon;
    THandle FHandle = 0;
    TNotifyEvent FOnShow;
    TCloseEvent FOnClose;
    TCloseQueryEvent FOnCloseQuery;
};

}  // namespace zarix
