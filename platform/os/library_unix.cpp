// Library loading over dlopen, dlsym and dlclose.
#include "platform/os/library.h"

#include "platform/os/elf_export_lookup.h"
#include "platform/os/module_info.h"

#include <dlfcn.h>
#include <link.h>

#include <cstddef>
#include <utility>

namespace zarix {

ZARIX_DEFINE_EXCEPTION(EPackageError)

namespace {

// dlerror keeps the last failure of any earlier call; clear it before each call so the text
// quoted belongs to this one.
std::string LoaderMessage() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

}  // namespace

TLibrary TLibrary::Load(const std::string& Path) {
    dlerror();
    void* handle = dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw EPackageError("cannot load library " + Path + ": (" + LoaderMessage() + ")");
    return TLibrary(handle);
}

TLibrary TLibrary::Adopt(uintptr_t Handle) noexcept { return TLibrary(reinterpret_cast<void*>(Handle)); }

TLibrary::~TLibrary() { Unload(); }

TLibrary::TLibrary(TLibrary&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}

TLibrary& TLibrary::operator=(TLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        FHandle = std::exchange(other.FHandle, nullptr);
    }
    return *this;
}

void* TLibrary::Resolve(const char* Name) const noexcept { return GetProcAddress(Handle(), Name); }

std::optional<uintptr_t> TLibrary::LoadBias() const noexcept {
    const auto* map = static_cast<const link_map*>(ModuleOfHandle(Handle()));
    if (map == nullptr) return std::nullopt;
    return static_cast<uintptr_t>(map->l_addr);
}

uintptr_t TLibrary::Release() noexcept { return reinterpret_cast<uintptr_t>(std::exchange(FHandle, nullptr)); }

bool TLibrary::Unload() noexcept {
    void* handle = std::exchange(FHandle, nullptr);
    return handle == nullptr || dlclose(handle) == 0;
}

uintptr_t LoadPackage(const std::string& Name) { return TLibrary::Load(Name).Release(); }

void UnloadPackage(uintptr_t Module) noexcept { TLibrary::Adopt(Module).Unload(); }

void* GetProcAddress(uintptr_t Module, const char* ProcName) noexcept {
    if (Module == 0) return nullptr;
    if (const auto found = LookupExportInHashTable(Module, ProcName)) return *found;
    // The loader also searches the module's dependencies; only the module's own export counts.
    dlerror();
    void* address = dlsym(reinterpret_cast<void*>(Module), ProcName);
    if (address == nullptr) return nullptr;
    const auto owner = ModuleOfAddress(address);
    return owner && owner->Module == ModuleOfHandle(Module) ? address : nullptr;
}

bool IsLibraryLoaded(const std::string& Path) noexcept {
    void* handle = dlopen(Path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

// glibc keeps the count in every module's entry, so the walk stops at the first; an older
// loader's shorter entry has no such field.
unsigned long long LibrariesUnmappedCount() noexcept {
    unsigned long long unmapped = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t size, void* out) {
            if (size >= offsetof(dl_phdr_info, dlpi_subs) + sizeof(info->dlpi_subs))
                *static_cast<unsigned long long*>(out) = info->dlpi_subs;
            return 1;
        },
        &unmapped);
    return unmapped;
}

}  // namespace zarix
