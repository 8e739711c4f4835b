// Owner trees, free notification, weak references, names and design mode.
#include "platform/rtl/component.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace component_test {

using namespace zarix;

std::vector<std::string> gLog;

// Addresses of freed components are compared as numbers: a pointer kept past the delete would
// be a use after free to the compiler.
uintptr_t Addr(const TComponent* c) { return reinterpret_cast<uintptr_t>(c); }

// Records its own destruction and every notification it hears.
class TProbe : public TComponent {
    ZARIX_CLASS(TProbe, TComponent)
    TProbe(TComponent* owner, std::string tag) : TComponent(owner), Tag(std::move(tag)) {}
    ~TProbe() override {
        gLog.push_back("~" + Tag);
        delete DeleteWithMe;
    }
    std::string Tag;
    TComponent* DeleteWithMe = nullptr;  // a sibling this probe frees in its destructor
    std::vector<std::pair<uintptr_t, TOperation>> Heard;

protected:
    void Notification(TComponent* c, TOperation op) override {
        Heard.emplace_back(Addr(c), op);
        TComponent::Notification(c, op);
    }
};
ZARIX_DEFINE_CLASS(TProbe)

using Heard = std::vector<std::pair<uintptr_t, TOperation>>;

TEST(Component, OwnerFreesWhatItOwnsLastFirstAndForgetsChildrenFreedEarlier) {
    auto* owner = new TProbe(nullptr, "owner");
    auto* a = new TProbe(owner, "a");
    new TProbe(owner, "b");
    new TProbe(a, "a1");
    auto* c = new TProbe(owner, "c");
    const uintptr_t cAddress = Addr(c);
    owner->Heard.clear();
    delete c;
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Heard, (Heard{{cAddress, TOperation::opRemove}}));
    gLog.clear();
    delete owner;
    EXPECT_EQ(gLog, (std::vector<std::string>{"~owner", "~b", "~a", "~a1"}));

    // A child that frees a sibling in its destructor: the sibling must not be freed twice.
    owner = new TProbe(nullptr, "owner");
    auto* first = new TProbe(owner, "first");
    (new TProbe(owner, "second"))->DeleteWithMe = first;
    gLog.clear();
    delete owner;
    EXPECT_EQ(gLog, (std::vector<std::string>{"~owner", "~second", "~first"}));
}

TEST(Component, FreeNotificationIsMutualAndCanBeWithdrawn) {
    TProbe watcher(nullptr, "watcher");
    auto* target = new TProbe(nullptr, "target");
    const uintptr_t targetAddress = Addr(target);
    watcher.FreeNotification(target);
    delete target;
    EXPECT_EQ(watcher.Heard, (Heard{{targetAddress, TOperation::opRemove}}));

    auto* dyingWatcher = new TProbe(nullptr, "w2");
    const uintptr_t watcherAddress = Addr(dyingWatcher);
    TProbe survivor(nullptr, "survivor");
    dyingWatcher->FreeNotification(&survivor);
    delete dyingWatcher;  // the survivor hears of it and forgets it: no call into freed memory later
    EXPECT_EQ(survivor.Heard, (Heard{{watcherAddress, TOperation::opRemove}}));

    target = new TProbe(nullptr, "target");
    watcher.FreeNotification(target);
    watcher.RemoveFreeNotification(target);
    delete target;
    EXPECT_EQ(watcher.Heard.size(), 1u);
}

TEST(Component, WeakReferencesReadNullOnceTheComponentDies) {
    auto* owner = new TProbe(nullptr, "owner");
    auto* child = new TProbe(owner, "child");
    TWeak<TProbe> weakChild = child;
    TWeak<TProbe> copy = weakChild;
    EXPECT_EQ(weakChild.Get(), child);
    EXPECT_FALSE(TWeak<TProbe>());
    delete owner;
    EXPECT_EQ(weakChild.Get(), nullptr);
    EXPECT_FALSE(copy);
}

TEST(Component, NamesAreUniqueWithinTheOwnerIgnoringCase) {
    TProbe owner(nullptr, "owner");
    auto* a = new TProbe(&owner, "a");
    a->SetName("Klient");
    auto* b = new TProbe(&owner, "b");
    for (const char* bad : {"KLIENT", "1abc", "Zł"}) EXPECT_THROW(b->SetName(bad), EComponentError) << bad;
    EXPECT_EQ(b->Name(), "");
    a->SetName("Klient");  // renaming to its own name is fine
    b->SetName("Cenniki");
    EXPECT_EQ(owner.FindComponent("cenniki"), b);
    TProbe other(nullptr, "other");
    auto* stray = new TProbe(&other, "stray");
    stray->SetName("klient");
    EXPECT_THROW(owner.InsertComponent(stray), EComponentError);
    EXPECT_EQ(stray->Owner(), &other);
    EXPECT_THROW(owner.Components(5), EListError);
}

TEST(Component, DesignModeReachesOwnedAndLaterInsertedComponents) {
    TProbe owner(nullptr, "owner");
    auto* before = new TProbe(&owner, "before");
    owner.SetDesigning(true);
    EXPECT_TRUE(before->IsDesigning());
    EXPECT_TRUE((new TProbe(&owner, "after"))->IsDesigning());
}

}  // namespace component_test
