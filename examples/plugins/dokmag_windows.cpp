// DOKMAG's invoice window.
#include "dokmag_windows.h"

#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "sample_db.h"
#include "server_schemas.h"
#include "sync/sync.h"

namespace dokmag {

using namespace zarix;

std::string Money(int64_t Grosze) {
    const int64_t magnitude = Grosze < 0 ? -Grosze : Grosze, cents = magnitude % 100;
    return (Grosze < 0 ? "-" : "") + std::to_string(magnitude / 100) + "," + (cents < 10 ? "0" : "") +
           std::to_string(cents) + " zł";
}

ZARIX_DEFINE_CLASS(TInvoiceWindow, ZARIX_METHOD(PickCustomer))

TInvoiceWindow::TInvoiceWindow(TZarixPlugin* APlugin) : TSampleWindow(APlugin) {
    SetCaption(FTitle);
    auto* head = samples::AddControl<TZarixPanel>(this, "pnlNaglowek", alTop);
    head->SetHeight(41);
    FBuyerLabel = samples::AddControl<TLabel>(this, "lblNabywca", alNone, head);
    FBuyerLabel->SetBounds(12, 12, 360, 17);
    // "Nabywca..." opens the picker: "Nabywca" = buyer.
    FPick = samples::AddControl<TButton>(this, "btnNabywca", alNone, head);
    FPick->SetCaption("Nabywca...");
    FPick->SetBounds(380, 8, 88, 25);
    FPick->OnClick = [this](TObject*) { PickCustomer({}, this); };

    auto* foot = samples::AddControl<TZarixPanel>(this, "pnlSumy", alBottom);
    foot->SetHeight(33);
    FNet = samples::AddControl<TLabel>(this, "lblNetto", alNone, foot);
    FVat = samples::AddControl<TLabel>(this, "lblVat", alNone, foot);
    FGross = samples::AddControl<TLabel>(this, "lblBrutto", alNone, foot);
    for (int i = 0; TLabel* label : {FNet, FVat, FGross}) label->SetBounds(12 + 150 * i++, 8, 140, 17);

    // "Lp." = line number, "Indeks" = goods index, "Ilość" = quantity, "Cena netto" = net
    // price, "Wartość netto" = net value. Names come from the basic price list.
    FLines = samples::AddQueryGrid(
        this, "grdPozycje",
        "SELECT DPOLp, DPOIndeks, CPONazwa, DPOIlosc, CAST(DPOCenaNetto AS DOUBLE PRECISION) / 100 AS DPOCena, DPOStawkaVat, "
        "CAST(DPOIlosc * DPOCenaNetto AS DOUBLE PRECISION) / 100 AS DPOWartosc "
        "FROM DokumentyPozycje LEFT JOIN CennikiPozycje ON CPOCennik = 1 AND CPOIndeks = DPOIndeks "
        "WHERE DPODokument = ? ORDER BY DPOLp");
    FLines->AddColumn("DPOLp", "Lp.", 40);
    FLines->AddColumn("DPOIndeks", "Indeks", 60);
    FLines->AddColumn("CPONazwa", "Nazwa", 200);
    FLines->AddColumn("DPOIlosc", "Ilość", 60);
    FLines->AddColumn("DPOCena", "Cena netto", 90);
    FLines->AddColumn("DPOStawkaVat", "VAT %", 50);
    FLines->AddColumn("DPOWartosc", "Wartość netto", 100);

    // Before it closes, the invoice asks its child windows; one that refuses keeps it open, and
    // the person is told why.
    SetOnCloseQuery([this](TObject*, bool& canClose) {
        std::string why;
        canClose = Plugin().CanCloseMDI(this, Name(), 0, why, true);
        if (canClose) return;
        SetCaption(FTitle + " - nie zamknięto: " + why);
        // "Nie można zamknąć faktury: " = the invoice cannot be closed.
        MessageBox("Nie można zamknąć faktury: " + Trim(why), FTitle);
    });
}

void TInvoiceWindow::Load(int32_t Document) {
    FDocument = Document;
    const bool database = DBInt().HasConnection(samples::kDBConnection);
    int32_t buyer = 0;
    try {
        if (Document != 0 && database) {
            TDBQuery query("SELECT DOKNumer, DOKKontrahent FROM Dokumenty WHERE DOKOrigid = ?", samples::kDBConnection);
            query.Bind(1, Variant(Document));
            query.Open();
            // "Nie ma dokumentu o identyfikatorze N" = there is no document with identifier N.
            if (query.Eof()) throw Exception("Nie ma dokumentu o identyfikatorze " + std::to_string(Document));
            FTitle = "Faktura VAT " + query.FieldByName("DOKNumer");
            buyer = static_cast<int32_t>(StrToInt(query.FieldByName("DOKKontrahent")));
        } else {
            if (database)
                FTitle = "Faktura VAT " + samples::QueryValue(samples::InvoiceSql(samples::OnServer()).NextNumber).value_or("");
            const Variant fallback = Plugin().getClassValue("KlientUstawienia", "DefaultCustomer");
            buyer = fallback.IsEmpty() ? 0 : fallback.AsInteger();
        }
    } catch (const std::exception& e) {
        samples::ShowError(*this, "Nie można odczytać faktury: ", e);
    }
    SetCaption(FTitle);
    FPick->SetEnabled(Document == 0);
    // The customer module reads names from the register: without a database there is none.
    if (buyer != 0 && database) ShowBuyer(buyer, Plugin().methodByName("KLIENT", "CustomerName", Args(buyer), this).AsString());
    static_cast<TQueryRows*>(FLines->RowSource())->Bind(1, Variant(Document));
    samples::OpenGrid(*this, *FLines);
    ShowTotals();
}

void TInvoiceWindow::ShowBuyer(int32_t Id, const std::string& Name) {
    FBuyer = Id;
    FBuyerLabel->SetCaption("Nabywca: " + Name + " (" + std::to_string(Id) + ")");
}

void TInvoiceWindow::ShowTotals() {
    int64_t net = 0, vat = 0, gross = 0;
    if (FDocument != 0 && DBInt().HasConnection(samples::kDBConnection)) {
        try {
            TDBQuery totals("SELECT DOKNetto, DOKVat, DOKBrutto FROM DokumentyWartosci WHERE DOKOrigid = ?",
                            samples::kDBConnection);
            totals.Bind(1, Variant(FDocument));
            totals.Open();
            if (!totals.Eof()) {
                net = StrToInt64(totals.FieldByName("DOKNetto"));
                vat = StrToInt64(totals.FieldByName("DOKVat"));
                gross = StrToInt64(totals.FieldByName("DOKBrutto"));
            }
        } catch (const std::exception& e) {
            samples::ShowError(*this, "Nie można odczytać sum faktury: ", e);
        }
    }
    FNet->SetCaption("Netto: " + Money(net));
    FVat->SetCaption("VAT: " + Money(vat));
    FGross->SetCaption("Brutto: " + Money(gross));
}

Variant TInvoiceWindow::PickCustomer(TConstArray, TForm*) {
    return Plugin().methodByName("KLIENT", "OpenCustomerPicker", {}, this);
}

// "Nabywca" = buyer.
void TInvoiceWindow::MDIReceiveResult(const std::string&, int32_t) {
    const int32_t id = MDIResult().IntValueByName("KLIENT_ID");
    const std::string name = MDIResult().StringValueByName("KLIENT");
    ShowBuyer(id, name);
    SetCaption(FTitle + " - Nabywca: " + name + " (" + std::to_string(id) + ")");
}

}  // namespace dokmag
