// One instance per class for the whole process.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"

#include <typeinfo>

namespace zarix {

class TSingleton;

namespace detail {
ZARIX_API TSingleton& SingletonInstance(const char* key, TSingleton* (*create)());
}

/// Base of classes with one instance per process. Instance<T>() builds T's instance on first
/// use and calls its CreateSingleton once; every later call, from the host or any plugin
/// library, returns the same object. Instances are destroyed in reverse order of creation when
/// the process ends, or earlier with ReleaseSingletonsOfModule.
class ZARIX_API TSingleton : public TObject {
    ZARIX_CLASS(TSingleton, TObject)
    ~TSingleton() override;

    template <class T>
    static T& Instance() {
        // Keyed by the mangled type name, which is the same in every library of the process.
        return static_cast<T&>(detail::SingletonInstance(typeid(T).name(), [] () -> TSingleton* { return new T(); }));
    }

protected:
    friend TSingleton& detail::SingletonInstance(const char*, TSingleton* (*)());
    TSingleton();
    /// Called once, right after the one instance has been constructed.
    virtual void CreateSingleton();
};

/// Destroys the singletons whose class lives in Module (as ModuleOfHandle names it); called
/// before that library is unloaded, since their code goes with it.
ZARIX_API void ReleaseSingletonsOfModule(const void* Module);

}  // namespace zarix
