// Building the index of the names that calls between plugins look up.
#include "manager/call_index.h"

#include "manager/ZarixPluginManager.h"

#include "plugin/zarixplugin.h"

namespace zarix {

namespace {

// A plugin's own Methods or Classes getter runs while its part is being built, under the lock,
// and may itself call by name. That call would wait forever for the lock its own thread holds,
// so it is refused with a reason instead.
thread_local const TCallIndex* tBuilding = nullptr;

class TBuildingScope {
public:
    explicit TBuildingScope(const TCallIndex* index) : FPrevious(tBuilding) {
        if (tBuilding == index)
            throw EPluginError("a call by name was made while the plugins' routines or objects were being listed");
        tBuilding = index;
    }
    ~TBuildingScope() { tBuilding = FPrevious; }
    TBuildingScope(const TBuildingScope&) = delete;
    TBuildingScope& operator=(const TBuildingScope&) = delete;

private:
    const TCallIndex* FPrevious;
};

}  // namespace

template <class Item>
void TCallIndex::TItems<Item>::Add(std::string_view Name, Item* Entry, std::size_t Plugin, int Index) {
    const int at = static_cast<int>(Items.size());
    Items.push_back({Entry, Plugin, Index, -1});
    TChain& chain = Names[Name];
    if (chain.Last < 0) chain.First = at;
    else Items[static_cast<std::size_t>(chain.Last)].Next = at;
    chain.Last = at;
}

// Each part is stamped with the count read before building: a change made while building (a
// plugin's own collection getter may do anything) leaves it stale, to be built anew next time.

void TCallIndex::BuildPlugins(const TPluginList& Plugins) {
    const TBuildingScope building(this);
    std::lock_guard guard(FLock);
    const uint64_t now = LateBoundGeneration();
    if (FPluginsBuiltAt.load(std::memory_order_relaxed) == now) return;
    FPluginChains.Names.Clear();
    FPluginChains.Items.clear();
    for (std::size_t p = 0; p < Plugins.size(); ++p) FPluginChains.Add(Plugins[p]->GetPluginName(), Plugins[p], p, 0);
    FPluginsBuiltAt.store(now, std::memory_order_release);
}

void TCallIndex::BuildMethods(const TPluginList& Plugins) {
    const TBuildingScope building(this);
    std::lock_guard guard(FLock);
    const uint64_t now = LateBoundGeneration();
    if (FMethods.BuiltAt.load(std::memory_order_relaxed) == now) return;
    FMethods.Names.Clear();
    FMethods.Items.clear();
    for (std::size_t p = 0; p < Plugins.size(); ++p) {
        const TZarixPluginMethods* methods = Plugins[p]->Methods();
        for (int i = 0; i < methods->Count(); ++i) FMethods.Add(methods->Items(i)->GetName(), methods->Items(i), p, i);
    }
    FMethods.BuiltAt.store(now, std::memory_order_release);
}

void TCallIndex::BuildClasses(const TPluginList& Plugins) {
    const TBuildingScope building(this);
    std::lock_guard guard(FLock);
    const uint64_t now = LateBoundGeneration();
    if (FClasses.BuiltAt.load(std::memory_order_relaxed) == now) return;
    FClasses.Names.Clear();
    FClasses.Items.clear();
    for (std::size_t p = 0; p < Plugins.size(); ++p) {
        const TZarixPluginClasses* classes = Plugins[p]->Classes();
        for (int i = 0; i < classes->Count(); ++i)
            FClasses.Add(classes->Items(i)->Class_UserName(), classes->Items(i), p, i);
    }
    FClasses.BuiltAt.store(now, std::memory_order_release);
}

}  // namespace zarix
