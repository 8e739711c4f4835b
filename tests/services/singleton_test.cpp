// One instance per class, and CreateSingleton called once.
#include "services/singleton.h"

#include <gtest/gtest.h>

namespace singleton_test {

using namespace zarix;

int gCreated = 0;
int gConstructed = 0;

class TCounterA : public TSingleton {
public:
    TCounterA() { ++gConstructed; }
    int Value = 0;

protected:
    void CreateSingleton() override { ++gCreated; }
};

class TCounterB : public TSingleton {
public:
    int Value = 0;
};

class TFailing : public TSingleton {
protected:
    void CreateSingleton() override { throw std::runtime_error("no"); }
};

TEST(Singleton, OneInstancePerClassForTheWholeProcess) {
    TCounterA& a1 = TSingleton::Instance<TCounterA>();
    a1.Value = 5;
    TCounterA& a2 = TSingleton::Instance<TCounterA>();
    EXPECT_EQ(&a1, &a2);
    EXPECT_EQ(a2.Value, 5);
    EXPECT_EQ(gConstructed, 1);
    EXPECT_EQ(gCreated, 1);
    TCounterB& b = TSingleton::Instance<TCounterB>();
    EXPECT_NE(static_cast<void*>(&b), static_cast<void*>(&a1));
}

TEST(Singleton, AFailedCreationLeavesNoHalfMadeInstance) {
    EXPECT_THROW(TSingleton::Instance<TFailing>(), std::runtime_error);
    EXPECT_THROW(TSingleton::Instance<TFailing>(), std::runtime_error);
}

}  // namespace singleton_test
