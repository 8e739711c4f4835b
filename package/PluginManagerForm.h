// The plugin manager form: two pages, for the plugins installed here ("Lokalne wtyczki") and
// for those that could be ("Dostępne wtyczki"), between a top and a bottom panel. It has a
// layout and no behaviour of its own; both pages are empty.
#pragma once

#include "platform/rtl/export.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"
#include "services/controls/page_control.h"
#include "services/controls/panel.h"

namespace zarix {

class ZARIX_API TfrmPluginManager : public TForm {
    ZARIX_CLASS(TfrmPluginManager, TForm)
    /// Builds the form and its controls as its form resource lays them out. The form is named
    /// "frmPluginManager", or "frmPluginManager_1" and so on when its owner already holds one.
    explicit TfrmPluginManager(TComponent* AOwner);
    ~TfrmPluginManager() override;

    /// The form's controls; nullptr once one has been freed.
    TZarixPanel* ZarixPanel1() const noexcept { return FZarixPanel1.Get(); }
    TZarixPanel* ZarixPanel2() const noexcept { return FZarixPanel2.Get(); }
    TZarixPanel* ZarixPanel3() const noexcept { return FZarixPanel3.Get(); }
    TZarixPageControl* ZarixPageControl1() const noexcept { return FZarixPageControl1.Get(); }
    TKQTabSheet* KQTabSheet1() const noexcept { return FKQTabSheet1.Get(); }
    TKQTabSheet* KQTabSheet2() const noexcept { return FKQTabSheet2.Get(); }

    // What a form resource sets on the form itself besides its place and caption.
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor Value);
    const TFont& Font() const noexcept { return FFont; }
    void SetFont(const TFont& Value);
    /// The screen resolution the form was laid out at.
    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value);
    /// Height of a line of the form's font at that resolution, in pixels.
    int TextHeight() const noexcept { return FTextHeight; }
    void SetTextHeight(int Value);
    /// False: the form's OnCreate runs after its constructor, not inside it.
    bool OldCreateOrder() const noexcept { return FOldCreateOrder; }
    void SetOldCreateOrder(bool Value);

    /// Lays the controls out again for the form's size.
    void Loaded() override;

private:
    TWeak<TZarixPanel> FZarixPanel1;
    TWeak<TZarixPanel> FZarixPanel2;
    TWeak<TZarixPanel> FZarixPanel3;
    TWeak<TZarixPageControl> FZarixPageControl1;
    TWeak<TKQTabSheet> FKQTabSheet1;
    TWeak<TKQTabSheet> FKQTabSheet2;
    TColor FColor = clBtnFace;
    TFont FFont;
    int FPixelsPerInch = 96;
    int FTextHeight = 13;
    bool FOldCreateOrder = false;
};

/// The form's global instance, for the host's use: the library declares it and never assigns it.
extern "C" ZARIX_API TfrmPluginManager* frmPluginManager;

}  // namespace zarix
