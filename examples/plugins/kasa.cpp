// KASA: cash and bank ("Finanse"). This build expects trade documents 2.0, which the
// installation does not have yet: the dependency check unloads it, as it would at a customer's.
#include "plugin/plugin_entry.h"

namespace {

using namespace zarix;

class TKasaPlugin : public TZarixPlugin {
    ZARIX_CLASS(TKasaPlugin, TZarixPlugin)
    explicit TKasaPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("KasaPlugin");
        SetPluginName("Kasa");
        SetPluginPriority(40);
        AddDependency("DokMag", "2.0.0.0");
        AddCommand(true, "Raport kasowy", "Raport kasowy za dzień", "3|0", "Finanse|Raport kasowy", [](TObject*) {},
                   "KASA_RK", 9, true, 6, "Raport_kasowy");
    }
};
ZARIX_DEFINE_CLASS(TKasaPlugin)

}  // namespace

ZARIX_PLUGIN(TKasaPlugin)
