// DOKMAG: trade documents ("Dokumenty handlowe"): invoices, receipts and warehouse documents.
#include "plugin/plugin_entry.h"

namespace {

using namespace zarix;

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
                   [](TObject*) {}, "DOKMAG_FV", 5, true, 3, "Faktura_VAT");
        AddCommand(true, "Paragon", "Nowy paragon", "2|0|1", "Dokumenty|Sprzedaż|Paragon", [](TObject*) {},
                   "DOKMAG_PAR", 6, true, 4, "Paragon");
        AddCommand(true, "Wydanie zewnętrzne", "Nowe wydanie zewnętrzne (WZ)", "2|1|0",
                   "Dokumenty|Magazyn|Wydanie zewnętrzne", [](TObject*) {}, "DOKMAG_WZ", 7, true, -1, "");
        AddCommand(true, "Rejestr dokumentów", "Przeglądanie wystawionych dokumentów", "2|2",
                   "Dokumenty|Rejestr dokumentów", [](TObject*) {}, "", 8, true, 5, "Rejestr_dokumentów handlowych");
    }
};
ZARIX_DEFINE_CLASS(TDokMagPlugin)

}  // namespace

ZARIX_PLUGIN(TDokMagPlugin)
