// The named results registry: kinds, name matching, the working record, clearing, and the
// refused seventeenth addition.
#include "sync/sync.h"

#include "services/exception_handler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace mdi_results_test {

using namespace zarix;

// The registry is process-wide: every test starts and ends with it empty.
class MDIResults : public ::testing::Test {
protected:
    void SetUp() override { MDIResult().ClearMDIResults(); }
    void TearDown() override { MDIResult().ClearMDIResults(); }
    TMDIResults& R = MDIResult();
};

TEST_F(MDIResults, NamesMatchWithOnlyAToZFoldedEachKindApartAndTheLastAdditionWins) {
    R.AddIntValue("Kwota", 5);
    EXPECT_EQ(R.IntValueByName("kWOTA"), 5);
    EXPECT_EQ(R.LongIntValueByName("Kwota"), 0);
    EXPECT_FALSE(R.IsStringValue("Kwota"));

    R.AddStringValue("łączna suma", "12,50");
    EXPECT_EQ(R.StringValueByName("łąCZNA SUMA"), "12,50");
    EXPECT_EQ(R.StringValueByName("ŁĄCZNA SUMA"), "");
    EXPECT_FALSE(R.IsStringValue("ŁĄCZNA SUMA"));
    EXPECT_TRUE(R.IsStringValue("łąCZNA suma"));
    // Every addition is kept, and the last of a name wins.
    R.AddStringValue("Symbol", "A");
    R.AddStringValue("SYMBOL", "B");
    R.AddNumericValue("Kurs", 4.25);
    R.AddNumericValue("kurs", 4.5);
    EXPECT_EQ(R.Count(), 6);
    EXPECT_EQ(R.StringValueByName("symbol"), "B");
    EXPECT_DOUBLE_EQ(R.NumericValueByName("KURS"), 4.5);
}

TEST_F(MDIResults, IntegersAndArraysShareAKindAndTheWorkingRecordOutlivesAClear) {
    R.AddArrayIntValue("Pozycje", {1, 2, 3});
    R.AddIntValue("Ilosc", 4);
    R.ClearMDIResults();

    TArrayInt mine{9, 8};
    R.AddArrayIntValue("Tabela", mine);
    R.AddIntValue("Liczba", 5);
    // Each entry carries the other field of kind 1 as the working record held it.
    EXPECT_EQ(R.IntValueByName("Tabela"), 4);
    EXPECT_EQ(R.ArrayIntValueByName("Liczba"), (TArrayInt{9, 8}));
    EXPECT_TRUE(R.ArrayIntValueByName("Pozycje").empty());

    mine[0] = 0;
    TArrayInt got = R.ArrayIntValueByName("Tabela");
    got.push_back(7);
    EXPECT_EQ(R.ArrayIntValueByName("Tabela"), (TArrayInt{9, 8}));
}

TEST_F(MDIResults, ClearingAnswersDefaultsAndLeavesObjectsToTheirOwners) {
    auto owned = std::make_unique<TObject>();
    R.AddObjectByName("Dokument", owned.get());
    R.AddLongIntValue("Id", 77);
    R.AddNumericValue("Netto", 2.5);
    R.AddStringValue("Opis", "x");
    EXPECT_EQ(R.ObjectByName("dokument"), owned.get());
    EXPECT_EQ(R.LongIntValueByName("ID"), 77);

    R.ClearMDIResults();
    EXPECT_EQ(R.Count(), 0);
    EXPECT_EQ(R.ObjectByName("Dokument"), nullptr);
    EXPECT_EQ(R.LongIntValueByName("Id"), 0);
    EXPECT_EQ(R.NumericValueByName("Netto"), 0.0);
    EXPECT_EQ(R.StringValueByName("Opis"), "");
    EXPECT_FALSE(R.IsStringValue("Opis"));
    EXPECT_EQ(owned->ClassName(), "TObject");
}

TEST_F(MDIResults, ASeventeenthAdditionIsRefusedReportedAndChangesNothing) {
    for (int32_t i = 0; i < TMDIResults::Capacity; ++i) R.AddIntValue("Pole" + std::to_string(i), i + 100);
    TCapturingExceptionSink sink;
    R.AddIntValue("Nadmiar", 99);
    R.AddStringValue("Pole3", "tekst");

    EXPECT_EQ(R.Count(), TMDIResults::Capacity);
    ASSERT_EQ(sink.Reports().size(), 2u);
    EXPECT_EQ(sink.Reports()[0].Context, "TMDIResults.AddIntValue");
    EXPECT_EQ(sink.Reports()[0].ExceptionClass, "EListError");
    EXPECT_NE(sink.Reports()[0].Message.find("\"Nadmiar\""), std::string::npos);
    EXPECT_EQ(sink.Reports()[1].Context, "TMDIResults.AddStringValue");
    EXPECT_EQ(R.IntValueByName("Nadmiar"), 0);
    EXPECT_FALSE(R.IsStringValue("Pole3"));
    EXPECT_EQ(R.IntValueByName("Pole15"), 115);

    // The refused integer never reached the working record either.
    R.ClearMDIResults();
    R.AddArrayIntValue("Tabela", {});
    EXPECT_EQ(R.IntValueByName("Tabela"), 115);
    EXPECT_EQ(sink.Reports().size(), 2u);
}

}  // namespace mdi_results_test
