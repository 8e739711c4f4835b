// The component model: assignment, owner trees, free notification and weak references.
#include "platform/rtl/component.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/live_components.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <vector>

namespace zarix {

namespace {

// Free-notification links are kept in pairs, one in each of the two components' lists, and
// each at most once. A registry watching thousands of components meets them mostly in the
// reverse order of their coming, so a link is looked for from the end.
bool EraseLink(std::vector<TComponent*>& Links, const TComponent* Other) noexcept {
    const auto at = std::find(Links.rbegin(), Links.rend(), Other);
    if (at == Links.rend()) return false;
    Links.erase(std::next(at).base());
    return true;
}

bool HasLink(const std::vector<TComponent*>& Links, const TComponent* Other) noexcept {
    return std::find(Links.rbegin(), Links.rend(), Other) != Links.rend();
}

}  // namespace

ZARIX_DEFINE_CLASS(TPersistent)

TPersistent::~TPersistent() = default;

void TPersistent::Assign(const TPersistent* Source) {
    if (Source != nullptr) Source->AssignTo(this);
    else AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
    const std::string source = Source != nullptr ? std::string(Source->ClassName()) : "nil";
    throw EConvertError("Cannot assign a " + source + " to a " + std::string(ClassName()));
}

ZARIX_DEFINE_CLASS(TComponent, ZARIX_PROPERTY(Name, Name, SetName))

namespace {

bool IsValidIdent(std::string_view name) {
    if (name.empty()) return false;
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!isAlpha(name.front())) return false;
    return std::all_of(name.begin(), name.end(), [&](char c) { return isAlpha(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

namespace {
// Counted only once a component is whole enough for its destructor to run.
constinit std::atomic<std::size_t> gLiveComponents{0};
}  // namespace

std::size_t LiveComponentCount() noexcept { return gLiveComponents.load(std::memory_order_relaxed); }

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner != nullptr) AOwner->InsertComponent(this);
    gLiveComponents.fetch_add(1, std::memory_order_relaxed);
}

TComponent::~TComponent() {
    gLiveComponents.fetch_sub(1, std::memory_order_relaxed);
    FState.Destroying = true;
    if (FWeak) FWeak->Target = nullptr;
    // Each watcher is taken off the list before it is told, so a watcher that destroys other
    // watchers in its handler cannot make this loop visit a freed component.
    while (!FFreeNotifies.empty()) {
        TComponent* watcher = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseLink(watcher->FFreeNotifies, this);
        watcher->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    // A child's destructor may destroy its siblings; take one at a time from the end.
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        FComponents.pop_back();
        child->FOwner = nullptr;
        delete child;
    }
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FComponents[static_cast<std::size_t>(Index)];
}

TComponent* TComponent::FindComponent(std::string_view AName) const noexcept {
    if (AName.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, AName)) return c;
    return nullptr;
}

void TComponent::ValidateRename(const std::string& NewName) const {
    if (NewName.empty()) return;
    if (!IsValidIdent(NewName)) throw EComponentError("Component name \"" + NewName + "\" is not valid");
    if (FOwner == nullptr) return;
    if (TComponent* other = FOwner->FindComponent(NewName); other != nullptr && other != this)
        throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::SetName(const std::string& NewName) {
    if (NewName == FName) return;
    ValidateRename(NewName);
    FName = NewName;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent->FOwner == this) return;
    if (TComponent* other = FindComponent(AComponent->FName); other != nullptr)
        throw EComponentError("A component named " + AComponent->FName + " already exists");
    if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    if (FState.Designing) AComponent->SetDesigning(true);
    Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent->FOwner != this) return;
    EraseFromEnd(FComponents, AComponent);
    AComponent->FOwner = nullptr;
    Notification(AComponent, TOperation::opRemove);
}

void TComponent::SetDesigning(bool Value) {
    FState.Designing = Value;
    for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) return;
    std::vector<TComponent*>& theirs = AComponent->FFreeNotifies;
    // The shorter list tells whether the pair is there: a registry watching thousands of
    // components adds one more without searching them all.
    if (FFreeNotifies.size() <= theirs.size() ? HasLink(FFreeNotifies, AComponent) : HasLink(theirs, this)) return;
    // Room first, so that either both links go in or, for want of memory, neither does.
    if (theirs.size() == theirs.capacity()) theirs.reserve(2 * theirs.size() + 4);
    FFreeNotifies.push_back(AComponent);
    theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr) return;
    std::vector<TComponent*>& theirs = AComponent->FFreeNotifies;
    // A dying component has already dropped its side of the pair, and the watcher it tells
    // then finds nothing to remove without searching its own long list.
    if (FFreeNotifies.size() <= theirs.size()) {
        if (EraseLink(FFreeNotifies, AComponent)) EraseLink(theirs, this);
    } else if (EraseLink(theirs, this)) {
        EraseLink(FFreeNotifies, AComponent);
    }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    // Only the owner and the components that asked (FreeNotification) hear of a component's
    // coming and going. Telling every sibling as well would make filling or emptying an owner
    // quadratic, and references between siblings are kept with free notification or TWeak.
    if (Operation == TOperation::opRemove) RemoveFreeNotification(AComponent);
}

TPersistent* TComponent::GetOwner() const { return FOwner; }

const std::shared_ptr<detail::WeakBlock>& TComponent::WeakBlock() {
    if (!FWeak) FWeak = std::make_shared<detail::WeakBlock>(detail::WeakBlock{this});
    return FWeak;
}

TWeakBase::TWeakBase(TComponent* target) { Reset(target); }

void TWeakBase::Reset(TComponent* target) {
    // Assigned from the component's own block, not from a copy of it: each copy of a shared
    // pointer is an atomic count up and down, and menus and toolbars make two per item.
    if (target != nullptr && !target->FState.Destroying) FBlock = target->WeakBlock();
    else FBlock.reset();
}

std::shared_mutex& GlobalNameSpace() {
    static std::shared_mutex lock;
    return lock;
}

TNameSpaceWriteGuard::TNameSpaceWriteGuard() { GlobalNameSpace().lock(); }
TNameSpaceWriteGuard::~TNameSpaceWriteGuard() { GlobalNameSpace().unlock(); }

}  // namespace zarix
