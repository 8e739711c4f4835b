// Class descriptors, lookups by name and the process-wide class registry.
#include "platform/rtl/reflection.h"

#include "platform/rtl/name_table.h"
#include "platform/rtl/reflection_cache.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>
#include <mutex>
#include <unordered_map>

namespace zarix {

// Every member visible from the class, its own shadowing its ancestors'. Descriptors never
// change after construction, so the index is built once, from the parent's finished index.
struct TClassInfo::Index {
    TNameTable<const TMethodInfo*> Methods;
    TNameTable<const TPropInfo*> Properties;
};

TClassInfo::TClassInfo(const char* name, TClass parent, std::initializer_list<TPublished> members,
                       const std::type_info* type)
    : FName(name), FParent(parent), FType(type), FIndex(std::make_unique<Index>()) {
    for (const TPublished& m : members) {
        if (const auto* method = std::get_if<TMethodInfo>(&m)) FMethods.push_back(*method);
        else FProperties.push_back(std::get<TPropInfo>(m));
    }
    if (FParent != nullptr) *FIndex = *FParent->FIndex;
    for (const TMethodInfo& m : FMethods) FIndex->Methods[m.Name] = &m;
    for (const TPropInfo& p : FProperties) FIndex->Properties[p.Name] = &p;
}

TClassInfo::~TClassInfo() { detail::gClassesDestroyed.fetch_add(1, std::memory_order_relaxed); }

bool TClassInfo::InheritsFrom(TClass other) const noexcept {
    for (TClass c = this; c != nullptr; c = c->FParent)
        if (c == other) return true;
    return false;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const noexcept {
    const auto* found = FIndex->Methods.Find(name);
    return found == nullptr ? nullptr : *found;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const noexcept {
    const auto* found = FIndex->Properties.Find(name);
    return found == nullptr ? nullptr : *found;
}

TObject::~TObject() = default;

namespace {

// Demangled C++ names of classes without a descriptor of their own, made once per type; empty
// for template instances (helpers such as typed collections), which go by their descriptor.
std::string_view UndeclaredClassName(const std::type_info& type) {
    static std::mutex lock;
    static std::unordered_map<std::string, std::string> names;  // keyed by the mangled name
    std::lock_guard guard(lock);
    auto [it, fresh] = names.try_emplace(type.name());
    if (fresh) {
        int status = 0;
        std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                              &std::free);
        const std::string full = status == 0 && demangled ? demangled.get() : type.name();
        if (full.find('<') == std::string::npos) {
            const auto colon = full.rfind("::");
            it->second = colon == std::string::npos ? full : full.substr(colon + 2);
        }
    }
    return it->second;
}

}  // namespace

std::string_view TObject::ClassName() const {
    const TClassInfo& info = ClassType();
    const std::type_info& actual = typeid(*this);
    if (info.Type() == nullptr || *info.Type() == actual) return info.Name();
    const std::string_view own = UndeclaredClassName(actual);
    return own.empty() ? info.Name() : own;
}

const TClassInfo& TObject::StaticClass() {
    static const TClassInfo info("TObject", nullptr, {}, &typeid(TObject));
    return info;
}

const TClassInfo& TObject::ClassType() const { return StaticClass(); }

namespace detail {

std::atomic<uint64_t> gClassesDestroyed{0};

void RaiseNoProperty(std::string_view name) {
    throw EPropertyError("Property " + std::string(name) + " does not exist");
}

void RaiseReadOnly(std::string_view name) { throw EPropertyError("Property " + std::string(name) + " is read-only"); }

void RaiseOutOfRange(const Variant& v) {
    throw EPropertyError("Property value out of range: " + v.AsString());
}

void RaiseInvalidEnum(const TEnumInfo& info, const std::string& text) {
    throw EPropertyError("Invalid property value: '" + text + "' is not a value of " + std::string(info.Name()));
}

void RaiseWrongClass(const TObject& object, const TClassInfo& wanted) {
    throw EPropertyError("Invalid property value: an object of class " + std::string(object.ClassName()) +
                         " is not a " + std::string(wanted.Name()));
}

void RaiseEventValue(const Variant& v) {
    throw EPropertyError("Invalid property value: an event can only be cleared, not set to a " +
                         std::string(VarTypeName(v.VarType())));
}

}  // namespace detail

Variant GetPropValue(const TObject& obj, std::string_view name) {
    const TPropInfo* prop = obj.ClassType().FindProperty(name);
    if (prop == nullptr || prop->Get == nullptr) detail::RaiseNoProperty(name);
    return prop->Get(obj);
}

void SetPropValue(TObject& obj, std::string_view name, const Variant& value) {
    const TPropInfo* prop = obj.ClassType().FindProperty(name);
    if (prop == nullptr) detail::RaiseNoProperty(name);
    if (prop->Set == nullptr) detail::RaiseReadOnly(name);
    prop->Set(obj, value);
}

namespace {

struct ClassRegistry {
    std::mutex Lock;
    std::vector<TClass> Classes;
};

ClassRegistry& Registry() {
    static ClassRegistry registry;
    return registry;
}

}  // namespace

void RegisterClass(const TClassInfo& cls) {
    ClassRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    if (std::find(r.Classes.begin(), r.Classes.end(), &cls) == r.Classes.end()) r.Classes.push_back(&cls);
}

void UnRegisterClass(const TClassInfo& cls) {
    ClassRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    std::erase(r.Classes, &cls);
}

void UnRegisterClassesWhere(const std::function<bool(TClass)>& predicate) {
    ClassRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    std::erase_if(r.Classes, predicate);
}

TClass FindClass(std::string_view name) noexcept {
    ClassRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    for (TClass c : r.Classes)
        if (SameText(c->Name(), name)) return c;
    return nullptr;
}

}  // namespace zarix
