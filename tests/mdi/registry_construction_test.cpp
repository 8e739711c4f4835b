// A container is made whole or not at all: a registry that cannot be allocated fails the
// construction instead of leaving a container without one.
#include "allocation_hooks.h"

#include "mdi/ZarixMDIContainer.h"

#include <gtest/gtest.h>

using namespace zarix;

TEST(MDIContainerConstruction, ARegistryThatCannotBeAllocatedFailsTheConstruction) {
    TZarixMDIContainer* before = CurrentMDIContainer();
    EXPECT_THROW(
        {
            zarix::test::FailNextAllocation(true);
            TZarixMDIContainer container(nullptr);
            zarix::test::FailNextAllocation(false);
            ADD_FAILURE() << "made with a registry of " << container.Items();
        },
        std::bad_alloc);
    zarix::test::FailNextAllocation(false);
    EXPECT_EQ(CurrentMDIContainer(), before);
    TZarixMDIContainer container(nullptr);
    ASSERT_NE(container.Items(), nullptr);
    EXPECT_EQ(container.Items()->Count(), 0);
}
