// Run-time class information: class names and ancestry, published methods found by name and
// published properties read and written by name through Variants.
#pragma once

#include "platform/rtl/enum_info.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"
#include "platform/rtl/variant.h"

#include <concepts>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <variant>
#include <vector>

namespace zarix {

class TObject;
struct TClassInfo;
using TClass = const TClassInfo*;

/// A published method: its name, its call shape and a thunk that calls it on an object.
struct TMethodInfo {
    std::string Name;
    const char* Signature = nullptr;  // mangled name of the method's function type
    void (*Thunk)() = nullptr;        // R (*)(TObject&, A...), restored by TBoundMethod
};

/// tkClass: a reference to a reflected object; tkRecord: a value type that reads and writes
/// as its text; tkMethod: an event (a std::function).
enum class TTypeKind : uint8_t {
    tkInteger, tkInt64, tkFloat, tkString, tkBoolean, tkEnumeration, tkSet, tkClass, tkRecord, tkMethod
};

/// A published property read and written through Variants.
struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    const TEnumInfo* Enum = nullptr;                   // enumerations and sets
    Variant (*Get)(const TObject&) = nullptr;          // nullptr: write-only
    void (*Set)(TObject&, const Variant&) = nullptr;   // nullptr: read-only
};

using TPublished = std::variant<TMethodInfo, TPropInfo>;

/// Class descriptor. Built once per class; lookups see the class's own members first, then its
/// ancestors', with names compared without regard to ASCII letter case.
struct ZARIX_API TClassInfo {
    TClassInfo(const char* name, TClass parent, std::initializer_list<TPublished> members,
               const std::type_info* type = nullptr);
    ~TClassInfo();
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    std::string_view Name() const noexcept { return FName; }
    /// The C++ type the descriptor was declared for; nullptr for descriptors made by hand.
    const std::type_info* Type() const noexcept { return FType; }
    TClass Parent() const noexcept { return FParent; }
    bool InheritsFrom(TClass other) const noexcept;

    const TMethodInfo* FindMethod(std::string_view name) const noexcept;
    const TPropInfo* FindProperty(std::string_view name) const noexcept;
    /// The class's own published members, in declaration order.
    const std::vector<TMethodInfo>& OwnMethods() const noexcept { return FMethods; }
    const std::vector<TPropInfo>& OwnProperties() const noexcept { return FProperties; }

private:
    struct Index;
    const char* FName;
    TClass FParent;
    const std::type_info* FType;
    std::vector<TMethodInfo> FMethods;
    std::vector<TPropInfo> FProperties;
    std::unique_ptr<Index> FIndex;
};

/// A published method bound to an object, of call shape R(A...). Empty when the name was not
/// found or the method has another shape.
template <class Sig>
class TBoundMethod;
template <class R, class... A>
class TBoundMethod<R(A...)> {
public:
    using Thunk = R (*)(TObject&, A...);
    TBoundMethod() = default;
    TBoundMethod(TObject* self, Thunk thunk) : FSelf(self), FThunk(thunk) {}
    explicit operator bool() const noexcept { return FThunk != nullptr; }
    R operator()(A... args) const { return FThunk(*FSelf, std::forward<A>(args)...); }
    TObject* Data() const noexcept { return FSelf; }

private:
    TObject* FSelf = nullptr;
    Thunk FThunk = nullptr;
};

/// Root of every reflected class.
class ZARIX_API TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject();

    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const;
    /// The run-time class name: the object's own class even when that class declares no
    /// descriptor of its own (then its C++ name without namespaces), so lookups by class name
    /// tell a form class from its ancestors.
    std::string_view ClassName() const;
    bool InheritsFrom(const TClassInfo& cls) const { return ClassType().InheritsFrom(&cls); }

    /// The published method `name` of this object's class or an ancestor, bound to this object.
    template <class Sig>
    TBoundMethod<Sig> MethodAddress(std::string_view name);
};

