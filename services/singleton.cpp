// The singleton registry.
#include "services/singleton.h"

#include "platform/os/module_info.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zarix {
namespace {

struct Entry {
    std::string Key;
    TSingleton* Instance;
    const void* Module;
};

struct Registry {
    // Recursive: a singleton's CreateSingleton may ask for another singleton.
    std::recursive_mutex Lock;
    std::vector<Entry> Entries;

    ~Registry() {
        while (!Entries.empty()) {
            TSingleton* instance = Entries.back().Instance;
            Entries.pop_back();
            delete instance;
        }
    }
};

Registry& Singletons() {
    static Registry registry;
    return registry;
}

}  // namespace

ZARIX_DEFINE_CLASS(TSingleton)

TSingleton::TSingleton() = default;
TSingleton::~TSingleton() = default;
void TSingleton::CreateSingleton() {}

TSingleton& detail::SingletonInstance(const char* key, TSingleton* (*create)()) {
    Registry& r = Singletons();
    std::lock_guard guard(r.Lock);
    for (const Entry& e : r.Entries)
        if (e.Key == key) return *e.Instance;
    std::unique_ptr<TSingleton> instance(create());
    // The class belongs to the library that holds its virtual table (where its out-of-line
    // virtual functions are), not to whichever library first asked for the instance.
    const void* vtable = *reinterpret_cast<const void* const*>(instance.get());
    const auto module = ModuleOfAddress(vtable);
    r.Entries.push_back(Entry{key, instance.get(), module ? module->Module : nullptr});
    TSingleton& result = *instance.release();
    try {
        result.CreateSingleton();
    } catch (...) {
        std::erase_if(r.Entries, [&](const Entry& e) { return e.Instance == &result; });
        delete &result;
        throw;
    }
    return result;
}

void ReleaseSingletonsOfModule(const void* Module) {
    if (Module == nullptr) return;
    Registry& r = Singletons();
    std::lock_guard guard(r.Lock);
    for (std::size_t i = r.Entries.size(); i-- > 0;) {
        if (i >= r.Entries.size() || r.Entries[i].Module != Module) continue;
        TSingleton* instance = r.Entries[i].Instance;
        r.Entries.erase(r.Entries.begin() + static_cast<std::ptrdiff_t>(i));
        delete instance;
    }
}

}  // namespace zarix
