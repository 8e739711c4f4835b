// The one source of the start-up benchmark's 200 generated plugins: the build copies it to
// gen_000.bpl ... gen_199.bpl, and each copy takes its number from its own file name, so every
// plugin has a name and ten commands of its own.
#include "plugin/plugin_entry.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

namespace {

using namespace zarix;

int OwnNumber() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&OwnNumber), &info) == 0 || info.dli_fname == nullptr) return 0;
    const std::string file = info.dli_fname;
    const auto at = file.rfind("gen_");
    return at == std::string::npos ? 0 : std::atoi(file.c_str() + at + 4);
}

class TGeneratedPlugin : public TZarixPlugin {
    ZARIX_CLASS(TGeneratedPlugin, TZarixPlugin)
    explicit TGeneratedPlugin(TComponent* owner) : TZarixPlugin(owner) {
        const std::string k = std::to_string(OwnNumber());
        SetName("Generowany" + k);
        SetPluginName("Moduł generowany " + k);
        SetPluginPriority(20);
        for (int j = 0; j < 10; ++j) {
            const std::string n = std::to_string(j);
            AddCommand(true, "Polecenie " + n, "Opis polecenia " + n, "10|" + k + "|" + n,
                       "Moduły generowane|Moduł " + k + "|Polecenie " + n, [](TObject*) {}, "", -1, true, -1, "");
        }
    }
};
ZARIX_DEFINE_CLASS(TGeneratedPlugin)

}  // namespace

ZARIX_PLUGIN(TGeneratedPlugin)
