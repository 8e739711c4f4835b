// The component model: persistent objects that can be assigned, components that own
// components, free notification, weak references and the global name-space lock.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"

#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

namespace zarix {

class TPersistent;
class TComponent;

/// An event bound to an object: "assigned" means non-empty.
using TNotifyEvent = std::function<void(TObject* Sender)>;

/// An object that can copy another's state with Assign.
class ZARIX_API TPersistent : public TObject {
    ZARIX_CLASS(TPersistent, TObject)
    ~TPersistent() override;

    /// Copies Source into this object. The base asks Source to AssignTo this object and, when
    /// neither class knows the other, raises EConvertError "Cannot assign a X to a Y".
    virtual void Assign(const TPersistent* Source);

protected:
    virtual void AssignTo(TPersistent* Dest) const;
    /// The object that owns this one in the persistence tree; nullptr at the root.
    virtual TPersistent* GetOwner() const { return nullptr; }
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};

enum class TOperation : uint8_t { opInsert, opRemove };

/// Component state flags; only design mode and destruction matter here.
struct TComponentState {
    bool Designing = false;
    bool Destroying = false;
};

namespace detail {
// The control block of weak references: cleared when its component dies.
struct WeakBlock {
    TComponent* Target;
};
}  // namespace detail

/// A component: owned by at most one owner, owns the components created with it as owner and
/// destroys them with itself; tells the components that asked for it when it is freed.
class ZARIX_API TComponent : public TPersistent {
    ZARIX_CLASS(TComponent, TPersistent)
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const noexcept { return FOwner; }
    const std::string& Name() const noexcept { return FName; }
    /// Renames the component; raises EComponentError when the owner already owns a component of
    /// that name (compared without regard to ASCII case). An empty name is always allowed.
    virtual void SetName(const std::string& NewName);

    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    /// The owned component at Index; raises EListError when out of range.
    TComponent* Components(int Index) const;
    TComponent* FindComponent(std::string_view AName) const noexcept;

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);

    const TComponentState& ComponentState() const noexcept { return FState; }
    bool IsDesigning() const noexcept { return FState.Designing; }
    /// Design mode spreads to the components this one owns, as the designer expects.
    void SetDesigning(bool Value);

    /// Asks to be told (through Notification) when AComponent is destroyed, and tells
    /// AComponent the same about this one.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

protected:
    /// Called when a component this one owns is inserted or removed, or one it watches through
    /// FreeNotification is destroyed. During opRemove the component may be being destroyed:
    /// compare its address, do not call it.
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    TPersistent* GetOwner() const override;

private:
    friend class TWeakBase;
    const std::shared_ptr<detail::WeakBlock>& WeakBlock();
    void DestroyComponents();
    void ValidateRename(const std::string& NewName) const;

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FState;
    std::shared_ptr<detail::WeakBlock> FWeak;
};

class ZARIX_API TWeakBase {
protected:
    TWeakBase() = default;
    explicit TWeakBase(TComponent* target);
    TComponent* Target() const noexcept { return FBlock ? FBlock->Target : nullptr; }
    void Reset(TComponent* target);

private:
    std::shared_ptr<detail::WeakBlock> FBlock;
};

/// A reference to a component that reads as nullptr once the component is destroyed.
template <class T>
class TWeak : private TWeakBase {
public:
    TWeak() = default;
    TWeak(T* target) : TWeakBase(target) {}
    TWeak& operator=(T* target) {
        Reset(target);
        return *this;
    }
    T* Get() const noexcept { return static_cast<T*>(Target()); }
    T* operator->() const noexcept { return Get(); }
    explicit operator bool() const noexcept { return Target() != nullptr; }
    bool operator==(const T* other) const noexcept { return Get() == other; }
};

/// Removes one occurrence of Value, searching from the end: components are most often freed
/// in the reverse order of their creation, so the one looked for is usually the last.
template <class T>
bool EraseFromEnd(std::vector<T*>& List, const T* Value) {
    for (std::size_t i = List.size(); i-- > 0;) {
        if (List[i] == Value) {
            List.erase(List.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

/// The process-wide lock that guards the component name space while components are built.
ZARIX_API std::shared_mutex& GlobalNameSpace();

/// Holds the global name-space write lock for its lifetime.
class ZARIX_API TNameSpaceWriteGuard {
public:
    TNameSpaceWriteGuard();
    ~TNameSpaceWriteGuard();
    TNameSpaceWriteGuard(const TNameSpaceWriteGuard&) = delete;
    TNameSpaceWriteGuard& operator=(const TNameSpaceWriteGuard&) = delete;
};

}  // namespace zarix
