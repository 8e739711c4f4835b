// Calls of one plugin's published methods and exposed objects' properties by another, by name.
#include "manager/ZarixPluginManager.h"

#include "manager/call_index.h"
#include "services/exception_handler.h"

namespace zarix {

Variant TZarixPluginManager::methodByName(const std::string& APluginName, const std::string& AMethodName,
                                          TConstArray AParams, TForm* ParentForm) {
    // The result is the empty text unless the method returns one: it is made only on the paths
    // that need it, so a call that succeeds costs the look-ups and the call alone.
    try {
        TZarixPlugin* plugin = FCallIndex->Plugin(FPlugins, APluginName);
        // "Nie znaleziono pluginu" = plugin not found.
        if (plugin == nullptr) throw Exception("Nie znaleziono pluginu " + APluginName);
        auto method = plugin->MethodAddress<Variant(TConstArray, TForm*)>(AMethodName);
        if (method) return method(AParams, ParentForm);
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

// Calls Visit with the object of every Classes item named Name (exactly, or with a to z in any
// case), plugins in load order and items in order, passing over items without an object. The
// index answers which items those are. When a visit changes what the index was built from (a
// property getter or setter may load, unload or rename plugins and items), the rest of the walk
// goes over the live lists from the item after the one visited, as a walk without an index
// would go on.
template <class Visit>
void ForEachObject(const std::vector<TZarixPlugin*>& Plugins, TCallIndex& Index, std::string_view Name, bool Exact,
                   Visit&& visit) {
    const auto walkFrom = [&](std::size_t plugin, int item) {
        for (std::size_t p = plugin; p < Plugins.size(); ++p) {
            const TZarixPluginClasses* classes = Plugins[p]->Classes();
            for (int i = p == plugin ? item : 0; i < classes->Count(); ++i) {
                const TZarixPluginClass* at = classes->Items(i);
                const bool named = Exact ? at->Class_UserName() == Name : CaseFoldEqual(at->Class_UserName(), Name);
                if (named && at->Class_Object() != nullptr) visit(*at->Class_Object());
            }
        }
    };
    const uint64_t generation = LateBoundGeneration();
    int next = Index.FirstClass(Plugins, Name);
    // Something changed while the index was being built: it cannot be trusted for this call.
    if (LateBoundGeneration() != generation) return walkFrom(0, 0);
    while (next >= 0) {
        // Copied before the visit, which may rebuild the index.
        const TCallIndex::TAt<TZarixPluginClass> at = Index.Class(next);
        next = at.Next;
        TPersistent* object = at.Entry->Class_Object();
        if (object == nullptr || (Exact && at.Entry->Class_UserName() != Name)) continue;
        visit(*object);
        if (LateBoundGeneration() != generation) return walkFrom(at.Plugin, at.Index + 1);
    }
}

}  // namespace

Variant TZarixPluginManager::getClassValue(const std::string& Class_UserName, const std::string& ParamName) {
    Variant result;
    try {
        ForEachObject(FPlugins, *FCallIndex, Class_UserName, false, [&](TPersistent& object) {
            try {
                result = GetPropValue(object, ParamName);
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
        ForEachObject(FPlugins, *FCallIndex, Class_UserName, true,
                      [&](TPersistent& object) { SetPropValue(object, ParamName, Value); });
    } catch (...) {
        throw EPluginError("\"" + Class_UserName + "\" failed setClassValue.");
    }
}

}  // namespace zarix
