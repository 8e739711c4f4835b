// Module lookup over the dynamic loader (dladdr, dlinfo).
#include "platform/os/module_info.h"

#include <dlfcn.h>
#include <link.h>

namespace zarix {

std::optional<TModuleOfAddress> ModuleOfAddress(const void* address) noexcept {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fbase == nullptr) return std::nullopt;
    try {
        return TModuleOfAddress{info.dli_fname != nullptr ? info.dli_fname : "", info.dli_fbase};
    } catch (...) {
        return std::nullopt;
    }
}

const void* ModuleBaseOfHandle(uintptr_t handle) noexcept {
    if (handle == 0) return nullptr;
    link_map* map = nullptr;
    if (dlinfo(reinterpret_cast<void*>(handle), RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
    // dladdr reports the address of the first mapped segment; for the shared objects we load
    // that is the load bias plus the lowest segment address, which is 0 for every PIC library.
    Dl_info info{};
    if (map->l_ld != nullptr && dladdr(map->l_ld, &info) != 0) return info.dli_fbase;
    return reinterpret_cast<const void*>(map->l_addr);
}

}  // namespace zarix
