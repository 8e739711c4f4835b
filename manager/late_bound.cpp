// Calls of one plugin's published methods and exposed objects' properties by another, by name.
#include "manager/ZarixPluginManager.h"

#include "manager/call_index.h"
#include "manager/running_plugin.h"
#include "services/exception_handler.h"

namespace zarix {

Variant TZarixPluginManager::methodByName(const std::string& APluginName, const std::string& AMethodName,
                                          TConstArray AParams, TForm* ParentForm) {
    // The result is the empty text unless the method returns one: it is made only on the paths
    // that need it, so a call that succeeds costs the look-ups and the call alone.
    try {
        TRecentCalls<TCallIndex::TMethodTarget>* recent = FCallIndex->RecentMethods();
        if (recent != nullptr)
            if (const TCallIndex::TMethodTarget* known = recent->Find(APluginName, AMethodName)) {
                // Copied out: the method may call by name in turn and take the slot.
                const TCallIndex::TMethodTarget target = *known;
                const TRunningPlugin running(*this, target.Plugin);
                return target.Method(AParams, ParentForm);
            }
        const uint64_t generation = LateBoundGeneration();
        TZarixPlugin* plugin = FCallIndex->Plugin(FPlugins, APluginName);
        // "Nie znaleziono pluginu" = plugin not found.
        if (plugin == nullptr) throw Exception("Nie znaleziono pluginu " + APluginName);
        const auto method = plugin->MethodAddress<Variant(TConstArray, TForm*)>(AMethodName);
        if (method) {
            if (recent != nullptr) recent->Remember(generation, APluginName, AMethodName, {plugin, method});
            const TRunningPlugin running(*this, plugin);
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
            if (named && at->Class_Object() != nullptr) visit(*at->Class_Object(), Property, Plugins[p]);
        }
    }
}

// The remembered target of one pair of names, looked up once per call, with the count it was
// looked up at: both the direct path and the walk start from it.
struct TLookedUp {
    TRecentCalls<TCallIndex::TObjectTarget>* Recent;
    const TCallIndex::TObjectTarget* Known;
    uint64_t Generation;
};

// Inlined, as OnlyKnown: out of line, the calls cost as much as what they do.
[[gnu::always_inline]] inline TLookedUp LookUp(TCallIndex& Index, std::string_view Name,
                                              std::string_view Property) noexcept {
    const uint64_t generation = LateBoundGeneration();
    TRecentCalls<TCallIndex::TObjectTarget>* recent = Index.RecentObjects();
    return {recent, recent != nullptr ? recent->Find(Name, Property) : nullptr, generation};
}

// Calls Visit with the object of every Classes item named Name (exactly, or with a to z in any
// case), plugins in load order and items in order, passing over items without an object, with
// the look-up of property Property in the object's class and with the item's plugin. The
// index answers which items those are. When a visit changes what the index was built from (a
// property getter or setter may load, unload or rename plugins and items), the rest of the walk
// goes over the live lists from the item after the one visited, as a walk without an index
// would go on.
template <class Visit>
void ForEachObject(const std::vector<TZarixPlugin*>& Plugins, TCallIndex& Index, const TLookedUp& Looked,
                   std::string_view Name, std::string_view Property, bool Exact, Visit& visit) {
    const uint64_t generation = Looked.Generation;
    // Copied out: a visit may call by name in turn and take the slot.
    TCallIndex::TObjectTarget target = Looked.Known != nullptr ? *Looked.Known : TCallIndex::TObjectTarget{};
    if (LateBoundGeneration() != generation) return WalkFrom(Plugins, 0, 0, Name, Exact, target.Property, visit);
    const TPropertyCache found = target.Property;
    if (Looked.Known == nullptr) {
        target.First = Index.FirstClass(Plugins, Name);
        // Something changed while the index was being built: it cannot be trusted for this call.
        if (LateBoundGeneration() != generation) return WalkFrom(Plugins, 0, 0, Name, Exact, target.Property, visit);
        if (target.First >= 0 && Index.Class(target.First).Next < 0) {
            target.Only = Index.Class(target.First);
            target.OnlyPlugin = Plugins[target.Only.Plugin];
            target.OnlyNamedExactly = SameName(target.Only.Entry->Class_UserName(), Name);
        }
    }
    for (int next = target.First; next >= 0;) {
        // Read before the visit, which may rebuild the index.
        const TCallIndex::TAt<TZarixPluginClass>& at = Index.Class(next);
        const std::size_t plugin = at.Plugin;
        const int item = at.Index;
        next = at.Next;
        TPersistent* object = at.Entry->Class_Object();
        if (object == nullptr || (Exact && !SameName(at.Entry->Class_UserName(), Name))) continue;
        visit(*object, target.Property, Plugins[plugin]);
        if (LateBoundGeneration() != generation)
            return WalkFrom(Plugins, plugin, item + 1, Name, Exact, target.Property, visit);
    }
    if (Looked.Recent != nullptr && (Looked.Known == nullptr || target.Property != found))
        Looked.Recent->Remember(generation, Name, Property, target);
}

// The common case of a call the manager made before, with nothing changed since: one item of
// the name, holding an object of the class whose property was found last. True with that
// object and property; false for the walk.
[[gnu::always_inline]] inline bool OnlyKnown(const TCallIndex::TObjectTarget* Known, const TPropInfo*& Found,
                                             TPersistent*& Object) noexcept {
    if (Known == nullptr || Known->Only.Entry == nullptr) return false;
    Object = Known->Only.Entry->Class_Object();
    return Object != nullptr && Known->Property.Knows(Object->ClassType(), Found) && Found != nullptr;
}

}  // namespace

