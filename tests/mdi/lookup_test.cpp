// Lookups above and below a window, names and records, placement, refresh.
#include "mdi_fixture.h"

using namespace zarix;

class LookupTest : public MdiTest {
protected:
    LookupTest() {
        // Lista(7) > Karta(-1) > [Faktura(5) > Karta(9)], Karta(3); Faktura(5) top-level
        List = Open<TCustomerList>("Lista", nullptr, 7);
        CardA = Open<TCustomerCard>("KartaA", List, -1);
        Invoice = Open<TInvoice>("Faktura", CardA, 5);
        CardDeep = Open<TCustomerCard>("KartaG", Invoice, 9);
        CardB = Open<TCustomerCard>("KartaB", List, 3);
        Lone = Open<TInvoice>("Luzna", nullptr, 5);
    }
    TWindow *List, *CardA, *Invoice, *CardDeep, *CardB, *Lone;
};

TEST_F(LookupTest, IsMDIFormInItsThreeModes) {
    // askTop: the nearest matching ancestor, never the source itself.
    EXPECT_EQ(Container->IsMDIForm(CardDeep, "tcustomerlist", 7, askTop), List);
    EXPECT_EQ(Container->IsMDIForm(CardDeep, "TInvoice", 5, askTop), Invoice);
    EXPECT_EQ(Container->IsMDIForm(Invoice, "TInvoice", 5, askTop), nullptr);
    EXPECT_EQ(Container->IsMDIForm(CardDeep, "TCustomerList", 8, askTop), nullptr);
    // askBottom: the first matching descendant along the search order; -1 means any record.
    EXPECT_EQ(Container->IsMDIForm(List, "TCustomerCard", -1, askBottom), CardA);
    EXPECT_EQ(Container->IsMDIForm(List, "TCustomerCard", 9, askBottom), CardDeep);
    EXPECT_EQ(Container->IsMDIForm(List, "TCustomerCard", 3, askBottom), CardB);
    EXPECT_EQ(Container->IsMDIForm(List, "TCustomerCard", 4, askBottom), nullptr);
    // askAll (or no source): the last window of the class and record, -1 only matching -1.
    EXPECT_EQ(Container->IsMDIForm(nullptr, "TInvoice", 5, askTop), Lone);
    EXPECT_EQ(Container->IsMDIForm(List, "TINVOICE", 5, askAll), Lone);
    EXPECT_EQ(Container->IsMDIForm(nullptr, "TCustomerCard", -1, askAll), CardA);
    EXPECT_EQ(Container->IsMDIForm(nullptr, "TCustomerCard", 7, askAll), nullptr);
    // A child registered before its parent is found as well: the list, the first entry, moved below.
    Container->Items()->Items(0)->SetParentForm(Lone);
    EXPECT_EQ(Container->IsMDIForm(Lone, "TCustomerList", 7, askBottom), List);
}

TEST_F(LookupTest, BottomAndLastChildren) {
    EXPECT_EQ(Container->GetMDIBottomChild(List, ""), CardDeep);
    EXPECT_EQ(Container->GetMDIBottomChild(List, ";tinvoice;"), CardA);            // the branch below is skipped
    EXPECT_EQ(Container->GetMDIBottomChild(List, ";TCustomerCard;"), nullptr);    // every child excluded
    EXPECT_EQ(Container->GetMDIBottomChild(List, "TCustomerCard"), CardDeep);      // without semicolons: nothing
    EXPECT_EQ(Container->GetMDIBottomChild(Lone, ""), nullptr);
    EXPECT_EQ(Container->GetMDILastChild(List, CardA), nullptr);  // every child is of the excepted class
    EXPECT_EQ(Container->GetMDILastChild(CardA, CardA), Invoice);
    EXPECT_EQ(Container->GetMDILastChild(List, Invoice), CardB);
}

TEST_F(LookupTest, RecordsAndNamesChangeOnlyWithATree) {
    EXPECT_EQ(Container->GetMDIOrigid(CardB), 3);
    Container->ChangeOrigId(CardB, 30);
    Container->ChangeName(CardB, "Kowalski");
    EXPECT_EQ(Container->GetMDIOrigid(CardB), 30);
    EXPECT_EQ(TreeText(), "Okna Lista(KartaA(Faktura(KartaG)),Kowalski) Luzna");
    Container->SetActiveWindows(nullptr);
    Container->ChangeOrigId(CardB, 31);
    Container->ChangeName(CardB, "Nowak");
    EXPECT_EQ(Container->GetMDIOrigid(CardB), 30);
    EXPECT_EQ(Container->Items()->Items(4)->Name(), "Kowalski");
}

TEST_F(LookupTest, PlacementRelativeToTheParent) {
    List->SetBounds(40, 60, 500, 400);
    CardA->SetBounds(0, 0, 200, 100);
    Container->GetPosition(CardA, alCascade);
    EXPECT_EQ(CardA->Left(), 60);
    EXPECT_EQ(CardA->Top(), 90);
    Container->GetPosition(CardA, alRightTop);
    EXPECT_EQ(CardA->Left(), 40 + 500 - 200);
    EXPECT_EQ(CardA->Top(), 80);
    EXPECT_EQ(Container->Items()->Items(1)->FormAlign(), alRightTop);
    Container->GetPosition(CardA, alNotAligned);
    EXPECT_EQ(CardA->Left(), 340);
    Lone->SetBounds(70, 70, 100, 100);
    Container->GetPosition(Lone, alRightTop);  // no parent: stays
    EXPECT_EQ(Lone->Left(), 70);
    Container->GetPosition(Lone, alCascade);  // no parent: the corner
    EXPECT_EQ(Lone->Left(), 0);
    EXPECT_EQ(Lone->Top(), 0);
}

TEST_F(LookupTest, RefreshReachesEveryOtherWindowThenEmptiesTheRegistry) {
    ModifiedObjects().AddModifiedObject("Klienci", 7);
    EXPECT_EQ(Container->RefreshMDI(CardB), 0);
    EXPECT_EQ(Log, (std::vector<std::string>{"refresh Lista", "refresh KartaA", "refresh Faktura", "refresh KartaG",
                                             "refresh Luzna"}));
    EXPECT_EQ(ModifiedObjects().Count(), 0);
    // A window that does not keep the contract stops the refresh, is reported, and the
    // registry keeps what was noted.
    Log.clear();
    auto* plain = new TPlainForm(&Owner);
    Container->AddMDIForm(plain, 1, 1, nullptr, 0, alNotAligned, 0);
    Open("Ostatnie");
    ModifiedObjects().AddModifiedObject("Klienci", 8);
    EXPECT_EQ(Container->RefreshMDI(nullptr), 0);
    EXPECT_EQ(Log.size(), 6u);
    ASSERT_EQ(Reports.Reports().size(), 1u);
    EXPECT_EQ(Reports.Reports()[0].Context, "TZarixMDIContainer.RefreshMdi");
    EXPECT_EQ(Reports.Reports()[0].ExceptionClass, "EIntfCastError");
    EXPECT_EQ(ModifiedObjects().Count(), 1);
}

TEST_F(LookupTest, ARefreshThatRemovesOtherWindowsLeavesThemOut) {
    List->OnRefresh = [&] {
        Container->DelMDIForm(Invoice);  // still alive, no longer registered
        CardDeep->Close();               // closed, its release still pending
    };
    Container->RefreshMDI(CardB);
    EXPECT_EQ(Log, (std::vector<std::string>{"refresh Lista", "refresh KartaA", "refresh Luzna"}));
    EXPECT_TRUE(Reports.Reports().empty());
    Application().ProcessMessages();
}