namespace detail {

template <class Sig>
const char* SignatureOf() {
    return typeid(Sig).name();
}

template <class M>
struct MemberFn;
template <class C, class R, class... A>
struct MemberFn<R (C::*)(A...)> {
    using Class = C;
    using Sig = R(A...);
    template <auto M>
    static R Call(TObject& self, A... args) {
        return (static_cast<C&>(self).*M)(std::forward<A>(args)...);
    }
};
template <class C, class R, class... A>
struct MemberFn<R (C::*)(A...) noexcept> : MemberFn<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct MemberFn<R (C::*)(A...) const> {
    using Class = C;
    using Sig = R(A...);
    template <auto M>
    static R Call(TObject& self, A... args) {
        return (static_cast<const C&>(self).*M)(std::forward<A>(args)...);
    }
};

// The value type a property accessor reads or writes.
template <class M>
struct AccessorValue;
template <class C, class T>
struct AccessorValue<T C::*> {
    using Class = C;
    using Type = T;
};
template <class C, class T>
struct AccessorValue<T (C::*)() const> {
    using Class = C;
    using Type = std::remove_cvref_t<T>;
};
template <class C, class T>
struct AccessorValue<T (C::*)() const noexcept> : AccessorValue<T (C::*)() const> {};
template <class C, class T>
struct AccessorValue<void (C::*)(T)> {
    using Class = C;
    using Type = std::remove_cvref_t<T>;
};
template <class C, class T>
struct AccessorValue<void (C::*)(T) noexcept> : AccessorValue<void (C::*)(T)> {};

// A pointer to a reflected class: an object property.
template <class T>
concept ObjectReference = std::is_pointer_v<T> && std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>;

// A value type with a text of its own, found by argument-dependent lookup beside the type:
// `std::string ZarixRecordText(const T&)`, and for writing `T ZarixRecordFromText(std::string_view,
// const T*)` (the pointer only picks the overload).
template <class T>
concept TextRecord = requires(const T& r) {
    { ZarixRecordText(r) } -> std::convertible_to<std::string>;
};

template <class T>
struct IsEvent : std::false_type {};
template <class S>
struct IsEvent<std::function<S>> : std::true_type {};

template <class T>
constexpr TTypeKind KindOf() {
    if constexpr (std::is_same_v<T, bool>) return TTypeKind::tkBoolean;
    else if constexpr (ObjectReference<T>) return TTypeKind::tkClass;
    else if constexpr (IsEvent<T>::value) return TTypeKind::tkMethod;
    else if constexpr (TextRecord<T>) return TTypeKind::tkRecord;
    else if constexpr (ReflectedEnum<T>) return TTypeKind::tkEnumeration;
    else if constexpr (requires { T::FromBits(uint64_t{}); }) return TTypeKind::tkSet;
    else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4) return TTypeKind::tkInteger;
    else if constexpr (std::is_integral_v<T>) return TTypeKind::tkInt64;
    else if constexpr (std::is_floating_point_v<T>) return TTypeKind::tkFloat;
    else if constexpr (std::is_convertible_v<T, std::string>) return TTypeKind::tkString;
    else static_assert(sizeof(T) == 0, "this type cannot be a published property");
}

template <class T>
struct SetTraits;
template <class E>
struct SetTraits<TSet<E>> {
    using Enum = E;
};

template <class T>
const TEnumInfo* EnumOf() {
    if constexpr (ReflectedEnum<T>) return &ZarixEnumInfo(T{});
    else if constexpr (KindOf<T>() == TTypeKind::tkSet) return &ZarixEnumInfo(typename SetTraits<T>::Enum{});
    else return nullptr;
}

[[noreturn]] ZARIX_API void RaiseOutOfRange(const Variant& v);
[[noreturn]] ZARIX_API void RaiseInvalidEnum(const TEnumInfo& info, const std::string& text);
[[noreturn]] ZARIX_API void RaiseWrongClass(const TObject& object, const TClassInfo& wanted);
[[noreturn]] ZARIX_API void RaiseEventValue(const Variant& v);

template <class T>
Variant ToVariant(const T& value) {
    if constexpr (std::is_same_v<T, bool>) return Variant(value);
    // An object reads as the reference; an event as whether it is assigned.
    else if constexpr (ObjectReference<T>)
        return Variant::FromObject(const_cast<TObject*>(static_cast<const TObject*>(value)));
    else if constexpr (IsEvent<T>::value) return Variant(static_cast<bool>(value));
    else if constexpr (TextRecord<T>) return Variant(std::string(ZarixRecordText(value)));
    else if constexpr (ReflectedEnum<T>) return Variant(ZarixEnumInfo(value).NameOf(static_cast<int>(value)));
    else if constexpr (KindOf<T>() == TTypeKind::tkSet) return Variant(SetToString(*EnumOf<T>(), value.Bits()));
    else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4 && !std::is_same_v<T, uint32_t>)
        return Variant(static_cast<int32_t>(value));
    else if constexpr (std::is_integral_v<T>) return Variant(static_cast<int64_t>(value));
    else if constexpr (std::is_floating_point_v<T>) return Variant(static_cast<double>(value));
    else return Variant(std::string(value));
}

