// Which loaded module a code address belongs to, for exception reports and for forgetting
// what a library leaves behind before it is unloaded.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarix {

struct TModuleOfAddress {
    std::string Path;              // file of the module, as the loader knows it
    const void* Module = nullptr;  // the module's identity, as ModuleOfHandle gives it
};

/// The module that holds `address`, or nothing when no loaded module does.
ZARIX_API std::optional<TModuleOfAddress> ModuleOfAddress(const void* address) noexcept;

/// The identity of a module given by its loader handle (as returned by dlopen), comparable
/// with TModuleOfAddress::Module; nullptr for a handle the loader does not know. Cheap: it
/// does not search the loaded modules.
ZARIX_API const void* ModuleOfHandle(uintptr_t handle) noexcept;

/// The identity of the module holding the code or data at Address (as ModuleOfHandle gives
/// it), nullptr when none does. Cheap: no symbol search and no allocation, for every caller.
ZARIX_API const void* ModuleOfCode(const void* Address) noexcept;

}  // namespace zarix
