// SZABLON: the smallest useful plugin. Copy this folder, rename the module and the class, and
// build it against the installed framework.
#include "plugin/plugin_entry.h"
#include "zarix/version.h"

#include <iostream>

static_assert(ZARIX_VERSION_MAJOR >= 1, "this template is written for framework 1.x");

namespace {

using namespace zarix;

class TSzablonPlugin : public TZarixPlugin {
    ZARIX_CLASS(TSzablonPlugin, TZarixPlugin)
    explicit TSzablonPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("SzablonPlugin");    // the component's name; a plugin without one cannot be found
        SetPluginName("Szablon");    // what people see, and what dependencies name
        SetPluginPriority(50);       // lower numbers are initialised first; 0 stops the loading
        // A command in the main menu under "Narzędzia" and on the toolbar, for everyone (no
        // privilege name), with the host's image 0, and as the tenth tool button, "Powitanie".
        AddCommand(true, "Przywitaj", "Wypisuje powitanie", "9|1", "Narzędzia|Przywitaj",
                   [](TObject*) { std::cout << "Dzień dobry z szablonu\n"; }, "", 0, true, 9, "Powitanie");
    }
};
ZARIX_DEFINE_CLASS(TSzablonPlugin)

}  // namespace

ZARIX_PLUGIN(TSzablonPlugin)
