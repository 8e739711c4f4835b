// The exception manager and the process-wide list of active managers.
#include "services/exception_manager.h"

#include "platform/os/module_info.h"

#include <algorithm>
#include <mutex>

namespace zarix {
namespace {

struct ActiveManagers {
    std::mutex Lock;
    std::vector<TExceptionManager*> Managers;
};

ActiveManagers& ActiveList() {
    static ActiveManagers active;
    return active;
}

}  // namespace

ZARIX_DEFINE_CLASS(TExceptionManager)

TExceptionManager::TExceptionManager(TComponent* AOwner) : TComponent(AOwner) {}

TExceptionManager::~TExceptionManager() { SetActive(false); }

void TExceptionManager::SetActive(bool Value) {
    if (Value == FActive) return;
    ActiveManagers& a = ActiveList();
    std::lock_guard guard(a.Lock);
    if (Value) a.Managers.push_back(this);
    else std::erase(a.Managers, this);
    FActive = Value;
}

void TExceptionManager::AddModuleInfo(const std::string& MapFile, uintptr_t Handle) {
    ActiveManagers& a = ActiveList();
    std::lock_guard guard(a.Lock);
    FModules.push_back(TModuleInfo{MapFile, Handle, ModuleOfHandle(Handle)});
}

void TExceptionManager::RemoveModuleInfo(uintptr_t Handle) {
    ActiveManagers& a = ActiveList();
    std::lock_guard guard(a.Lock);
    // From the end: libraries are mostly unloaded in the reverse order of their loading.
    for (std::size_t i = FModules.size(); i-- > 0;)
        if (FModules[i].Handle == Handle) FModules.erase(FModules.begin() + static_cast<std::ptrdiff_t>(i));
}

std::optional<TModuleInfo> TExceptionManager::FindActiveModule(const void* Module) {
    if (Module == nullptr) return std::nullopt;
    ActiveManagers& a = ActiveList();
    std::lock_guard guard(a.Lock);
    for (const TExceptionManager* manager : a.Managers)
        for (const TModuleInfo& m : manager->FModules)
            if (m.Module == Module) return m;
    return std::nullopt;
}

}  // namespace zarix
