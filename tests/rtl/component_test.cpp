// Owner trees, free notification, weak references, names and the name-space lock.
#include "platform/rtl/component.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace component_test {

using namespace zarix;

std::vector<std::string>* gLog = nullptr;

// Records its own destruction and every notification it hears.
class TProbe : public TComponent {
    ZARIX_CLASS(TProbe, TComponent)
    TProbe(TComponent* owner, std::string tag) : TComponent(owner), Tag(std::move(tag)) {}
    ~TProbe() override {
        if (gLog) gLog->push_back("~" + Tag);
        delete DeleteWithMe;
    }
    std::string Tag;
    TComponent* DeleteWithMe = nullptr;  // a sibling this probe frees in its destructor
    std::vector<std::pair<TComponent*, TOperation>> Heard;

protected:
    void Notification(TComponent* c, TOperation op) override {
        Heard.emplace_back(c, op);
        TComponent::Notification(c, op);
    }
};
ZARIX_DEFINE_CLASS(TProbe)

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override { gLog = &Log; }
    void TearDown() override { gLog = nullptr; }
    std::vector<std::string> Log;
};

TEST_F(ComponentTest, OwnerFreesWhatItOwnsLastFirstAndForgetsChildrenFreedEarlier) {
    auto* owner = new TProbe(nullptr, "owner");
    auto* a = new TProbe(owner, "a");
    new TProbe(owner, "b");
    new TProbe(a, "a1");
    auto* c = new TProbe(owner, "c");
    const auto cAddress = reinterpret_cast<uintptr_t>(static_cast<TComponent*>(c));
    delete c;
    EXPECT_EQ(owner->ComponentCount(), 2);
    ASSERT_FALSE(owner->Heard.empty());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(owner->Heard.back().first), cAddress);
    EXPECT_EQ(owner->Heard.back().second, TOperation::opRemove);
    Log.clear();
    delete owner;
    EXPECT_EQ(Log, (std::vector<std::string>{"~owner", "~b", "~a", "~a1"}));
}

TEST_F(ComponentTest, ChildThatFreesASiblingDoesNotDisturbTheOwnersTeardown) {
    auto* owner = new TProbe(nullptr, "owner");
    auto* first = new TProbe(owner, "first");
    auto* second = new TProbe(owner, "second");
    second->DeleteWithMe = first;
    delete owner;  // second goes first and takes first with it; first must not be freed twice
    EXPECT_EQ(Log, (std::vector<std::string>{"~owner", "~second", "~first"}));
}

TEST_F(ComponentTest, FreeNotificationTellsTheWatcherAndIsMutual) {
    TProbe watcher(nullptr, "watcher");
    auto* target = new TProbe(nullptr, "target");
    const auto targetAddress = reinterpret_cast<uintptr_t>(static_cast<TComponent*>(target));
    watcher.FreeNotification(target);
    delete target;
    ASSERT_EQ(watcher.Heard.size(), 1u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(watcher.Heard[0].first), targetAddress);
    EXPECT_EQ(watcher.Heard[0].second, TOperation::opRemove);

    auto* dyingWatcher = new TProbe(nullptr, "w2");
    const auto watcherAddress = reinterpret_cast<uintptr_t>(static_cast<TComponent*>(dyingWatcher));
    TProbe survivor(nullptr, "survivor");
    dyingWatcher->FreeNotification(&survivor);
    delete dyingWatcher;  // the survivor hears of it and forgets it: no call into freed memory later
    ASSERT_EQ(survivor.Heard.size(), 1u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(survivor.Heard[0].first), watcherAddress);
}

TEST_F(ComponentTest, RemovedFreeNotificationIsSilent) {
    TProbe watcher(nullptr, "watcher");
    auto* target = new TProbe(nullptr, "target");
    watcher.FreeNotification(target);
    watcher.RemoveFreeNotification(target);
    delete target;
    EXPECT_TRUE(watcher.Heard.empty());
}

TEST_F(ComponentTest, WeakReferencesReadNullOnceTheComponentDies) {
    auto* owner = new TProbe(nullptr, "owner");
    auto* child = new TProbe(owner, "child");
    TWeak<TProbe> weakChild = child;
    TWeak<TProbe> copy = weakChild;
    TWeak<TProbe> none;
    EXPECT_EQ(weakChild.Get(), child);
    EXPECT_FALSE(none);
    delete owner;
    EXPECT_EQ(weakChild.Get(), nullptr);
    EXPECT_FALSE(copy);
}

TEST_F(ComponentTest, NamesAreUniqueWithinTheOwnerIgnoringCase) {
    TProbe owner(nullptr, "owner");
    auto* a = new TProbe(&owner, "a");
    a->SetName("Klient");
    auto* b = new TProbe(&owner, "b");
    EXPECT_THROW(b->SetName("KLIENT"), EComponentError);
    EXPECT_EQ(b->Name(), "");
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("Zł"), EComponentError);
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

TEST_F(ComponentTest, DesignModeReachesOwnedAndLaterInsertedComponents) {
    TProbe owner(nullptr, "owner");
    auto* before = new TProbe(&owner, "before");
    owner.SetDesigning(true);
    auto* after = new TProbe(&owner, "after");
    EXPECT_TRUE(before->IsDesigning());
    EXPECT_TRUE(after->IsDesigning());
}

TEST(NameSpaceLock, GuardHoldsTheWriteLockUntilItGoes) {
    {
        TNameSpaceWriteGuard guard;
        bool acquired = true;
        std::thread other([&] {
            acquired = GlobalNameSpace().try_lock_shared();
            if (acquired) GlobalNameSpace().unlock_shared();
        });
        other.join();
        EXPECT_FALSE(acquired);
    }
    ASSERT_TRUE(GlobalNameSpace().try_lock());
    GlobalNameSpace().unlock();
}

}  // namespace component_test
