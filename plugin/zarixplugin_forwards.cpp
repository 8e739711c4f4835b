// The plugin component's services that forward to the manager that loaded it.
#include "plugin/zarixplugin.h"

#include "manager/ZarixPluginManager.h"

namespace zarix {

TZarixPluginManager& TZarixPlugin::LoadedBy() const {
    // Called before the manager's Initialize, the platform would dereference nothing; a clear
    // error serves the plugin author better.
    auto* manager = dynamic_cast<TZarixPluginManager*>(FManager);
    if (manager == nullptr)
        throw EPluginError("Plugin \"" + GetPluginName() + "\" is not loaded by a plugin manager");
    return *manager;
}

bool TZarixPlugin::isPluginAvailable(const std::string& APluginName) const {
    return LoadedBy().getPluginByName(APluginName) != nullptr;
}

}  // namespace zarix
