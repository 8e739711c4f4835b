// The adapter registry.
#include "qt/adapter_registry.h"

#include "qt/module_classes.h"

#include <algorithm>

namespace zarix::qt {

// The component that asks every mirrored object for its free notification.
class TAdapterRegistry::TWatch : public TComponent {
public:
    explicit TWatch(TAdapterRegistry& Registry) : TComponent(nullptr), FRegistry(Registry) {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == TOperation::opRemove) FRegistry.Freed(AComponent);
    }

private:
    TAdapterRegistry& FRegistry;
};

TAdapterRegistry::TAdapterRegistry() : FWatch(std::make_unique<TWatch>(*this)) {}

TAdapterRegistry::~TAdapterRegistry() {
    Clear();
    FWatch.reset();
}

TAdapter* TAdapterRegistry::Add(std::unique_ptr<TAdapter> Adapter) {
    TComponent* model = Adapter->Model();
    TAdapter* result = Adapter.get();
    Remove(model);
    FAdapters[model] = std::move(Adapter);
    FRoutes[model] = result;
    FOrder.push_back(model);
    FWatch->FreeNotification(model);
    return result;
}

void TAdapterRegistry::WatchPart(TComponent* Part, TAdapter* Adapter) {
    auto [it, added] = FRoutes.try_emplace(Part, Adapter);
    if (!added) {
        it->second = Adapter;
        return;
    }
    FWatch->FreeNotification(Part);
}

void TAdapterRegistry::UnwatchPart(TComponent* Part) {
    if (FAdapters.contains(Part) || FRoutes.erase(Part) == 0) return;
    FWatch->RemoveFreeNotification(Part);
}

TAdapter* TAdapterRegistry::AdapterOf(const TComponent* Model) const {
    auto it = FAdapters.find(Model);
    return it == FAdapters.end() ? nullptr : it->second.get();
}

TAdapter* TAdapterRegistry::Route(const TComponent* Object) const {
    auto it = FRoutes.find(Object);
    return it == FRoutes.end() ? nullptr : it->second;
}

void TAdapterRegistry::Remove(const TComponent* Model) {
    auto it = FAdapters.find(Model);
    if (it == FAdapters.end()) return;
    std::unique_ptr<TAdapter> adapter = std::move(it->second);
    FAdapters.erase(it);
    FRoutes.erase(Model);
    std::erase(FOrder, Model);
    // The model is alive here (the adapter is dropped, not the object): stop watching it.
    FWatch->RemoveFreeNotification(const_cast<TComponent*>(Model));
    Destroy(std::move(adapter));
}

void TAdapterRegistry::Clear() {
    // An adapter's destructor may remove others (a frame takes its children's windows), so
    // take one at a time from the end.
    while (!FOrder.empty()) Remove(FOrder.back());
}

void TAdapterRegistry::RemoveOfModule(const void* Module) {
    TClassesOfModule classes(Module);
    const auto inModule = [&classes](const TComponent* Object) { return classes.Holds(*Object); };
    std::vector<const TComponent*> models;
    for (const TComponent* model : FOrder)
        if (inModule(model)) models.push_back(model);
    // Newest first, and one at a time: a frame's destructor takes its children's adapters.
    for (auto it = models.rbegin(); it != models.rend(); ++it) Remove(*it);
    std::vector<const TComponent*> parts;
    for (const auto& [object, adapter] : FRoutes)
        if (!FAdapters.contains(object) && inModule(object)) parts.push_back(object);
    for (const TComponent* part : parts) {
        auto route = FRoutes.find(part);
        if (route == FRoutes.end()) continue;
        TAdapter* adapter = route->second;
        FRoutes.erase(route);
        auto* object = const_cast<TComponent*>(part);
        FWatch->RemoveFreeNotification(object);
        adapter->PartFreed(object);
    }
}

void TAdapterRegistry::Freed(TComponent* Object) {
    auto route = FRoutes.find(Object);
    if (route == FRoutes.end()) return;
    TAdapter* adapter = route->second;
    auto own = FAdapters.find(Object);
    if (own == FAdapters.end()) {
        FRoutes.erase(route);
        adapter->PartFreed(Object);
        return;
    }
    std::unique_ptr<TAdapter> gone = std::move(own->second);
    FAdapters.erase(own);
    FRoutes.erase(route);
    std::erase(FOrder, Object);
    Destroy(std::move(gone));
}

void TAdapterRegistry::Destroy(std::unique_ptr<TAdapter> Adapter) {
    const TAdapter* gone = Adapter.get();
    Adapter.reset();
    // Parts the adapter watched are still alive (a freed part leaves the routes when it goes).
    std::erase_if(FRoutes, [&](const auto& route) {
        if (route.second != gone) return false;
        FWatch->RemoveFreeNotification(const_cast<TComponent*>(route.first));
        return true;
    });
}

}  // namespace zarix::qt