template <class T>
T FromVariant(const Variant& v) {
    if constexpr (std::is_same_v<T, bool>) return v.AsBoolean();
    else if constexpr (ObjectReference<T>) {
        // Only an object of the property's class (or nil) is taken: never a bare number.
        using Class = std::remove_cv_t<std::remove_pointer_t<T>>;
        TObject* object = v.AsObject();
        if (object == nullptr) return nullptr;
        auto* typed = dynamic_cast<Class*>(object);
        if (typed == nullptr) RaiseWrongClass(*object, Class::StaticClass());
        return typed;
    } else if constexpr (IsEvent<T>::value) {
        // A handler is code: through a Variant an event can only be cleared.
        if (!v.IsEmpty() && !v.IsNull()) RaiseEventValue(v);
        return T{};
    } else if constexpr (TextRecord<T>) {
        return ZarixRecordFromText(std::string_view(v.AsString()), static_cast<const T*>(nullptr));
    } else if constexpr (ReflectedEnum<T>) {
        const TEnumInfo& info = ZarixEnumInfo(T{});
        if (v.VarType() == TVarType::varString) {
            const int value = info.ValueOf(v.AsString());
            if (value < 0) RaiseInvalidEnum(info, v.AsString());
            return static_cast<T>(value);
        }
        const int64_t value = v.AsInt64();
        if (value < 0 || value >= info.Count()) RaiseOutOfRange(v);
        return static_cast<T>(value);
    } else if constexpr (KindOf<T>() == TTypeKind::tkSet) {
        if (v.VarType() == TVarType::varString) return T::FromBits(StringToSet(*EnumOf<T>(), v.AsString()));
        return T::FromBits(static_cast<uint64_t>(v.AsInt64()));
    } else if constexpr (std::is_integral_v<T>) {
        const int64_t value = v.AsInt64();
        if constexpr (sizeof(T) < sizeof(int64_t)) {
            if (value < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
                value > static_cast<int64_t>(std::numeric_limits<T>::max()))
                RaiseOutOfRange(v);
        }
        return static_cast<T>(value);
    } else if constexpr (std::is_floating_point_v<T>) return static_cast<T>(v.AsDouble());
    else return T(v.AsString());
}

template <auto Accessor>
auto ReadAccessor(const TObject& self) {
    using A = AccessorValue<decltype(Accessor)>;
    const auto& obj = static_cast<const typename A::Class&>(self);
    if constexpr (std::is_member_object_pointer_v<decltype(Accessor)>) return obj.*Accessor;
    else return (obj.*Accessor)();
}

template <auto Accessor>
void WriteAccessor(TObject& self, const typename AccessorValue<decltype(Accessor)>::Type& value) {
    using A = AccessorValue<decltype(Accessor)>;
    auto& obj = static_cast<typename A::Class&>(self);
    if constexpr (std::is_member_object_pointer_v<decltype(Accessor)>) obj.*Accessor = value;
    else (obj.*Accessor)(value);
}

}  // namespace detail

/// A published method of a reflected class: PublishedMethod<&TMyPlugin::CustomerName>("CustomerName").
template <auto M>
TMethodInfo PublishedMethod(std::string name) {
    using F = detail::MemberFn<decltype(M)>;
    return TMethodInfo{std::move(name), detail::SignatureOf<typename F::Sig>(),
                       reinterpret_cast<void (*)()>(&F::template Call<M>)};
}

