// The plugin copied a thousand times by the loading benchmark: a typical small module with a
// few commands and one dependency.
#include "plugin/plugin_entry.h"

namespace {

using namespace zarix;

class TBenchPlugin : public TZarixPlugin {
    ZARIX_CLASS(TBenchPlugin, TZarixPlugin)
    explicit TBenchPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("BenchPlugin");
        SetPluginName("Moduł testowy");
        SetPluginPriority(10);
        AddDependency("Nieobecny", "1.0.0.0");
        for (int i = 0; i < 3; ++i)
            AddCommand(true, "Polecenie " + std::to_string(i), "", std::to_string(i), "Moduł|Polecenie " + std::to_string(i),
                       [](TObject*) {}, "", i, true, -1, "");
    }
};
ZARIX_DEFINE_CLASS(TBenchPlugin)

}  // namespace

ZARIX_PLUGIN(TBenchPlugin)

extern "C" __attribute__((visibility("default"))) TZarixPlugin* PluginInitialize() { return nullptr; }
