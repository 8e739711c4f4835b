// Whether objects are of classes a given library defines, for dropping what a library leaves
// behind in the front-end before it is unloaded.
#pragma once

#include "platform/os/module_info.h"

#include <typeinfo>
#include <unordered_map>

namespace zarix::qt {

/// Answers per class, not per object: asking the loader whose a class is walks every loaded
/// library, and a desktop's thousands of widgets and menu items are of a few dozen classes.
class TClassesOfModule {
public:
    explicit TClassesOfModule(const void* Module) : FModule(Module) {}

    /// A class's type information lies in the library that defines its virtual functions.
    template <class T>
    bool Holds(const T& Object) {
        const std::type_info* type = &typeid(Object);
        const auto [at, fresh] = FKnown.try_emplace(type, false);
        if (fresh) at->second = ModuleOfCode(type) == FModule;
        return at->second;
    }

private:
    const void* FModule;
    std::unordered_map<const std::type_info*, bool> FKnown;
};

}  // namespace zarix::qt
