// The plugin manager form, built as its form resource lays it out.
#include "package/PluginManagerForm.h"

#include "platform/rtl/strings.h"
#include "platform/ui/controls.h"
#include "platform/ui/ui_change.h"

namespace zarix {

ZARIX_DEFINE_CLASS(TfrmPluginManager, ZARIX_PROPERTY(ClientWidth, ClientWidth, SetClientWidth),
                   ZARIX_PROPERTY(ClientHeight, ClientHeight, SetClientHeight),
                   PublishedValue<&Self::Color, &Self::SetColor>("Color"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Name>("Font.Name"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Height>("Font.Height"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Charset>("Font.Charset"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Color>("Font.Color"),
                   PublishedField<&Self::Font, &Self::SetFont, &TFont::Style>("Font.Style"),
                   ZARIX_PROPERTY(PixelsPerInch, PixelsPerInch, SetPixelsPerInch),
                   ZARIX_PROPERTY(TextHeight, TextHeight, SetTextHeight),
                   ZARIX_PROPERTY(OldCreateOrder, OldCreateOrder, SetOldCreateOrder))

TfrmPluginManager* frmPluginManager = nullptr;

namespace {

// The name a form resource gives its root, made unique among the owner's components the way
// loading a second instance of a form does.
std::string UniqueFormName(const TComponent* owner, const std::string& name) {
    if (owner == nullptr || owner->FindComponent(name) == nullptr) return name;
    for (int i = 1;; ++i) {
        std::string candidate = name + "_" + IntToStr(i);
        if (owner->FindComponent(candidate) == nullptr) return candidate;
    }
}

template <class T>
T* MakeControl(TComponent* owner, const std::string& name, TComponent* parent) {
    auto* control = new T(owner);
    control->SetName(name);
    control->SetParent(parent);
    return control;
}

TZarixPanel* MakePanel(TfrmPluginManager* form, const std::string& name, TBounds bounds, TAlign align, int tabOrder) {
    auto* panel = MakeControl<TZarixPanel>(form, name, form);
    panel->SetBounds(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
    panel->SetAlign(align);
    panel->SetTabOrder(tabOrder);
    panel->SetKeyPreview(false);
    panel->SetLayoutRowCount(0);
    panel->SetLayoutColCount(0);
    return panel;
}

TKQTabSheet* MakeSheet(TfrmPluginManager* form, const std::string& name, TZarixPageControl* pages,
                       const std::string& caption) {
    auto* sheet = MakeControl<TKQTabSheet>(form, name, pages);
    sheet->SetCaption(caption);
    sheet->SetColor(clBtnFace);
    sheet->SetColorTo(clNone);
    sheet->SetTabColor(clBtnFace);
    sheet->SetTabColorTo(clNone);
    return sheet;
}

}  // namespace

TfrmPluginManager::TfrmPluginManager(TComponent* AOwner) : TForm(AOwner) {
    SetName(UniqueFormName(AOwner, "frmPluginManager"));
    // Headless forms have no borders or caption bar: the client area is the whole form.
    SetBounds(360, 367, 582, 324);
    SetCaption("frmPluginManager");
    FFont = TFont{"MS Sans Serif", -11, DEFAULT_CHARSET, clWindowText, {}};

    FZarixPanel1 = MakePanel(this, "ZarixPanel1", {0, 0, 582, 41}, alTop, 0);
    FZarixPanel2 = MakePanel(this, "ZarixPanel2", {0, 283, 582, 41}, alBottom, 1);
    FZarixPanel3 = MakePanel(this, "ZarixPanel3", {0, 41, 582, 242}, alClient, 2);

    auto* pages = MakeControl<TZarixPageControl>(this, "ZarixPageControl1", ZarixPanel3());
    pages->SetBounds(1, 1, 580, 240);
    pages->SetAlign(alClient);
    const TFont tahoma{"Tahoma", -11, DEFAULT_CHARSET, clWindowText, {}};
    pages->SetFont(tahoma);
    pages->SetActiveFont(tahoma);
    pages->SetParentFont(false);
    pages->SetTabBackGroundColor(clBtnFace);
    pages->SetTabMargin(TTabMargin{0, 0});
    pages->SetTabOverlap(0);
    pages->SetTabOrder(0);
    FZarixPageControl1 = pages;

    // "Lokalne wtyczki": the plugins installed here; "Dostępne wtyczki": those available.
    FKQTabSheet1 = MakeSheet(this, "KQTabSheet1", pages, "Lokalne wtyczki");
    FKQTabSheet2 = MakeSheet(this, "KQTabSheet2", pages, "Dostępne wtyczki");
    pages->SetActivePage(KQTabSheet1());
}

TfrmPluginManager::~TfrmPluginManager() = default;

void TfrmPluginManager::SetColor(TColor Value) { ChangeProperty(this, FColor, Value, "Color"); }
void TfrmPluginManager::SetFont(const TFont& Value) { ChangeProperty(this, FFont, Value, "Font"); }
void TfrmPluginManager::SetPixelsPerInch(int Value) { ChangeProperty(this, FPixelsPerInch, Value, "PixelsPerInch"); }
void TfrmPluginManager::SetTextHeight(int Value) { ChangeProperty(this, FTextHeight, Value, "TextHeight"); }
void TfrmPluginManager::SetOldCreateOrder(bool Value) { ChangeProperty(this, FOldCreateOrder, Value, "OldCreateOrder"); }

void TfrmPluginManager::Loaded() {
    TForm::Loaded();
    AlignControls(this);
}

}  // namespace zarix
