// The panel of the maker's control library: a bordered area that holds other controls, docked
// or laid out in a grid of cells.
#pragma once

#include "platform/rtl/export.h"
#include "platform/ui/controls.h"

namespace zarix {

class ZARIX_API TZarixPanel : public TControl {
    ZARIX_CLASS(TZarixPanel, TControl)
    explicit TZarixPanel(TComponent* AOwner);
    ~TZarixPanel() override;

    /// The panel sees the keys typed in the controls inside it before they do.
    bool KeyPreview() const noexcept { return FKeyPreview; }
    void SetKeyPreview(bool Value);
    /// The grid the panel lays its undocked controls out in, in tab order, one per cell, row
    /// by row; 0 in either count: no grid, the controls keep their own rectangles. Negative
    /// counts are taken as 0.
    int LayoutRowCount() const noexcept { return FLayoutRowCount; }
    void SetLayoutRowCount(int Value);
    int LayoutColCount() const noexcept { return FLayoutColCount; }
    void SetLayoutColCount(int Value);
    /// Width of the raised border inside the panel's edge; the client area lies within it.
    int BevelWidth() const noexcept { return FBevelWidth; }
    void SetBevelWidth(int Value);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor Value);

    TBounds ClientRect() const override;

protected:
    void ArrangeUndocked(const TBounds& Rest) override;

private:
    bool FKeyPreview = false;
    int FLayoutRowCount = 0;
    int FLayoutColCount = 0;
    int FBevelWidth = 1;
    TColor FColor = clBtnFace;
};

}  // namespace zarix
