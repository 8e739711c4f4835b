// Which loaded module a code address belongs to, for exception reports.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarix {

struct TModuleOfAddress {
    std::string Path;            // file of the module, as the loader knows it
    const void* Base = nullptr;  // address the module is mapped at
};

/// The module that holds `address`, or nothing when no loaded module does.
ZARIX_API std::optional<TModuleOfAddress> ModuleOfAddress(const void* address) noexcept;

/// The mapping address of a module given by its loader handle (as returned by dlopen);
/// nullptr for a handle the loader does not know.
ZARIX_API const void* ModuleBaseOfHandle(uintptr_t handle) noexcept;

}  // namespace zarix
