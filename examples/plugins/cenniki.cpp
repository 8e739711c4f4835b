// CENNIKI: price lists ("Cenniki") with their customer-specific prices.
#include "plugin/plugin_entry.h"

namespace {

using namespace zarix;

class TCennikiPlugin : public TZarixPlugin {
    ZARIX_CLASS(TCennikiPlugin, TZarixPlugin)
    explicit TCennikiPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("CennikiPlugin");
        SetPluginName("Cenniki");
        SetPluginPriority(20);
        AddDependency("Klient", "1.0.0.0");  // prices per customer need the customer register
        AddCommand(true, "Cenniki", "Cenniki sprzedaży", "1|3", "Kartoteki|Cenniki", [](TObject*) {}, "CENNIKI_LISTA",
                   3, true, 2, "Cenniki sprzedaży i zakupu");
        AddCommand(true, "Zmiana cen", "Zbiorcza zmiana cen w cenniku", "1|4", "Kartoteki|Zmiana cen",
                   [](TObject*) {}, "CENNIKI_ZMIANA", 4, true, -1, "");
    }
};
ZARIX_DEFINE_CLASS(TCennikiPlugin)

}  // namespace

ZARIX_PLUGIN(TCennikiPlugin)
