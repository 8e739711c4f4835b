// TCallIndex: the names that calls between plugins look up (plugin names, routine names,
// exposed object names), indexed so that a call finds its target without walking every plugin.
#pragma once

#include "platform/rtl/name_table.h"
#include "platform/rtl/reflection_cache.h"
#include "plugin/plugin_collections.h"

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zarix {

class TZarixPlugin;

/// A == B, inline: memcmp's call costs as much as comparing a short name.
[[gnu::always_inline]] inline bool SameName(std::string_view A, std::string_view B) noexcept {
    const std::size_t n = A.size();
    if (n != B.size()) return false;
    if (n < 8) return detail::Pack(A.data(), n) == detail::Pack(B.data(), n);
    for (std::size_t at = 0; at + 8 < n; at += 8)
        if (detail::Load8(A.data() + at) != detail::Load8(B.data() + at)) return false;
    return detail::Load8(A.data() + n - 8) == detail::Load8(B.data() + n - 8);
}

/// The targets of the latest calls by name, by the exact texts of their one or two names. A
/// target found while the count of LateBoundGeneration() stood at G is the target of the same
/// names for as long as the count stays at G, so a remembered one is answered only then: a
/// repeated call costs a comparison of a few words instead of a case-folding hash of each name.
/// Direct-mapped: a call whose slot another pair of names took finds its target the long way.
template <class Target>
class TRecentCalls {
public:
    /// The target remembered for exactly First and Second; nullptr when there is none, or the
    /// count moved since it was found. Always inlined: the call and its saving of registers
    /// would cost a third of the look-up.
    [[gnu::always_inline]] const Target* Find(std::string_view First, std::string_view Second) const noexcept {
        const TKey first = TKey::Of(First), second = TKey::Of(Second);
        const TSlot& slot = FSlots[SlotOf(first, second)];
        if (slot.Generation != LateBoundGeneration() || slot.FirstKey != first || slot.SecondKey != second ||
            !SameMiddle(slot.First, First) || !SameMiddle(slot.Second, Second))
            return nullptr;
        return &slot.Value;
    }
    /// Remembers Value for First and Second, found with the count at Generation (read before
    /// looking: a change made while looking leaves the slot stale, never wrong).
    void Remember(uint64_t Generation, std::string_view First, std::string_view Second, const Target& Value) noexcept {
        const TKey first = TKey::Of(First), second = TKey::Of(Second);
        TSlot& slot = FSlots[SlotOf(first, second)];
        slot.Generation = 0;  // the count runs from 1: unusable until both names are in
        try {
            slot.First.assign(First);
            slot.Second.assign(Second);
        } catch (...) {
            return;  // no memory for the names: the next call looks again
        }
        slot.FirstKey = first;
        slot.SecondKey = second;
        slot.Value = Value;
        slot.Generation = Generation;
    }

private:
    // A name as its length and its first and last eight bytes, which hold every byte of a name
    // of up to 16 (shorter than eight: packed into one word). Longer names compare the rest.
    struct TKey {
        uint64_t Head = 0, Tail = 0;
        std::size_t Size = 0;
        static TKey Of(std::string_view s) noexcept {
            if (s.size() < 8) return {detail::Pack(s.data(), s.size()), 0, s.size()};
            return {detail::Load8(s.data()), detail::Load8(s.data() + s.size() - 8), s.size()};
        }
        bool operator==(const TKey&) const = default;
    };
    static constexpr std::size_t kSlots = 16;  // SlotOf takes the top four bits of a hash
    struct TSlot {
        uint64_t Generation = 0;
        TKey FirstKey, SecondKey;
        std::string First, Second;
        Target Value{};
    };

    // What the keys of two names of the same length leave out: the bytes between the first and
    // the last eight, which only names longer than 16 have.
    // Most names are that short, and a loop that does not run still costs its set-up.
    static bool SameMiddle(std::string_view a, std::string_view b) noexcept {
        if (a.size() <= 16) return true;
        for (std::size_t at = 8; at + 8 < a.size(); at += 8)
            if (detail::Load8(a.data() + at) != detail::Load8(b.data() + at)) return false;
        return true;
    }
    static std::size_t SlotOf(const TKey& First, const TKey& Second) noexcept {
        const uint64_t first = First.Head ^ std::rotl(First.Tail, 29);
        const uint64_t second = Second.Head ^ std::rotl(Second.Tail, 29);
        const uint64_t h = (first ^ std::rotl(second, 13) ^ (First.Size << 8 | Second.Size)) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> 60);  // the best mixed bits, one per slot
    }

    std::array<TSlot, kSlots> FSlots;
};

/// For each name, every plugin, Methods item or Classes item carrying it (a to z compared
/// without regard to case), in the order of the walk over the plugins in load order and their
/// items in collection order.
///
/// Why it never answers other than the walk would: it records only what LateBoundGeneration()
/// counts the changes of (the plugin list, plugin names, the Methods and Classes items and their
/// names), and each of its three parts is built anew from the live lists at its first use after
/// that count moved. Its keys are the plugins' and items' own texts, which can only change
/// through setters that move the count, so no stale key is ever read. What it does not count (a
/// routine's Address, an item's Class_Object) it does not record: callers read those from the
/// items at the time of the call. Like the manager, it is used on the user-interface thread;
/// the plugin look-up may also be asked from other threads while nothing changes (see
/// TZarixPluginManager::getPluginByName), so a part is built under a lock and published by its
/// stamp, and a look-up that finds its part up to date takes no lock at all.
class TCallIndex {
public:
    /// An item in the walk: the plugin's position in load order, the item's in its collection,
    /// and the position in the index of the next item of the same name (-1 after the last).
    template <class Item>
    struct TAt {
        Item* Entry;
        std::size_t Plugin;
        int Index;
        int Next;
    };
    using TPluginList = std::vector<TZarixPlugin*>;

