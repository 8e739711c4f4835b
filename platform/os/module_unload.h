// The one notice a host gets before a library is unmapped, so it can drop whatever it holds
// that leads into the library's code (command handlers it copied, widgets of its windows).
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace zarix {

/// A library about to be unmapped. Everything the framework holds of it (exception sinks,
/// change handlers, posted messages, singletons, classes, the manager's handlers) has been
/// taken out already; its code is still there while observers run.
struct TModuleUnload {
    const void* Module = nullptr;  // as ModuleOfHandle and ModuleOfCode name it
    uintptr_t Handle = 0;          // the loader's handle
    std::string Path;
};

using TModuleUnloadObserver = std::function<void(const TModuleUnload&)>;

/// Adds an observer; the returned key removes it. Observers belonging to the library being
/// unloaded (by the rule of platform/os/callback_owner.h) are removed without being told.
/// The installing code is found from the caller's return address.
ZARIX_API uint64_t AddModuleUnloadObserver(TModuleUnloadObserver Observer);
ZARIX_API void RemoveModuleUnloadObserver(uint64_t Key) noexcept;
ZARIX_API std::size_t ModuleUnloadObserverCount() noexcept;

/// Drops the observers of Unload.Module, then tells every other one in the order they were
/// added. What an observer raises goes to Failed and the others are still told.
ZARIX_API void NotifyModuleUnload(const TModuleUnload& Unload,
                                  void (*Failed)(std::exception_ptr Error) noexcept) noexcept;

}  // namespace zarix
