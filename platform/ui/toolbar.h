// Toolbars and their buttons.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/image_list.h"

#include <string>
#include <vector>

namespace zarix {

class TToolBar;

/// A button of a toolbar. It belongs to a toolbar's buttons once it joins the toolbar as its
/// parent; destroying it takes it out.
class ZARIX_API TToolButton : public TComponent {
    ZARIX_CLASS(TToolButton, TComponent)
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    TToolBar* Parent() const noexcept { return FParent; }
    /// Joins a toolbar (appended to its buttons) or leaves it, with nullptr.
    void SetParent(TToolBar* Value);

    int Top() const noexcept { return FTop; }
    void SetTop(int Value);
    int Left() const noexcept { return FLeft; }
    void SetLeft(int Value);
    int Width() const noexcept { return FWidth; }
    void SetWidth(int Value);
    int Height() const noexcept { return FHeight; }
    void SetHeight(int Value);
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value);
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& Value);
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool Value);
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int Value);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool Value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value);
    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
    /// Runs the click handler with the button as sender; nothing when hidden or disabled.
    void Click();

private:
    friend class TToolBar;
    TToolBar* FParent = nullptr;
    int FTop = 0;
    int FLeft = 0;
    int FWidth = 23;
    int FHeight = 22;
    std::string FCaption;
    std::string FHint;
    bool FShowHint = false;
    int FImageIndex = -1;
    bool FVisible = true;
    bool FEnabled = true;
    TNotifyEvent FOnClick;
};

class ZARIX_API TToolBar : public TComponent {
    ZARIX_CLASS(TToolBar, TComponent)
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    int ButtonCount() const noexcept { return static_cast<int>(FButtons.size()); }
    /// Button Index, in order; raises EListError when out of range.
    TToolButton* Buttons(int Index) const;
    TImageList* Images() const noexcept { return FImages.Get(); }
    void SetImages(TImageList* Value);
    bool ShowCaptions() const noexcept { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    /// Width of every button; setting it resizes the buttons there are.
    int ButtonWidth() const noexcept { return FButtonWidth; }
    void SetButtonWidth(int Value);
    int Height() const noexcept { return FHeight; }
    void SetHeight(int Value);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool Value);

private:
    friend class TToolButton;
    std::vector<TToolButton*> FButtons;
    TWeak<TImageList> FImages;
    bool FShowCaptions = false;
    int FButtonWidth = 23;
    int FHeight = 29;
    bool FVisible = true;
};

}  // namespace zarix
