// Building the index of the names that calls between plugins look up.
#include "manager/call_index.h"

#include "plugin/zarixplugin.h"

namespace zarix {

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
    const uint64_t now = LateBoundGeneration();
    FPlugins.Clear();
    for (TZarixPlugin* plugin : Plugins) {
        TZarixPlugin*& first = FPlugins[plugin->GetPluginName()];
        if (first == nullptr) first = plugin;
    }
    FPluginsBuiltAt = now;
}

void TCallIndex::BuildMethods(const TPluginList& Plugins) {
    const uint64_t now = LateBoundGeneration();
    FMethods.Names.Clear();
    FMethods.Items.clear();
    for (std::size_t p = 0; p < Plugins.size(); ++p) {
        const TZarixPluginMethods* methods = Plugins[p]->Methods();
        for (int i = 0; i < methods->Count(); ++i) FMethods.Add(methods->Items(i)->GetName(), methods->Items(i), p, i);
    }
    FMethods.BuiltAt = now;
}

void TCallIndex::BuildClasses(const TPluginList& Plugins) {
    const uint64_t now = LateBoundGeneration();
    FClasses.Names.Clear();
    FClasses.Items.clear();
    for (std::size_t p = 0; p < Plugins.size(); ++p) {
        const TZarixPluginClasses* classes = Plugins[p]->Classes();
        for (int i = 0; i < classes->Count(); ++i)
            FClasses.Add(classes->Items(i)->Class_UserName(), classes->Items(i), p, i);
    }
    FClasses.BuiltAt = now;
}

}  // namespace zarix
