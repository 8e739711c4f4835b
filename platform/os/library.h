// Shared-library loading: one move-only handle per loaded library, the platform's package
// loader and unloader, and export lookup.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarix {

/// A library the loader refused: the message names the file and quotes the loader.
ZARIX_DECLARE_EXCEPTION(EPackageError, Exception, ZARIX_API);

/// Owns one reference to a loaded library; the destructor gives it back to the loader.
class ZARIX_API TLibrary {
public:
    TLibrary() = default;
    /// Loads Path with every symbol bound now and kept local to the library; raises
    /// EPackageError "cannot load library <path>: (<loader's message>)".
    static TLibrary Load(const std::string& Path);
    /// Takes over a handle the loader gave out (0 for none).
    static TLibrary Adopt(uintptr_t Handle) noexcept;

    ~TLibrary();
    TLibrary(TLibrary&& other) noexcept;
    TLibrary& operator=(TLibrary&& other) noexcept;
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;

    uintptr_t Handle() const noexcept { return reinterpret_cast<uintptr_t>(FHandle); }
    explicit operator bool() const noexcept { return FHandle != nullptr; }
    /// The address of the library's own export Name, nullptr when it has none of that name.
    void* Resolve(const char* Name) const noexcept;
    /// How far from the addresses its file names the loader put the library; nothing without
    /// a library or when the loader does not say.
    std::optional<uintptr_t> LoadBias() const noexcept;
    /// Gives up ownership without unloading: the library stays for the life of the process.
    uintptr_t Release() noexcept;
    /// Unloads now; false when the loader refused (the handle is given up either way).
    bool Unload() noexcept;

private:
    explicit TLibrary(void* handle) : FHandle(handle) {}
    void* FHandle = nullptr;
};

/// Loads a library and returns its module handle, raising EPackageError when it cannot.
/// The caller owns the handle and gives it back with UnloadPackage.
ZARIX_API uintptr_t LoadPackage(const std::string& Name);
ZARIX_API void UnloadPackage(uintptr_t Module) noexcept;
/// The address of an export of a loaded module, nullptr when absent. Only the module's own
/// exports count, not those of the libraries it depends on.
ZARIX_API void* GetProcAddress(uintptr_t Module, const char* ProcName) noexcept;
/// Whether the library at Path is mapped in the process right now.
ZARIX_API bool IsLibraryLoaded(const std::string& Path) noexcept;
/// How many libraries the loader has unmapped since the process began: one call, where asking
/// IsLibraryLoaded searches every loaded library. 0 when the loader does not keep the count.
ZARIX_API unsigned long long LibrariesUnmappedCount() noexcept;

}  // namespace zarix
