// Callbacks that know which loaded modules they belong to, so that a library's callbacks can
// be taken out of process-wide places before the library is unmapped.
#pragma once

#include "platform/os/module_info.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <utility>
#include <vector>

namespace zarix {

/// The modules a callback belongs to, as ModuleOfHandle names them (nullptr: none known).
///
/// The rule: a callback belongs to the module whose code installed it (the caller of the
/// installing function, found from its return address) and to the module that built the
/// callable: for a plain function, the module holding its code; for any other callable, the
/// module holding its type information, which the compiler emits beside the code that wraps
/// it into a std::function (a lambda's type is local to the library that defines it). It is
/// revoked when either module is unloaded. A callable built in one library and installed by
/// code of another is thus revoked with both; one whose code reaches a library only through
/// calls it makes at run time is not, and its installer must take it out itself.
struct TCallbackOwner {
    const void* Installer = nullptr;
    const void* Code = nullptr;
    bool BelongsTo(const void* Module) const noexcept {
        return Module != nullptr && (Installer == Module || Code == Module);
    }
};

/// The owner of Callback installed by the code at InstallerAddress (nullptr: by nobody known).
template <class R, class... A>
TCallbackOwner OwnerOfCallback(const std::function<R(A...)>& Callback, const void* InstallerAddress) noexcept {
    TCallbackOwner owner{ModuleOfCode(InstallerAddress), nullptr};
    if (!Callback) return owner;
    if (const auto* function = Callback.template target<R (*)(A...)>())
        owner.Code = ModuleOfCode(reinterpret_cast<const void*>(*function));
    else
        owner.Code = ModuleOfCode(&Callback.target_type());
    return owner;
}

/// The address the current function returns to: inside its caller's module.
#define ZARIX_CALLER_ADDRESS() (__builtin_extract_return_addr(__builtin_return_address(0)))

/// One process-wide callback place of the kind "install and get the previous one back": every
/// installation is remembered with its owner, so that revoking a module's callbacks falls back
/// to the nearest one installed before them that is still there. The previous callback handed
/// out by Set, installed again, puts back exactly that installation (a capture sink restoring
/// what it replaced does not pile up copies). Thread-safe.
template <class Sig>
class TCallbackSlot;

template <class R, class... A>
class TCallbackSlot<R(A...)> {
public:
    using TCallback = std::function<R(A...)>;

    struct TEntry {
        TCallback Callback;  // emptied when revoked
        TCallbackOwner Owner;
        std::shared_ptr<TEntry> Previous;
        bool Revoked = false;
    };

    /// Installs Callback (empty: none) for the code at InstallerAddress; returns the one before.
    TCallback Set(TCallback Callback, const void* InstallerAddress) {
        std::shared_ptr<TEntry> replaced;
        {
            std::lock_guard guard(FLock);
            replaced = FTop;
            if (!Callback) {
                FTop = nullptr;
            } else if (const auto* restore = Callback.template target<TRestore>()) {
                FTop = Live(restore->Entry);
            } else {
                const TCallbackOwner owner = OwnerOfCallback(Callback, InstallerAddress);
                FTop = std::make_shared<TEntry>(TEntry{std::move(Callback), owner, FTop, false});
                std::erase_if(FAll, [](const std::weak_ptr<TEntry>& e) { return e.expired(); });
                FAll.push_back(FTop);
            }
            FAny.store(FTop != nullptr, std::memory_order_release);
        }
        return replaced ? TCallback(TRestore{std::move(replaced)}) : TCallback();
    }

    /// The installation to call, held for the call; nullptr when none is installed.
    std::shared_ptr<const TEntry> Current() const {
        // Mostly nothing is installed (a headless host, a test): asked on every change of every
        // control, that answer must not cost a lock.
        if (!FAny.load(std::memory_order_acquire)) return nullptr;
        std::lock_guard guard(FLock);
        return FTop;
    }
    bool Installed() const { return FAny.load(std::memory_order_acquire); }

    /// Takes out every installation that belongs to Module and destroys its callable now,
    /// while the module's code is still there. True when anything was taken out.
    bool Revoke(const void* Module) {
        std::vector<TCallback> dropped;  // destroyed after the lock is given back
        {
            std::lock_guard guard(FLock);
            for (const std::weak_ptr<TEntry>& weak : FAll)
                if (const std::shared_ptr<TEntry> entry = weak.lock(); entry && !entry->Revoked &&
                                                                      entry->Owner.BelongsTo(Module)) {
                    entry->Revoked = true;
                    dropped.push_back(std::move(entry->Callback));
                    entry->Callback = nullptr;
                }
            if (dropped.empty()) return false;
            FTop = Live(FTop);
            for (TEntry* entry = FTop.get(); entry != nullptr; entry = entry->Previous.get())
                entry->Previous = Live(entry->Previous);
            FAny.store(FTop != nullptr, std::memory_order_release);
        }
        return true;
    }

private:
    // What Set hands out for the installation it replaced.
    struct TRestore {
        std::shared_ptr<TEntry> Entry;
        R operator()(A... Args) const {
            if (Entry->Callback) return Entry->Callback(std::forward<A>(Args)...);
            return R();
        }
    };

    static std::shared_ptr<TEntry> Live(std::shared_ptr<TEntry> Entry) {
        while (Entry && Entry->Revoked) Entry = Entry->Previous;
        return Entry;
    }

    mutable std::mutex FLock;
    std::shared_ptr<TEntry> FTop;
    std::atomic<bool> FAny{false};  // FTop != nullptr, written under the lock
    std::vector<std::weak_ptr<TEntry>> FAll;  // every installation some holder still keeps
};

}  // namespace zarix
