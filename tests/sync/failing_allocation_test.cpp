// The armed allocation failure is met by every form of operator new, so a test that arms it
// reaches the failure path whichever form the code under test allocates with.
#include "allocation_hooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>

namespace {

struct TForm {
    const char* Name;
    std::function<bool()> FailsWhenArmed;  // true when the armed allocation failed as this form fails
};

// The compiler may drop a new and delete pair whose memory is never used; storing the pointer
// where it cannot see keeps the allocation.
void* volatile gKept = nullptr;
template <class P>
bool Kept(P&& owner) {
    gKept = owner.get();
    return gKept == nullptr;
}

bool Throws(const std::function<void()>& allocate) {
    try {
        allocate();
    } catch (const std::bad_alloc&) {
        return true;
    }
    return false;
}

class FailingAllocationTest : public ::testing::TestWithParam<TForm> {};

TEST_P(FailingAllocationTest, TheArmedFailureMeetsThisFormAndTheNextAllocationSucceeds) {
    zarix::test::FailNextAllocation(true);
    EXPECT_TRUE(GetParam().FailsWhenArmed());
    zarix::test::FailNextAllocation(false);
    EXPECT_FALSE(GetParam().FailsWhenArmed());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FailingAllocationTest,
    ::testing::Values(TForm{"Single", [] { return Throws([] { Kept(std::make_unique<int>(1)); }); }},
                      TForm{"Array", [] { return Throws([] { Kept(std::make_unique<int[]>(8)); }); }},
                      TForm{"NothrowSingle", [] { return Kept(std::unique_ptr<int>(new (std::nothrow) int(1))); }},
                      TForm{"NothrowArray", [] { return Kept(std::unique_ptr<int[]>(new (std::nothrow) int[8])); }}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
