// Module lookup over the dynamic loader (dladdr1, dlinfo).
#include "platform/os/module_info.h"

#include <dlfcn.h>
#include <link.h>

namespace zarix {

// A module is identified by the loader's own record of it (its link map): the same record is
// reached from a handle by dlinfo and from an address by dladdr1, with no guess about where
// the module's first segment is mapped.

std::optional<TModuleOfAddress> ModuleOfAddress(const void* address) noexcept {
    Dl_info info{};
    link_map* map = nullptr;
    if (address == nullptr || dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
        map == nullptr)
        return std::nullopt;
    try {
        return TModuleOfAddress{info.dli_fname != nullptr ? info.dli_fname : "", map};
    } catch (...) {
        return std::nullopt;
    }
}

const void* ModuleOfCode(const void* Address) noexcept {
    dl_find_object found{};
    if (Address == nullptr || _dl_find_object(const_cast<void*>(Address), &found) != 0) return nullptr;
    return found.dlfo_link_map;
}

const void* ModuleOfHandle(uintptr_t handle) noexcept {
    if (handle == 0) return nullptr;
    link_map* map = nullptr;
    if (dlinfo(reinterpret_cast<void*>(handle), RTLD_DI_LINKMAP, &map) != 0) return nullptr;
    return map;
}

}  // namespace zarix