/// A published property read by Getter and written by Setter; either may be a data member, a
/// const getter or a one-argument setter; Setter nullptr makes the property read-only.
template <auto Getter, auto Setter = nullptr>
TPropInfo PublishedProperty(std::string name) {
    using T = typename detail::AccessorValue<decltype(Getter)>::Type;
    TPropInfo info;
    info.Name = std::move(name);
    info.Kind = detail::KindOf<T>();
    info.Enum = detail::EnumOf<T>();
    info.Get = [](const TObject& self) { return detail::ToVariant<T>(detail::ReadAccessor<Getter>(self)); };
    if constexpr (!std::is_same_v<decltype(Setter), std::nullptr_t>) {
        info.Set = [](TObject& self, const Variant& v) {
            detail::WriteAccessor<Setter>(self, detail::FromVariant<T>(v));
        };
    }
    return info;
}

template <class Sig>
TBoundMethod<Sig> TObject::MethodAddress(std::string_view name) {
    const TMethodInfo* m = ClassType().FindMethod(name);
    if (m == nullptr) return {};
    // The same shape has the same name in every module, though not always at the same address.
    const char* signature = detail::SignatureOf<Sig>();
    if (m->Signature != signature && std::strcmp(m->Signature, signature) != 0) return {};
    return TBoundMethod<Sig>(this, reinterpret_cast<typename TBoundMethod<Sig>::Thunk>(m->Thunk));
}

/// Reads a published property by name; enumerations and sets come back as their text.
/// Raises EPropertyError when the class has no readable property of that name.
ZARIX_API Variant GetPropValue(const TObject& obj, std::string_view name);
/// Writes a published property by name, converting the Variant to the property's type
/// (enumerations and sets from their text). Raises EPropertyError when there is no writable
/// property of that name, and the conversion's error when the value does not fit.
ZARIX_API void SetPropValue(TObject& obj, std::string_view name, const Variant& value);

/// Process-wide registry of classes by name, for hosts and tools that create or list classes.
ZARIX_API void RegisterClass(const TClassInfo& cls);
ZARIX_API void UnRegisterClass(const TClassInfo& cls);
ZARIX_API TClass FindClass(std::string_view name) noexcept;
/// Unregisters every class the predicate picks, e.g. those of a library about to be unloaded.
ZARIX_API void UnRegisterClassesWhere(const std::function<bool(TClass)>& predicate);

}  // namespace zarix

/// Put first in the body of a reflected class; leaves the access public. Define the class's
/// descriptor in one source file with ZARIX_DEFINE_CLASS.
#define ZARIX_CLASS(Class, Parent)                                                   \
public:                                                                              \
    using inherited = Parent;                                                        \
    static const ::zarix::TClassInfo& StaticClass();                                 \
    const ::zarix::TClassInfo& ClassType() const override { return StaticClass(); }

/// Defines the descriptor of a class declared with ZARIX_CLASS, listing its published
/// members with ZARIX_METHOD and ZARIX_PROPERTY.
/// The descriptor is built by a function of its own, called once: inlined, its set-up would
/// make every later ClassType() save and restore registers it never uses.
#define ZARIX_DEFINE_CLASS(Class, ...)                                                     \
    const ::zarix::TClassInfo& Class::StaticClass() {                                      \
        struct Build {                                                                     \
            [[gnu::noinline, gnu::cold]] static const ::zarix::TClassInfo& Info() {        \
                using Self [[maybe_unused]] = Class;                                       \
                static const ::zarix::TClassInfo info(#Class, &inherited::StaticClass(), {__VA_ARGS__}, &typeid(Class)); \
                return info;                                                               \
            }                                                                              \
        };                                                                                 \
        static const ::zarix::TClassInfo& info = Build::Info();                            \
        return info;                                                                       \
    }

#define ZARIX_METHOD(Name) ::zarix::PublishedMethod<&Self::Name>(#Name)
/// ZARIX_PROPERTY(Name, Getter[, Setter]): members of the class (data member, getter, setter).
#define ZARIX_PROPERTY(Name, ...) ZARIX_PROPERTY_PICK(__VA_ARGS__, ZARIX_PROPERTY_RW, ZARIX_PROPERTY_RO)(Name, __VA_ARGS__)
#define ZARIX_PROPERTY_PICK(a, b, picked, ...) picked
#define ZARIX_PROPERTY_RW(Name, Getter, Setter) ::zarix::PublishedProperty<&Self::Getter, &Self::Setter>(#Name)
#define ZARIX_PROPERTY_RO(Name, Getter) ::zarix::PublishedProperty<&Self::Getter>(#Name)
