// The window contract and the two process-wide registries every plugin shares: the named
// results (kinds, name matching, the working record, the refused seventeenth addition) and the
// modified objects (one entry per table, the silent seventeenth table, failures that never
// reach the caller).
#include "sync/sync.h"

#include "allocation_hooks.h"
#include "message_of.h"
#include "platform/rtl/exceptions.h"
#include "services/exception_handler.h"
#include "tests/services/reports_of.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

namespace sync_test {

using namespace zarix;

class TInvoiceWindow : public TObject, public IMDIInterface {
public:
    void MDIRefresh() override {}
    bool MDICanClose(const std::string&, int32_t, std::string&) override { return false; }
    void MDIParentClosing(const std::string&, int32_t) override {}
    void MDIReceiveResult(const std::string&, int32_t) override {}
};

TEST(MDIInterface, TheIdentifierStoredValuesRegistriesAndTheQueryAreFixedForEveryPlugin) {
    EXPECT_EQ(GUIDToString(IID_IMDIInterface), IID_IMDIInterfaceText);
    EXPECT_EQ(IID_IMDIInterfaceText, "{009A73CB-16EF-428E-9F11-88EFF07C3B4A}");
    // Plugins built apart pass these as numbers and reach the registries through the variables.
    EXPECT_EQ(static_cast<int>(askAll), 2);
    EXPECT_EQ(static_cast<int>(alRightTop), 2);
    EXPECT_EQ(fMDIResult, &MDIResult());
    EXPECT_EQ(fModifiedObject, &ModifiedObjects());

    // A window answers the query (which GetMDIInterface asks); other objects raise EIntfCastError.
    TInvoiceWindow window;
    TObject* asObject = &window;
    EXPECT_EQ(&GetMDIInterface(asObject), static_cast<IMDIInterface*>(&window));
    TObject plain;
    EXPECT_EQ(QueryMDIInterface(&plain), nullptr);
    EXPECT_EQ(QueryMDIInterface(nullptr), nullptr);
    EXPECT_EQ(MessageOf<EIntfCastError>([&] { GetMDIInterface(&plain); }), "Interface not supported");
}

// The registries are process-wide: every test starts and ends with them empty.
class Registries : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        MDIResult().ClearMDIResults();
        ModifiedObjects().ClearModifiedObjects();
    }
    /// The modified objects in use, "table record;" each.
    std::string Modified() const {
        std::string entries;
        for (int32_t i = 0; i < M.Count(); ++i)
            entries += M.GetModifiedTableName(i) + " " + std::to_string(M.GetModifiedOrigIdValue(i)) + ";";
        return entries;
    }

    TMDIResults& R = MDIResult();
    TModifiedObjects& M = ModifiedObjects();
};

