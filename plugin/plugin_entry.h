// The entry point a plugin library exports, declared with one line.
#pragma once

#include "plugin/zarixplugin.h"

#include <memory>

namespace zarix::detail {

// The library owns its plugin component: made on the first call, handed out again on every
// later call, and freed with the library's static objects when the library is unloaded.
template <class Plugin>
TZarixPlugin* PluginInstance() {
    static std::unique_ptr<Plugin> instance;
    if (!instance) instance = std::make_unique<Plugin>(nullptr);
    return instance.get();
}

}  // namespace zarix::detail

/// Exports "PluginRegister" for a plugin class: ZARIX_PLUGIN(TKlientPlugin)
#define ZARIX_PLUGIN(PluginClass)                                                            \
    extern "C" __attribute__((visibility("default"))) ::zarix::TZarixPlugin* PluginRegister() { \
        return ::zarix::detail::PluginInstance<PluginClass>();                                \
    }
