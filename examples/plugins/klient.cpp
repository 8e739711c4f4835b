// KLIENT: the customer register ("Kontrahenci"), the module every other one builds on.
#include "plugin/plugin_entry.h"

namespace {

using namespace zarix;

class TKlientPlugin : public TZarixPlugin {
    ZARIX_CLASS(TKlientPlugin, TZarixPlugin)
    explicit TKlientPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("KlientPlugin");
        SetPluginName("Klient");
        SetPluginID("{6C1A0F3E-KLIENT}");
        SetPluginPriority(10);
        // Captions are what the user sees: "Kartoteki" = registers, "Kontrahenci" = customers
        // and suppliers, "Grupy kontrahentów" = customer groups.
        AddCommand(true, "&Kontrahenci", "Lista kontrahentów", "1|0", "Kartoteki|Kontrahenci", [](TObject*) {},
                   "KLIENT_LISTA", 0, true, 0, "Kontrahenci");
        AddCommand(true, "Grupy kontrahentów", "Słownik grup kontrahentów", "1|1", "Kartoteki|Grupy kontrahentów",
                   [](TObject*) {}, "KLIENT_GRUPY", 1, true, -1, "");
        AddCommand(true, "Nowy kontrahent", "Dopisanie kontrahenta", "1|2", "Kartoteki|Nowy kontrahent",
                   [](TObject*) {}, "KLIENT_DOPISZ", 2, true, 1, "Nowy_kontrahent");
    }
};
ZARIX_DEFINE_CLASS(TKlientPlugin)

}  // namespace

ZARIX_PLUGIN(TKlientPlugin)
