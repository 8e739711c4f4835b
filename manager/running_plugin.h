// The scope of one call into a plugin's code made by name.
#pragma once

#include "manager/ZarixPluginManager.h"

namespace zarix {

/// While a plugin's method, routine, getter or setter called by name runs, its plugin is among
/// those whose code is on the stack: an unload of it from there (by the code itself, or by
/// whatever it calls) waits until the outermost such call or broadcast returns, rather than
/// unmapping the code the call returns into.
class TZarixPluginManager::TRunningPlugin {
public:
    TRunningPlugin(TZarixPluginManager& Manager, const TZarixPlugin* Plugin) : FManager(Manager) {
        FManager.FInHandler.push_back(Plugin);
    }
    ~TRunningPlugin() {
        FManager.FInHandler.pop_back();
        if (FManager.FInHandler.empty() && FManager.FBroadcastDepth == 0 && !FManager.FDeferredUnloads.empty())
            FManager.RunDeferredUnloads();
    }
    TRunningPlugin(const TRunningPlugin&) = delete;
    TRunningPlugin& operator=(const TRunningPlugin&) = delete;

private:
    TZarixPluginManager& FManager;
};

}  // namespace zarix