TEST_F(Registries, ResultsNamesMatchWithOnlyAToZFoldedEachKindApartAndTheLastAdditionWins) {
    R.AddIntValue("Kwota", 5);
    EXPECT_EQ(R.IntValueByName("kWOTA"), 5);
    EXPECT_EQ(R.LongIntValueByName("Kwota"), 0);

    R.AddStringValue("łączna suma", "12,50");
    EXPECT_EQ(R.StringValueByName("łąCZNA SUMA"), "12,50");
    EXPECT_EQ(R.StringValueByName("ŁĄCZNA SUMA"), "");
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

// Clearing answers defaults for every kind alike and leaves objects to their owners; the
// working record outlives it.
TEST_F(Registries, ResultsClearingAnswersDefaultsAndTheWorkingRecordWhereIntegersAndArraysShareAKindOutlivesIt) {
    auto owned = std::make_unique<TObject>();
    R.AddObjectByName("Dokument", owned.get());
    R.AddLongIntValue("Id", 77);
    R.AddArrayIntValue("Pozycje", {1, 2, 3});
    R.AddIntValue("Ilosc", 4);
    EXPECT_EQ(R.ObjectByName("dokument"), owned.get());
    EXPECT_EQ(R.LongIntValueByName("ID"), 77);
    R.ClearMDIResults();
    EXPECT_EQ(std::make_tuple(R.Count(), R.ObjectByName("Dokument"), R.LongIntValueByName("Id")),
              std::make_tuple(0, static_cast<TObject*>(nullptr), int64_t{0}));
    EXPECT_EQ(owned->ClassName(), "TObject");

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

TEST_F(Registries, ResultsASeventeenthAdditionIsRefusedReportedAndChangesNothing) {
    for (int32_t i = 0; i < TMDIResults::Capacity; ++i) R.AddIntValue("Pole" + std::to_string(i), i + 100);
    TCapturingExceptionSink sink;
    R.AddIntValue("Nadmiar", 99);
    R.AddStringValue("Pole3", "tekst");

    EXPECT_EQ(R.Count(), TMDIResults::Capacity);
    EXPECT_EQ(ReportsOf(sink),
              (TNames{"TMDIResults.AddIntValue | EListError: The results registry already holds 16 entries; \"Nadmiar\" was not added",
                      "TMDIResults.AddStringValue | EListError: The results registry already holds 16 entries; \"Pole3\" was not added"}));
    EXPECT_EQ(std::make_tuple(R.IntValueByName("Nadmiar"), R.IsStringValue("Pole3"), R.IntValueByName("Pole15")),
              std::make_tuple(0, false, 115));

    // The refused integer never reached the working record either.
    R.ClearMDIResults();
    R.AddArrayIntValue("Tabela", {});
    EXPECT_EQ(R.IntValueByName("Tabela"), 115);
    EXPECT_EQ(sink.Reports().size(), 2u);
}

TEST_F(Registries, ModifiedObjectsATableKeepsOneEntryWithItsLatestRecordCaseMattersAndClearingForgetsIt) {
    M.AddModifiedObject("Towary", 10);
    M.AddModifiedObject("Kontrahenci", 3);
    M.AddModifiedObject("Towary", 12);
    M.AddModifiedObject("TOWARY", 5);
    EXPECT_EQ(Modified(), "Towary 12;Kontrahenci 3;TOWARY 5;");
    // Readers answer empty and zero outside the entries in use.
    for (int32_t index : {-1, 3, 16, 1000}) {
        EXPECT_EQ(M.GetModifiedTableName(index), "") << index;
        EXPECT_EQ(M.GetModifiedOrigIdValue(index), 0) << index;
    }
    // A cleared entry is not found again: the same table starts a new entry.
    M.ClearModifiedObjects();
    EXPECT_EQ(M.GetModifiedTableName(0), "");
    M.AddModifiedObject("Kontrahenci", 4);
    EXPECT_EQ(Modified(), "Kontrahenci 4;");
}

TEST_F(Registries, ModifiedObjectsASeventeenthTableIsDroppedWithoutAReport) {
    TCapturingExceptionSink sink;
    std::string expected;
    for (int32_t i = 0; i < TModifiedObjects::Capacity; ++i) {
        M.AddModifiedObject("Tabela" + std::to_string(i), i);
        expected += "Tabela" + std::to_string(i) + " " + std::to_string(i == 3 ? 300 : i) + ";";
    }
    EXPECT_EQ(M.AddModifiedObject("Siedemnasta", 1), 0);
    M.AddModifiedObject("Tabela3", 300);  // a table it holds still takes its latest record
    EXPECT_EQ(Modified(), expected);
    EXPECT_TRUE(sink.Reports().empty());
}

TEST_F(Registries, ModifiedObjectsAFailureIsReportedUnderItsNameAndNeverReachesTheCaller) {
    // Cleared entries keep their names' storage, so recording this name allocates only
    // because no entry ever holds a long name: the other tests' names fit inline.
    const std::string longName(500, 'T');
    TCapturingExceptionSink sink;
    zarix::test::FailNextAllocation(true);
    int32_t result = -1;
    EXPECT_NO_THROW(result = M.AddModifiedObject(longName, 1));
    zarix::test::FailNextAllocation(false);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(Modified(), "");
    EXPECT_EQ(ReportsOf(sink), TNames{"TModifiedObjects.AddModifiedObject | std::bad_alloc: std::bad_alloc"});

    M.AddModifiedObject("Towary", 2);
    EXPECT_EQ(Modified(), "Towary 2;");
}

}  // namespace sync_test
