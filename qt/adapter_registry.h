// Which adapter mirrors which model object, and the free notification that ends an adapter
// when its object goes.
#pragma once

#include "qt/adapter.h"

#include <memory>
#include <unordered_map>

namespace zarix::qt {

class TAdapterRegistry {
public:
    TAdapterRegistry();
    ~TAdapterRegistry();
    TAdapterRegistry(const TAdapterRegistry&) = delete;
    TAdapterRegistry& operator=(const TAdapterRegistry&) = delete;

    /// Takes an adapter for its model; the model is watched until it is freed.
    TAdapter* Add(std::unique_ptr<TAdapter> Adapter);
    /// Routes changes and the free notification of Part (a menu item, a button) to Adapter.
    void WatchPart(TComponent* Part, TAdapter* Adapter);
    void UnwatchPart(TComponent* Part);
    /// The adapter whose model is Model, or nullptr.
    TAdapter* AdapterOf(const TComponent* Model) const;
    /// The adapter that watches Object as its model or a part, or nullptr.
    TAdapter* Route(const TComponent* Object) const;
    /// Destroys the adapter of Model (its widgets with it), leaving the model alone.
    void Remove(const TComponent* Model);
    /// Destroys every adapter, the newest first.
    void Clear();
    /// Before Module is unmapped: destroys the adapters whose model is of a class defined in
    /// it and drops the parts of such classes from the adapters watching them.
    void RemoveOfModule(const void* Module);
    std::size_t Count() const noexcept { return FAdapters.size(); }

private:
    class TWatch;
    void Freed(TComponent* Object);
    void Destroy(std::unique_ptr<TAdapter> Adapter);

    std::unique_ptr<TWatch> FWatch;
    std::unordered_map<const TComponent*, std::unique_ptr<TAdapter>> FAdapters;
    std::unordered_map<const TComponent*, TAdapter*> FRoutes;
    std::vector<const TComponent*> FOrder;  // models in the order their adapters came
};

}  // namespace zarix::qt
