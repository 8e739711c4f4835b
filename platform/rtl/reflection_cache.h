// TPropertyCache: a property found by name, kept for the next read or write of the same name,
// for callers that reach one property of many objects of few classes again and again.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace zarix {

namespace detail {
// Counts the class descriptors destroyed (their library unloaded): the address of one may then
// be taken by another.
ZARIX_API extern std::atomic<uint64_t> gClassesDestroyed;
[[noreturn]] ZARIX_API void RaiseNoProperty(std::string_view name);
[[noreturn]] ZARIX_API void RaiseReadOnly(std::string_view name);
}  // namespace detail

/// The property one name finds in the class asked last: asking again about the same class
/// costs no hash of the name. Its owner asks it always with the same name.
class TPropertyCache {
public:
    const TPropInfo* Find(const TClassInfo& cls, std::string_view name) noexcept {
        const uint64_t destroyed = detail::gClassesDestroyed.load(std::memory_order_relaxed);
        if (&cls != FClass || destroyed != FDestroyedAt) {
            FProperty = cls.FindProperty(name);
            FClass = &cls;
            FDestroyedAt = destroyed;
        }
        return FProperty;
    }
    /// True when cls is the class asked last and no class went since; Property is then what
    /// was found (nullptr: nothing). Reads only, so a copy can be asked.
    bool Knows(const TClassInfo& cls, const TPropInfo*& Property) const noexcept {
        if (&cls != FClass || detail::gClassesDestroyed.load(std::memory_order_relaxed) != FDestroyedAt) return false;
        Property = FProperty;
        return true;
    }
    bool operator==(const TPropertyCache&) const = default;

private:
    const TClassInfo* FClass = nullptr;
    const TPropInfo* FProperty = nullptr;
    uint64_t FDestroyedAt = 0;
};

/// GetPropValue and SetPropValue, with the same errors, for a caller that reads or writes one
/// name repeatedly.
inline Variant GetPropValue(const TObject& obj, std::string_view name, TPropertyCache& cache) {
    const TPropInfo* prop = cache.Find(obj.ClassType(), name);
    if (prop == nullptr || prop->Get == nullptr) detail::RaiseNoProperty(name);
    return prop->Get(obj);
}
inline void SetPropValue(TObject& obj, std::string_view name, const Variant& value, TPropertyCache& cache) {
    const TPropInfo* prop = cache.Find(obj.ClassType(), name);
    if (prop == nullptr) detail::RaiseNoProperty(name);
    if (prop->Set == nullptr) detail::RaiseReadOnly(name);
    prop->Set(obj, value);
}

}  // namespace zarix
