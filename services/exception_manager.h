// The exception manager: knows the libraries the plugin manager loaded, so reports can name
// the library and map file of the code that reported.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarix {

struct TModuleInfo {
    std::string MapFile;         // the library's map file, whether or not it exists
    uintptr_t Handle = 0;        // the loader's handle of the library
    const void* Module = nullptr;  // the library's identity (ModuleOfHandle), taken when it was added
};

class ZARIX_API TExceptionManager : public TComponent {
    ZARIX_CLASS(TExceptionManager, TComponent)
    explicit TExceptionManager(TComponent* AOwner = nullptr);
    ~TExceptionManager() override;

    /// An active manager is consulted by every exception report of the process.
    void SetActive(bool Value);
    bool Active() const noexcept { return FActive; }

    void AddModuleInfo(const std::string& MapFile, uintptr_t Handle);
    /// Forgets a library before it is unloaded, so no report names a module that is gone.
    void RemoveModuleInfo(uintptr_t Handle);
    const std::vector<TModuleInfo>& Modules() const noexcept { return FModules; }

    /// The module information an active manager holds for a module (ModuleOfAddress's Module).
    static std::optional<TModuleInfo> FindActiveModule(const void* Module);

private:
    bool FActive = false;
    std::vector<TModuleInfo> FModules;
};

}  // namespace zarix
