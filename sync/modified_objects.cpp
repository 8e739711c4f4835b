// The modified-objects registry: which record of which table changed since the windows were
// last refreshed.
#include "sync/sync.h"

#include "services/exception_handler.h"

#include <atomic>

namespace zarix {

TModifiedObjects* fModifiedObject = nullptr;

ZARIX_DEFINE_CLASS(TModifiedObjects)

TModifiedObjects::TModifiedObjects() = default;

TModifiedObjects::~TModifiedObjects() {
    TModifiedObjects* self = this;
    std::atomic_ref(fModifiedObject).compare_exchange_strong(self, nullptr);
}

void TModifiedObjects::CreateSingleton() {
    ModifiedValues.assign(Capacity, TModifiedObject{});
    ilosc = 0;
    std::atomic_ref(fModifiedObject).store(this);
}

TModifiedObjects& ModifiedObjects() {
    // Set by CreateSingleton; assigned here too in case someone has reset the variable. Read
    // and written atomically: the first use may come from two threads at once.
    std::atomic_ref pointer(fModifiedObject);
    if (TModifiedObjects* registry = pointer.load()) return *registry;
    TModifiedObjects& registry = TSingleton::Instance<TModifiedObjects>();
    pointer.store(&registry);
    return registry;
}

int32_t TModifiedObjects::AddModifiedObject(const std::string& TableName, int32_t OrigId) {
    try {
        // Table names compare with case: "Towary" and "TOWARY" are two tables here.
        for (int32_t i = 0; i < ilosc; ++i) {
            TModifiedObject& entry = ModifiedValues[static_cast<std::size_t>(i)];
            if (entry.TableName == TableName) {
                entry.OrigId = OrigId;
                entry.IsSet = true;
                return 0;
            }
        }
        // A 17th table is dropped unreported: the saving window must not be disturbed, and
        // the refresh that follows re-reads the windows anyway.
        if (ilosc < Capacity) {
            TModifiedObject& entry = ModifiedValues[static_cast<std::size_t>(ilosc)];
            entry.TableName = TableName;   // first: if the copy fails, the entry stays unused
            entry.OrigId = OrigId;
            entry.IsSet = true;
            ++ilosc;
        }
    } catch (const std::exception& e) {
        ZarixExceptionHandler(e, "TModifiedObjects.AddModifiedObject", Here());
    }
    return 0;
}

const TModifiedObject* TModifiedObjects::InUse(int32_t Index) const noexcept {
    if (Index < 0 || Index >= ilosc) return nullptr;
    const TModifiedObject& entry = ModifiedValues[static_cast<std::size_t>(Index)];
    return entry.IsSet ? &entry : nullptr;
}

std::string TModifiedObjects::GetModifiedTableName(int32_t Index) const {
    const TModifiedObject* entry = InUse(Index);
    return entry ? entry->TableName : std::string();
}

int32_t TModifiedObjects::GetModifiedOrigIdValue(int32_t Index) const noexcept {
    const TModifiedObject* entry = InUse(Index);
    return entry ? entry->OrigId : 0;
}

// Names and identifiers stay in the entries until overwritten; IsSet and Count hide them.
void TModifiedObjects::ClearModifiedObjects() noexcept {
    for (TModifiedObject& entry : ModifiedValues) entry.IsSet = false;
    ilosc = 0;
}

}  // namespace zarix
