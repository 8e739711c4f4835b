// The entry points a plugin library exports, declared with one line.
#pragma once

#include "plugin/zarixplugin.h"

#include <memory>
#include <utility>

namespace zarix::detail {

// The library's one plugin component lives in a plain pointer of the library's own: a pointer
// has no destructor to run at exit, so the component is freed by the destroy entry the manager
// calls and never behind the manager's back. Internal linkage keeps the pointer out of the
// process-wide unique symbols, which would keep the library mapped after its last unload.
template <class Plugin>
TZarixPlugin* RegisterPlugin(TZarixPlugin*& Slot) {
    if (Slot == nullptr) Slot = std::make_unique<Plugin>(nullptr).release();
    return Slot;
}

inline void DestroyPlugin(TZarixPlugin*& Slot) noexcept {
    const std::unique_ptr<TZarixPlugin> owned(std::exchange(Slot, nullptr));
}

}  // namespace zarix::detail

/// Exports "PluginRegister" and "PluginDestroy" for a plugin class: ZARIX_PLUGIN(TKlientPlugin).
/// The register entry creates the component once and hands out the same one until the destroy
/// entry frees it; a register after that creates a new one.
#define ZARIX_PLUGIN(PluginClass)                                                                    \
    namespace {                                                                                     \
    ::zarix::TZarixPlugin* ZarixPluginComponent = nullptr;                                          \
    }                                                                                               \
    extern "C" __attribute__((visibility("default"))) ::zarix::TZarixPlugin* PluginRegister() {     \
        return ::zarix::detail::RegisterPlugin<PluginClass>(ZarixPluginComponent);                  \
    }                                                                                               \
    extern "C" __attribute__((visibility("default"))) void PluginDestroy() noexcept {               \
        ::zarix::detail::DestroyPlugin(ZarixPluginComponent);                                       \
    }