Variant TZarixPluginManager::getClassValue(const std::string& Class_UserName, const std::string& ParamName) {
    const auto notFound = [&Class_UserName] { return EPluginError("\"" + Class_UserName + "\" property not found."); };
    // The common case comes first and sets up nothing only the walk needs (its visitor with
    // its captures, a cache): made on every call, those cost as much as the read itself.
    const TLookedUp looked = LookUp(*FCallIndex, Class_UserName, ParamName);
    const TPropInfo* property = nullptr;
    TPersistent* object = nullptr;
    const bool known = OnlyKnown(looked.Known, property, object) && property->Get != nullptr;
    // Copied out: the read may call by name in turn and take the slot.
    const std::size_t plugin = known ? looked.Known->Only.Plugin : 0;
    const int item = known ? looked.Known->Only.Index : -1;
    // Made in place by the getter, rather than assigned from its result.
    Variant result = known ? [&] {
        try {
            const TRunningPlugin running(*this, looked.Known->OnlyPlugin);
            return property->Get(*object);
        } catch (...) {
            throw notFound();
        }
    }() : Variant();
    // Unless the read changed what the index was built from: the walk then goes on after the item.
    if (known && LateBoundGeneration() == looked.Generation) [[likely]]
        return result;
    // Out of line: inlined, the walk's registers and spills are paid by the common case too.
    [&]() __attribute__((noinline)) {
        const auto read = [&](const TPersistent& object, TPropertyCache& property, const TZarixPlugin* plugin) {
            try {
                const TRunningPlugin running(*this, plugin);
                result = GetPropValue(object, ParamName, property);
            } catch (...) {
                throw notFound();
            }
        };
        try {
            TPropertyCache cache;
            if (item >= 0) WalkFrom(FPlugins, plugin, item + 1, Class_UserName, false, cache, read);
            else ForEachObject(FPlugins, *FCallIndex, looked, Class_UserName, ParamName, false, read);
        } catch (const EPluginError&) {
            throw;
        } catch (...) {
            throw EPluginError("\"" + Class_UserName + "\" failed getClassValue.");
        }
    }();
    return result;
}

void TZarixPluginManager::setClassValue(const std::string& Class_UserName, const std::string& ParamName,
                                        const Variant& Value) {
    // As reading: the common case first, with nothing set up that only the walk needs.
    const TLookedUp looked = LookUp(*FCallIndex, Class_UserName, ParamName);
    const TPropInfo* property = nullptr;
    TPersistent* object = nullptr;
    std::size_t plugin = 0;
    int item = -1;
    try {
        if (OnlyKnown(looked.Known, property, object) && property->Set != nullptr) {
            // Unlike reading, writing matches the name exactly, letter case included.
            if (!looked.Known->OnlyNamedExactly) return;
            // Copied out: the write may call by name in turn and take the slot.
            plugin = looked.Known->Only.Plugin;
            item = looked.Known->Only.Index;
            {
                const TRunningPlugin running(*this, looked.Known->OnlyPlugin);
                property->Set(*object, Value);
            }
            if (LateBoundGeneration() == looked.Generation) [[likely]]
                return;
        }
    } catch (...) {
        throw EPluginError("\"" + Class_UserName + "\" failed setClassValue.");
    }
    [&]() __attribute__((noinline)) {
        const auto write = [&](TPersistent& object, TPropertyCache& property, const TZarixPlugin* plugin) {
            const TRunningPlugin running(*this, plugin);
            SetPropValue(object, ParamName, Value, property);
        };
        try {
            TPropertyCache cache;
            if (item >= 0) WalkFrom(FPlugins, plugin, item + 1, Class_UserName, true, cache, write);
            else ForEachObject(FPlugins, *FCallIndex, looked, Class_UserName, ParamName, true, write);
        } catch (...) {
            throw EPluginError("\"" + Class_UserName + "\" failed setClassValue.");
        }
    }();
}

}  // namespace zarix
