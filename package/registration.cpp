// The units' Register procedures.
#include "package/registration.h"

#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/component_palette.h"
#include "plugin/zarixplugin.h"

namespace zarix {

void ZarixMDIContainer::Register() { RegisterComponents(ZarixPalettePage, {&TZarixMDIContainer::StaticClass()}); }

void ZarixPluginManager::Register() { RegisterComponents(ZarixPalettePage, {&TZarixPluginManager::StaticClass()}); }

void zarixplugin::Register() { RegisterComponents(ZarixPalettePage, {&TZarixPlugin::StaticClass()}); }

void RegisterPackageComponents() {
    // Unit order: zarixplugin, then ZarixPluginManager, then ZarixMDIContainer.
    zarixplugin::Register();
    ZarixPluginManager::Register();
    ZarixMDIContainer::Register();
}

}  // namespace zarix
