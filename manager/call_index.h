// TCallIndex: the names that calls between plugins look up (plugin names, routine names,
// exposed object names), indexed so that a call finds its target without walking every plugin.
#pragma once

#include "platform/rtl/name_table.h"
#include "plugin/plugin_collections.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

namespace zarix {

class TZarixPlugin;

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
        TZarixPlugin* const* found = FPlugins.Find(Name);
        return found == nullptr ? nullptr : *found;
    }
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
    std::mutex FLock;
    std::atomic<uint64_t> FPluginsBuiltAt{0};
    TNameTable<TZarixPlugin*, std::string_view> FPlugins;
    TItems<TZarixPluginMethod> FMethods;
    TItems<TZarixPluginClass> FClasses;
};

}  // namespace zarix
