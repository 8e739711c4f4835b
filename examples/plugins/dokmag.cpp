// DOKMAG: trade documents ("Dokumenty handlowe"): invoices, receipts and warehouse documents.
// An invoice window asks the customer module for its buyer through the customer picker.
#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "plugin/plugin_entry.h"
#include "sample_window.h"
#include "sync/sync.h"

namespace {

using namespace zarix;

using TWindowMethod = Variant(TConstArray, TForm*);

class TInvoiceWindow : public samples::TSampleWindow {
    ZARIX_CLASS(TInvoiceWindow, samples::TSampleWindow)
    explicit TInvoiceWindow(TComponent* owner, TZarixPlugin* plugin) : TSampleWindow(owner), FPlugin(plugin) {
        SetCaption("Faktura VAT FV/1/2026");
        // Before it closes, the invoice asks its child windows; one that refuses keeps it open.
        SetOnCloseQuery([this](TObject*, bool& canClose) {
            std::string why;
            canClose = CurrentMDIContainer()->CanCloseMDI(this, Name(), 0, why, true);
            if (!canClose) SetCaption("Faktura VAT FV/1/2026 - nie zamknięto: " + why);
        });
    }
    /// Asks the customer module for its picker, opened under this invoice.
    Variant PickCustomer(TConstArray, TForm*) {
        auto* manager = dynamic_cast<TZarixPluginManager*>(FPlugin->Manager());
        TZarixPlugin* customers = manager != nullptr ? manager->getPluginByName("KLIENT") : nullptr;
        if (customers == nullptr) return Variant(false);
        auto open = customers->MethodAddress<TWindowMethod>("OpenCustomerPicker");
        return open ? open({}, this) : Variant(false);
    }
    // The chosen customer arrives through the results registry: "Nabywca" = buyer.
    void MDIReceiveResult(const std::string&, int32_t) override {
        SetCaption("Faktura VAT FV/1/2026 - Nabywca: " + MDIResult().StringValueByName("KLIENT") + " (" +
                   std::to_string(MDIResult().IntValueByName("KLIENT_ID")) + ")");
    }

private:
    TZarixPlugin* FPlugin;
};
ZARIX_DEFINE_CLASS(TInvoiceWindow, ZARIX_METHOD(PickCustomer))

class TDokMagPlugin : public TZarixPlugin {
    ZARIX_CLASS(TDokMagPlugin, TZarixPlugin)
    explicit TDokMagPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("DokMagPlugin");
        SetPluginName("DokMag");
        SetPluginPriority(30);
        // Documents pick their buyer from the customer register, at least the version that
        // brought customer groups, and their prices from the price lists.
        AddDependency("Klient", "1.2.0.0");
        AddDependency("Cenniki", "1.0.0.0");
        // "Dokumenty" = documents, "Faktura VAT" = VAT invoice, "Paragon" = receipt,
        // "Wydanie zewnętrzne" = goods issue.
        AddCommand(true, "Faktura VAT", "Nowa faktura VAT sprzedaży", "2|0|0", "Dokumenty|Sprzedaż|Faktura VAT",
                   [this](TObject*) { OpenInvoice(); }, "DOKMAG_FV", 5, true, 3, "Faktura_VAT");
        AddCommand(true, "Paragon", "Nowy paragon", "2|0|1", "Dokumenty|Sprzedaż|Paragon", [](TObject*) {},
                   "DOKMAG_PAR", 6, true, 4, "Paragon");
        AddCommand(true, "Wydanie zewnętrzne", "Nowe wydanie zewnętrzne (WZ)", "2|1|0",
                   "Dokumenty|Magazyn|Wydanie zewnętrzne", [](TObject*) {}, "DOKMAG_WZ", 7, true, -1, "");
        AddCommand(true, "Rejestr dokumentów", "Przeglądanie wystawionych dokumentów", "2|2",
                   "Dokumenty|Rejestr dokumentów", [](TObject*) {}, "", 8, true, 5, "Rejestr_dokumentów handlowych");
    }

private:
    void OpenInvoice() {
        auto* window = new TInvoiceWindow(this, this);  // owned by the plugin: its code is this library's
        window->SetName("FakturaVAT");
        if (TZarixMDIContainer* container = CurrentMDIContainer()) {
            container->AddMDIForm(window, 400, 600, nullptr, 0, alNotAligned, 5);
            container->ChangeName(window, "Faktura VAT FV/1/2026");
        }
        window->Show();
    }
};
ZARIX_DEFINE_CLASS(TDokMagPlugin)

}  // namespace

ZARIX_PLUGIN(TDokMagPlugin)
