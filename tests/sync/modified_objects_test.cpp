// The modified-objects registry: one entry per table with case, the silent seventeenth table,
// the readers outside the entries, and failures that never reach the caller.
#include "sync/sync.h"

#include "allocation_hooks.h"
#include "services/exception_handler.h"

#include <gtest/gtest.h>

#include <string>

namespace modified_objects_test {

using namespace zarix;

class ModifiedObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { ModifiedObjects().ClearModifiedObjects(); }
    void TearDown() override { ModifiedObjects().ClearModifiedObjects(); }
    TModifiedObjects& M = ModifiedObjects();
};

TEST_F(ModifiedObjectsTest, ATableKeepsOneEntryWithItsLatestRecordCaseMattersAndClearingForgetsIt) {
    EXPECT_EQ(M.AddModifiedObject("Towary", 10), 0);
    EXPECT_EQ(M.AddModifiedObject("Kontrahenci", 3), 0);
    EXPECT_EQ(M.AddModifiedObject("Towary", 12), 0);
    EXPECT_EQ(M.Count(), 2);
    EXPECT_EQ(M.GetModifiedTableName(0), "Towary");
    EXPECT_EQ(M.GetModifiedOrigIdValue(0), 12);

    M.AddModifiedObject("TOWARY", 5);
    EXPECT_EQ(M.Count(), 3);
    EXPECT_EQ(M.GetModifiedTableName(2), "TOWARY");
    EXPECT_EQ(M.GetModifiedOrigIdValue(0), 12);
    // Readers answer empty and zero outside the entries in use.
    for (int32_t index : {-1, 3, 16, 1000}) {
        EXPECT_EQ(M.GetModifiedTableName(index), "") << index;
        EXPECT_EQ(M.GetModifiedOrigIdValue(index), 0) << index;
    }
    // A cleared entry is not found again: the same table starts a new entry.
    M.ClearModifiedObjects();
    EXPECT_EQ(M.GetModifiedTableName(0), "");
    M.AddModifiedObject("Kontrahenci", 4);
    EXPECT_EQ(M.Count(), 1);
    EXPECT_EQ(M.GetModifiedTableName(0), "Kontrahenci");
}

TEST_F(ModifiedObjectsTest, ASeventeenthTableIsDroppedWithoutAReport) {
    TCapturingExceptionSink sink;
    for (int32_t i = 0; i < TModifiedObjects::Capacity; ++i) M.AddModifiedObject("Tabela" + std::to_string(i), i);
    EXPECT_EQ(M.AddModifiedObject("Siedemnasta", 1), 0);
    EXPECT_EQ(M.Count(), TModifiedObjects::Capacity);
    EXPECT_TRUE(sink.Reports().empty());
    for (int32_t i = 0; i < M.Count(); ++i) EXPECT_NE(M.GetModifiedTableName(i), "Siedemnasta");

    M.AddModifiedObject("Tabela3", 300);
    EXPECT_EQ(M.GetModifiedOrigIdValue(3), 300);
}

TEST_F(ModifiedObjectsTest, AFailureIsReportedUnderItsNameAndNeverReachesTheCaller) {
    // Cleared entries keep their names' storage, so recording this name allocates only
    // because no entry ever holds a long name: the other tests' names fit inline.
    const std::string longName(500, 'T');
    TCapturingExceptionSink sink;
    zarix::test::FailNextAllocation(true);
    int32_t result = -1;
    EXPECT_NO_THROW(result = M.AddModifiedObject(longName, 1));
    zarix::test::FailNextAllocation(false);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(M.Count(), 0);
    ASSERT_EQ(sink.Reports().size(), 1u);
    EXPECT_EQ(sink.Reports()[0].Context, "TModifiedObjects.AddModifiedObject");
    EXPECT_EQ(sink.Reports()[0].ExceptionClass, "std::bad_alloc");

    M.AddModifiedObject("Towary", 2);
    EXPECT_EQ(M.Count(), 1);
    EXPECT_EQ(M.GetModifiedTableName(0), "Towary");
}

}  // namespace modified_objects_test
