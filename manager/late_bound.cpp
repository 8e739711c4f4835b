// Calls of one plugin's published methods and exposed objects' properties by another, by name.
#include "manager/ZarixPluginManager.h"

#include "manager/call_index.h"
#include "services/exception_handler.h"

namespace zarix {

Variant TZarixPluginManager::methodByName(const std::string& APluginName, const std::string& AMethodName,
                                          TConstArray AParams, TForm* ParentForm) {
    // While the method runs, its plugin is among those whose code is on the stack: an unload of
    // it from there (by the method itself, or by whatever it calls) waits until the outermost
    // such call or broadcast returns, rather than unmapping the code the method returns into.
    struct TInMethod {
        TZarixPluginManager& Manager;
        TInMethod(TZarixPluginManager& Manager, const TZarixPlugin* Plugin) : Manager(Manager) {
            Manager.FInHandler.push_back(Plugin);
        }
        ~TInMethod() {
            Manager.FInHandler.pop_back();
            if (Manager.FInHandler.empty() && Manager.FBroadcastDepth == 0 && !Manager.FDeferredUnloads.empty())
                Manager.RunDeferredUnloads();
        }
        TInMethod(const TInMethod&) = delete;
        TInMethod& operator=(const TInMethod&) = delete;
    };
    // The result is the empty text unless the method returns one: it is made only on the paths
    // that need it, so a call that succeeds costs the look-ups and the call alone.
    try {
        TRecentCalls<TCallIndex::TMethodTarget>* recent = FCallIndex->RecentMethods();
        if (recent != nullptr)
            if (const TCallIndex::TMethodTarget* known = recent->Find(APluginName, AMethodName)) {
                // Copied out: the method may call by name in turn and take the slot.
                const TCallIndex::TMethodTarget target = *known;
                const TInMethod in(*this, target.Plugin);
                return target.Method(AParams, ParentForm);
            }
        const uint64_t generation = LateBoundGeneration();
        TZarixPlugin* plugin = FCallIndex->Plugin(FPlugins, APluginName);
        // "Nie znaleziono pluginu" = plugin not found.
        if (plugin == nullptr) throw Exception("Nie znaleziono pluginu " + APluginName);
        const auto method = plugin->MethodAddress<Variant(TConstArray, TForm*)>(AMethodName);
        if (method) {
            if (recent != nullptr) recent->Remember(generation, APluginName, AMethodName, {plugin, method});
            const TInMethod in(*this, plugin);
            return method(AParams, ParentForm);
        }
        // "Method ... not found in plugin ..., or it is not in the published section."
        ZarixExceptionHandler(Exception(""),
                              "Nie znaleziono metody \"" + AMethodName + "\" w pluginie \"" + APluginName +
                                  "\", lub metoda nie jest w sekcji published.",
                              Here());
    } catch (const std::exception& e) {
        // "Blad podczas wolania metody" = error while calling the method.
        ZarixExceptionHandler(e, "Blad podczas wolania metody \"" + AMethodName + "\"", Here());
    }
    return Variant(std::string());
}

namespace {

// The walk over the live lists, from item Item of plugin Plugin on: what ForEachObject goes on
// with when its index cannot be trusted any more.
template <class Visit>
[[gnu::noinline]] void WalkFrom(const std::vector<TZarixPlugin*>& Plugins, std::size_t Plugin, int Item,
                                std::string_view Name, bool Exact, TPropertyCache& Property, Visit& visit) {
    for (std::size_t p = Plugin; p < Plugins.size(); ++p) {
        const TZarixPluginClasses* classes = Plugins[p]->Classes();
        for (int i = p == Plugin ? Item : 0; i < classes->Count(); ++i) {
            const TZarixPluginClass* at = classes->Items(i);
            const bool named = Exact ? at->Class_UserName() == Name : CaseFoldEqual(at->Class_UserName(), Name);
            if (named && at->Class_Object() != nullptr) visit(*at->Class_Object(), Property);
        }
    }
}

// Calls Visit with the object of every Classes item named Name (exactly, or with a to z in any
// case), plugins in load order and items in order, passing over items without an object, and
// with the look-up of property Property in the object's class. The index answers which items
// those are. When a visit changes what the index was built from (a property getter or setter
// may load, unload or rename plugins and items), the rest of the walk goes over the live lists
// from the item after the one visited, as a walk without an index would go on.
template <class Visit>
void ForEachObject(const std::vector<TZarixPlugin*>& Plugins, TCallIndex& Index, std::string_view Name,
                   std::string_view Property, bool Exact, Visit&& visit) {
    const uint64_t generation = LateBoundGeneration();
    TRecentCalls<TCallIndex::TObjectTarget>* recent = Index.RecentObjects();
    const TCallIndex::TObjectTarget* known = recent != nullptr ? recent->Find(Name, Property) : nullptr;
    // Copied out: a visit may call by name in turn and take the slot.
    TCallIndex::TObjectTarget target = known != nullptr ? *known : TCallIndex::TObjectTarget{};
    const TPropertyCache found = target.Property;
    if (known == nullptr) {
        target.First = Index.FirstClass(Plugins, Name);
        // Something changed while the index was being built: it cannot be trusted for this call.
        if (LateBoundGeneration() != generation) return WalkFrom(Plugins, 0, 0, Name, Exact, target.Property, visit);
    }
    for (int next = target.First; next >= 0;) {
        // Read before the visit, which may rebuild the index.
        const TCallIndex::TAt<TZarixPluginClass>& at = Index.Class(next);
        const std::size_t plugin = at.Plugin;
        const int item = at.Index;
        next = at.Next;
        TPersistent* object = at.Entry->Class_Object();
        if (object == nullptr || (Exact && !SameName(at.Entry->Class_UserName(), Name))) continue;
        visit(*object, target.Property);
        if (LateBoundGeneration() != generation)
            return WalkFrom(Plugins, plugin, item + 1, Name, Exact, target.Property, visit);
    }
    if (recent != nullptr && (known == nullptr || target.Property != found))
        recent->Remember(generation, Name, Property, target);
}

}  // namespace

Variant TZarixPluginManager::getClassValue(const std::string& Class_UserName, const std::string& ParamName) {
    Variant result;
    try {
        ForEachObject(FPlugins, *FCallIndex, Class_UserName, ParamName, false,
                      [&](TPersistent& object, TPropertyCache& property) {
                          try {
                              result = GetPropValue(object, ParamName, property);
                          } catch (...) {
                              throw EPluginError("\"" + Class_UserName + "\" property not found.");
                          }
                      });
    } catch (const EPluginError&) {
        throw;
    } catch (...) {
        throw EPluginError("\"" + Class_UserName + "\" failed getClassValue.");
    }
    return result;
}

void TZarixPluginManager::setClassValue(const std::string& Class_UserName, const std::string& ParamName,
                                        const Variant& Value) {
    try {
        // Unlike reading, writing matches the name exactly, letter case included.
        ForEachObject(FPlugins, *FCallIndex, Class_UserName, ParamName, true,
                      [&](TPersistent& object, TPropertyCache& property) {
                          SetPropValue(object, ParamName, Value, property);
                      });
    } catch (...) {
        throw EPluginError("\"" + Class_UserName + "\" failed setClassValue.");
    }
}

}  // namespace zarix
