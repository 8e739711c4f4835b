// The observers of library unloads.
#include "platform/os/module_unload.h"

#include "platform/os/callback_owner.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace zarix {
namespace {

struct TObserver {
    uint64_t Key;
    TModuleUnloadObserver Observer;
    TCallbackOwner Owner;
};

struct TObservers {
    std::mutex Lock;
    std::vector<TObserver> List;
    uint64_t LastKey = 0;
};

TObservers& Observers() {
    static TObservers observers;
    return observers;
}

}  // namespace

[[gnu::noinline]] uint64_t AddModuleUnloadObserver(TModuleUnloadObserver Observer) {
    const TCallbackOwner owner = OwnerOfCallback(Observer, ZARIX_CALLER_ADDRESS());
    TObservers& o = Observers();
    std::lock_guard guard(o.Lock);
    o.List.push_back(TObserver{++o.LastKey, std::move(Observer), owner});
    return o.LastKey;
}

void RemoveModuleUnloadObserver(uint64_t Key) noexcept {
    TModuleUnloadObserver gone;  // destroyed after the lock is given back: its destructor may add one
    TObservers& o = Observers();
    std::lock_guard guard(o.Lock);
    const auto at = std::find_if(o.List.begin(), o.List.end(), [Key](const TObserver& e) { return e.Key == Key; });
    if (at == o.List.end()) return;
    gone.swap(at->Observer);
    o.List.erase(at);
}

std::size_t ModuleUnloadObserverCount() noexcept {
    TObservers& o = Observers();
    std::lock_guard guard(o.Lock);
    return o.List.size();
}

void NotifyModuleUnload(const TModuleUnload& Unload, void (*Failed)(std::exception_ptr Error) noexcept) noexcept {
    TObservers& o = Observers();
    try {
        std::vector<TObserver> own;
        std::vector<uint64_t> keys;
        {
            std::lock_guard guard(o.Lock);
            for (auto it = o.List.begin(); it != o.List.end();) {
                if (it->Owner.BelongsTo(Unload.Module)) {
                    own.push_back(std::move(*it));
                    it = o.List.erase(it);
                } else {
                    keys.push_back(it->Key);
                    ++it;
                }
            }
        }
        own.clear();  // the library's own observers go while its code is still there
        // Looked up again before each call: an observer may remove itself or another.
        for (const uint64_t key : keys) {
            TModuleUnloadObserver observer;
            {
                std::lock_guard guard(o.Lock);
                for (const TObserver& entry : o.List)
                    if (entry.Key == key) observer = entry.Observer;
            }
            try {
                if (observer) observer(Unload);
            } catch (...) {
                if (Failed != nullptr) Failed(std::current_exception());
            }
        }
    } catch (...) {
        if (Failed != nullptr) Failed(std::current_exception());
    }
}

}  // namespace zarix
