// The entry points a plugin library exports, declared with one line.
#pragma once

#include "plugin/zarixplugin.h"

#include <cstddef>
#include <memory>
#include <utility>

namespace zarix::detail {

// Where a library keeps its one plugin component. Plain data on purpose: with no destructor
// to run at exit, the component is freed by the destroy entry the manager calls and never
// behind the manager's back; and a variable of internal linkage never becomes one of the
// process-wide unique symbols, which would keep the library mapped after its last unload.
struct TPluginSlot {
    TZarixPlugin* Component = nullptr;
    std::size_t Registrations = 0;  // those not yet paired with a destroy
};

template <class Plugin>
TZarixPlugin* RegisterPlugin(TPluginSlot& Slot) {
    if (Slot.Component == nullptr) Slot.Component = std::make_unique<Plugin>(nullptr).release();
    ++Slot.Registrations;
    return Slot.Component;
}

inline void DestroyPlugin(TPluginSlot& Slot) noexcept {
    if (Slot.Registrations == 0 || --Slot.Registrations != 0) return;
    const std::unique_ptr<TZarixPlugin> owned(std::exchange(Slot.Component, nullptr));
}

}  // namespace zarix::detail

/// Exports "PluginRegister" and "PluginDestroy" for a plugin class: ZARIX_PLUGIN(TKlientPlugin).
/// Every register hands out the same component and is paired with one destroy; the destroy
/// that pairs with the last open register frees it, and a register after that makes a new one.
/// So two managers that load the library each free only their own share of it.
#define ZARIX_PLUGIN(PluginClass)                                                                    \
    namespace {                                                                                     \
    constinit ::zarix::detail::TPluginSlot ZarixPluginSlot;                                         \
    }                                                                                               \
    extern "C" __attribute__((visibility("default"))) ::zarix::TZarixPlugin* PluginRegister() {     \
        return ::zarix::detail::RegisterPlugin<PluginClass>(ZarixPluginSlot);                       \
    }                                                                                               \
    extern "C" __attribute__((visibility("default"))) void PluginDestroy() noexcept {               \
        ::zarix::detail::DestroyPlugin(ZarixPluginSlot);                                            \
    }