    /// The first plugin in load order whose name matches; nullptr when none does.
    TZarixPlugin* Plugin(const TPluginList& Plugins, std::string_view Name) {
        if (FPluginsBuiltAt.load(std::memory_order_acquire) != LateBoundGeneration()) BuildPlugins(Plugins);
        const int at = FPluginChains.First(Name);
        return at < 0 ? nullptr : FPluginChains.Items[static_cast<std::size_t>(at)].Entry;
    }
    /// The position of the first plugin in load order whose name matches, -1 when none does;
    /// PluginAt() gives it and the position of the next one of that name.
    int FirstPlugin(const TPluginList& Plugins, std::string_view Name) {
        if (FPluginsBuiltAt.load(std::memory_order_acquire) != LateBoundGeneration()) BuildPlugins(Plugins);
        return FPluginChains.First(Name);
    }
    const TAt<TZarixPlugin>& PluginAt(int At) const { return FPluginChains.Items[static_cast<std::size_t>(At)]; }
    /// The position of the first Methods item whose name matches, -1 when none does; Method()
    /// gives the item and the position of the next one.
    int FirstMethod(const TPluginList& Plugins, std::string_view Name) {
        if (FMethods.BuiltAt.load(std::memory_order_acquire) != LateBoundGeneration()) BuildMethods(Plugins);
        return FMethods.First(Name);
    }
    const TAt<TZarixPluginMethod>& Method(int At) const { return FMethods.Items[static_cast<std::size_t>(At)]; }
    /// The same for the Classes items and their Class_UserName.
    int FirstClass(const TPluginList& Plugins, std::string_view Name) {
        if (FClasses.BuiltAt.load(std::memory_order_acquire) != LateBoundGeneration()) BuildClasses(Plugins);
        return FClasses.First(Name);
    }
    const TAt<TZarixPluginClass>& Class(int At) const { return FClasses.Items[static_cast<std::size_t>(At)]; }

    /// A published method bound to its plugin, as methodByName calls it.
    struct TMethodTarget {
        const TZarixPlugin* Plugin = nullptr;
        TBoundMethod<Variant(TConstArray, TForm*)> Method;
    };
    /// A routine's item and the plugin whose Methods hold it, as ExecuteMethod calls it.
    struct TRoutineTarget {
        const TZarixPlugin* Plugin = nullptr;
        const TZarixPluginMethod* Item = nullptr;
    };
    /// Where the objects of one name begin in the index (see FirstClass), the item and its
    /// plugin when it is the only item of the name (Only.Entry nullptr otherwise), and the
    /// property one name found in the class of the object read last.
    struct TObjectTarget {
        int First = -1;
        TAt<TZarixPluginClass> Only{nullptr, 0, 0, -1};
        const TZarixPlugin* OnlyPlugin = nullptr;
        // Whether Only's name is the looked-up one letter for letter, as writing requires:
        // both texts stay as they are while the count does.
        bool OnlyNamedExactly = false;
        TPropertyCache Property;
    };
    /// The remembered targets of the calls by name (plugin and method names; routine names;
    /// object and property names), for the thread that made the index, the user-interface
    /// thread as the manager's; nullptr on any other, which looks every name up anew. Unlike
    /// the index, they are written by every call that finds its target the long way, so they
    /// belong to one thread.
    TRecentCalls<TMethodTarget>* RecentMethods() noexcept { return OnOwnerThread() ? &FRecentMethods : nullptr; }
    TRecentCalls<TRoutineTarget>* RecentRoutines() noexcept {
        return OnOwnerThread() ? &FRecentRoutines : nullptr;
    }
    TRecentCalls<TObjectTarget>* RecentObjects() noexcept { return OnOwnerThread() ? &FRecentObjects : nullptr; }

private:
    struct TChain {
        int First = -1;
        int Last = -1;
    };
    template <class Item>
    struct TItems {
        std::atomic<uint64_t> BuiltAt{0};  // the count runs from 1: never built means stale
        TNameTable<TChain, std::string_view> Names;
        std::vector<TAt<Item>> Items;
        void Add(std::string_view Name, Item* Entry, std::size_t Plugin, int Index);
        int First(std::string_view Name) const noexcept {
            const TChain* chain = Names.Find(Name);
            return chain == nullptr ? -1 : chain->First;
        }
    };
    // Each part is built anew from the live lists, stamped with the count read before building.
    // A look-up whose part is stale comes here; the builders check the stamp again under the
    // lock, so two threads that found the same part stale build it once.
    void BuildPlugins(const TPluginList& Plugins);
    void BuildMethods(const TPluginList& Plugins);
    void BuildClasses(const TPluginList& Plugins);

    // The plugin look-up is const to the manager's callers, who may ask from another thread
    // while nothing is loaded or unloaded; two of them must not rebuild the same part at once.
    // Nothing is rebuilt while the count stands still, so a reader that saw its part's stamp
    // equal to the count reads a part nobody writes.
    bool OnOwnerThread() const noexcept { return std::this_thread::get_id() == FOwner; }

    const std::thread::id FOwner = std::this_thread::get_id();
    TRecentCalls<TMethodTarget> FRecentMethods;
    TRecentCalls<TRoutineTarget> FRecentRoutines;
    TRecentCalls<TObjectTarget> FRecentObjects;
    std::mutex FLock;
    std::atomic<uint64_t> FPluginsBuiltAt{0};
    TItems<TZarixPlugin> FPluginChains;  // every plugin of each name, in load order
    TItems<TZarixPluginMethod> FMethods;
    TItems<TZarixPluginClass> FClasses;
};

}  // namespace zarix
