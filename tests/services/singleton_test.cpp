// One instance per class, CreateSingleton called once, and no half-made instance.
#include "services/singleton.h"

#include <gtest/gtest.h>

namespace singleton_test {

using namespace zarix;

int gCreated = 0;
int gConstructed = 0;

class TCounterA : public TSingleton {
public:
    TCounterA() { ++gConstructed; }

protected:
    void CreateSingleton() override { ++gCreated; }
};

class TCounterB : public TSingleton {};

class TFailing : public TSingleton {
protected:
    void CreateSingleton() override { throw std::runtime_error("no"); }
};

TEST(Singleton, OneInstancePerClassAndAFailedCreationLeavesNoHalfMadeInstance) {
    TCounterA& a = TSingleton::Instance<TCounterA>();
    EXPECT_EQ(&TSingleton::Instance<TCounterA>(), &a);
    EXPECT_EQ(gConstructed, 1);
    EXPECT_EQ(gCreated, 1);
    EXPECT_NE(static_cast<void*>(&TSingleton::Instance<TCounterB>()), static_cast<void*>(&a));
    // The second call tries again rather than handing out what the first left behind.
    EXPECT_THROW(TSingleton::Instance<TFailing>(), std::runtime_error);
    EXPECT_THROW(TSingleton::Instance<TFailing>(), std::runtime_error);
}

}  // namespace singleton_test
