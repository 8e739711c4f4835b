// The MDI container: registration, removal, the active-windows tree and its context menu, the
// closing protocol and the result hand-over, lookups above and below a window, names and
// records, placement and refresh; a container is made whole or not at all. The windows here
// implement the window contract and log what the container asks of them.
#include "mdi/ZarixMDIContainer.h"

#include "allocation_hooks.h"
#include "platform/ui/application.h"
#include "platform/ui/menus.h"
#include "services/exception_handler.h"
#include "sync/sync.h"
#include "tree_outline.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace zarix;

class TWindow : public TZarixMdiForm, public IMDIInterface {
public:
    TWindow(TComponent* owner, std::vector<std::string>& log, const std::string& name)
        : TZarixMdiForm(owner), Log(log) {
        SetName(name);
        SetBounds(100, 50, 400, 300);
    }
    void MDIRefresh() override {
        Log.push_back("refresh " + Name());
        if (OnRefresh) OnRefresh();
    }
    bool MDICanClose(const std::string& name, int32_t origId, std::string& msg) override {
        Log.push_back("canclose " + Name() + " " + name + " " + std::to_string(origId));
        msg += Refusal;
        return Refusal.empty();
    }
    void MDIParentClosing(const std::string& parentClass, int32_t origId) override {
        Log.push_back("parentclosing " + Name() + " " + parentClass + " " + std::to_string(origId));
        if (CloseWithParent) Close();
    }
    void MDIReceiveResult(const std::string& childClass, int32_t origId) override {
        Log.push_back("result " + Name() + " " + childClass + " " + std::to_string(origId) + " " +
                      MDIResult().StringValueByName("KLIENT"));
    }
    std::vector<std::string>& Log;
    std::string Refusal;
    bool CloseWithParent = false;
    std::function<void()> OnRefresh;
};

// Window classes the lookups tell apart by their run-time class names.
struct TCustomerList : TWindow { using TWindow::TWindow; };
struct TCustomerCard : TWindow { using TWindow::TWindow; };
struct TInvoice : TWindow { using TWindow::TWindow; };
// A registered window that does not keep the contract.
struct TPlainForm : TZarixMdiForm { using TZarixMdiForm::TZarixMdiForm; };

class MdiTest : public ::testing::Test {
protected:
    MdiTest() {
        Frame->SetFormStyle(fsMDIForm);
        Tree->Items()->Add(nullptr, "Okna");  // the host's own first node, kept by every rebuild
        Container->SetMDIParent(Frame);
        Container->SetActiveWindows(Tree);
    }
    ~MdiTest() override {
        MDIResult().ClearMDIResults();
        ModifiedObjects().ClearModifiedObjects();
    }
    // A report the test did not take (and clear) is a failure the container swallowed.
    void TearDown() override { EXPECT_TRUE(Reports.Reports().empty()) << Reports.Reports()[0].Context; }
    template <class W = TWindow>
    W* Open(const std::string& name, TForm* parent = nullptr, int32_t origId = 0) {
        auto* window = new W(&Owner, Log, name);
        Container->AddMDIForm(window, 300, 400, parent, origId, alNotAligned, 3);
        window->Show();
        return window;
    }
    std::string TreeText() const { return Outline(*Tree->Items()); }
    /// Closes a window as the user would, and lets the deferred release happen.
    void CloseNow(TForm* window) {
        window->Close();
        Application().ProcessMessages();
    }

    std::vector<std::string> Log;
    TCapturingExceptionSink Reports;
    TComponent Owner{nullptr};
    TForm* Frame = new TForm(&Owner);
    TTreeView* Tree = new TTreeView(&Owner);
    TZarixMDIContainer* Container = new TZarixMDIContainer(&Owner);
};


// Rebuilding a tree from the entries is LookupTest.RegistrationsMirrorParentsInTheTreeInAndOutOfOrder's.
TEST_F(MdiTest, TheFirstRegistrationIntoAnEmptyTreeIsRootLevelAndWithoutATreeOnlyRegisters) {
    TWindow* list = Open("Lista");
    Tree->Items()->Clear();
    Open("Karta", list);  // the tree is empty: root level, parent or not
    EXPECT_EQ(TreeText(), "Karta");
    TZarixMDIContainer detached(nullptr);
    TWindow* a = new TWindow(&Owner, Log, "A");
    TWindow* b = new TWindow(&Owner, Log, "B");
    EXPECT_TRUE(detached.AddMDIForm(a, 10, 20, nullptr, 0, alCascade, -1) && detached.AddMDIForm(b, 10, 20, a, 0, alCascade, -1));
    EXPECT_TRUE(detached.AddMDIForm(nullptr, 1, 1, nullptr, 0, alCascade, 0));  // nothing registered, still true
    EXPECT_EQ(detached.Items()->Count(), 2);
}

// Its close command is driven through the front-end by DesktopSession.AMenuClickOpensTheCustomerList...
TEST_F(MdiTest, ContextMenuActsOnTheSelectedNodesWindows) {
    TPopupMenu* popup = Tree->PopupMenu();
    ASSERT_NE(popup, nullptr);
    std::vector<std::string> captions;
    for (int i = 0; i < popup->Items()->Count(); ++i) captions.push_back(popup->Items()->Items(i)->Caption());
    // "Go to...", "Close", "Minimize", "Maximize".
    EXPECT_EQ(captions, (std::vector<std::string>{"Idź do...", "Zamknij", "Minimalizacja", "Maksymalizacja"}));
    TWindow* card = Open("Karta", Open("Lista"));
    Tree->SetSelected(Container->Items()->Items(1)->FActiveWindowsItem());
    for (const auto& [command, state] : {std::pair(3, wsMaximized), std::pair(2, wsMinimized), std::pair(0, wsNormal)}) {
        popup->Items()->Items(command)->Click();
        EXPECT_EQ(card->WindowState(), state) << command;
    }
    Tree->SetSelected(nullptr);
    popup->Items()->Items(1)->Click();  // no selection: nothing
    TTreeNode* foreign = Tree->Items()->Add(nullptr, "Obcy");
    Tree->SetSelected(foreign);
    popup->Items()->Items(1)->Click();  // a node no window owns: nothing
    Application().ProcessMessages();
    EXPECT_EQ(Container->Items()->Count(), 2);
}

TEST_F(MdiTest, DelMDIFormRemovesEveryEntryAndTheFormsOwnHandlersKeepWorking) {
    TWindow* list = Open("Lista");
    int ownCloses = 0, ownShows = 0;
    TWindow* card = new TWindow(&Owner, Log, "Karta");
    card->SetOnClose([&](TObject*, TCloseAction& action) {
        ++ownCloses;
        action = caHide;
    });
    card->SetOnShow([&](TObject*) { ++ownShows; });
    Container->AddMDIForm(card, 300, 400, list, 1, alNotAligned, 0);
    Container->AddMDIForm(card, 300, 400, list, 2, alNotAligned, 0);
    EXPECT_EQ(TreeText(), "Okna Lista .Karta .Karta");
    Container->DelMDIForm(card);
    EXPECT_EQ(std::pair(Container->Items()->Count(), TreeText()), std::pair(1, std::string("Okna Lista")));
    // The hooks stay on the form but reach no removed entry: only the form's own handlers run,
    // and its own close action holds.
    card->Show();
    CloseNow(card);
    EXPECT_EQ(std::tuple(ownShows, ownCloses, card->Visible(), Container->Items()->Count()), std::tuple(1, 1, false, 1));
}

TEST_F(MdiTest, CloseAllClosesTheFramesChildren) {
    TZarixMDIContainer bare(nullptr);  // no frame: nothing to act on, nothing breaks
    bare.CloseAll();
    bare.Tile();
    bare.ArrangeIcons();
    for (const char* name : {"A", "B"}) {
        TWindow* window = Open(name);
        window->SetMDIParent(Frame);
        window->SetFormStyle(fsMDIChild);
    }
    Container->CloseAll();
    Application().ProcessMessages();
    EXPECT_EQ(Container->Items()->Count(), 0);
}

TEST_F(MdiTest, WritingItemsCopiesTheEntriesAndTheCopiesAnswerTheirForms) {
    TWindow* list = Open("Lista");
    TWindow* card = Open("Karta", list, 4);
    TZarixMDIContainerItems saved(nullptr);
    saved.Assign(Container->Items());
    Container->DelMDIForm(card);
    Container->DelMDIForm(list);
    Container->SetItems(&saved);
    ASSERT_EQ(Container->Items()->Count(), 2);
    const TZarixMDIContainerItem* copy = Container->Items()->Items(1);
    EXPECT_EQ(std::tuple(copy->Form(), copy->Name(), copy->ParentForm(), copy->OrigId(), copy->IconIdx),
              std::tuple(card, "Karta", list, 4, 3));
    CloseNow(card);  // the copy is the registered entry now: closing takes it out
    EXPECT_EQ(std::pair(Container->Items()->Count(), Container->Items()->Items(0)->Form()), std::pair(1, static_cast<TForm*>(list)));
}

// A registry that cannot be allocated fails the construction instead of leaving a container
// without one.
TEST(MDIContainerConstruction, ARegistryThatCannotBeAllocatedFailsTheConstruction) {
    TZarixMDIContainer* before = CurrentMDIContainer();
    zarix::test::FailNextAllocation(true);
    EXPECT_THROW(TZarixMDIContainer{nullptr}, std::bad_alloc);
    zarix::test::FailNextAllocation(false);  // disarmed also when the construction never allocated
    EXPECT_EQ(CurrentMDIContainer(), before);
}

TEST_F(MdiTest, ClosingHandsChildrenUpRebuildsAndFocusesTheNextWindow) {
    TCustomerList* list = Open<TCustomerList>("Lista");
    Open<TCustomerCard>("KartaA", list);
    TInvoice* invoice = Open<TInvoice>("Faktura", list);
    TCustomerCard* cardB = Open<TCustomerCard>("KartaB", list);
    TWindow* note = Open<TWindow>("Notatka", cardB);
    int ownCloses = 0;
    cardB->SetOnClose([&](TObject*, TCloseAction& action) {
        ++ownCloses;
        action = caNone;  // a close handler of the window itself cannot keep a registered window
    });
    Container->AddMDIForm(cardB, 300, 400, list, 0, alNotAligned, 0);  // re-hooked with its own handler
    Container->DelMDIForm(cardB);
    Container->AddMDIForm(cardB, 300, 400, list, 0, alNotAligned, 0);
    TWeak<TForm> closing = cardB;
    invoice->Show();
    cardB->Show();
    CloseNow(cardB);
    // Closed and released once; the note moved up to the list.
    EXPECT_EQ(std::tuple(static_cast<bool>(closing), ownCloses, TreeText()),
              std::tuple(false, 1, std::string("Okna Lista .KartaA .Faktura .Notatka")));
    // The next window: the parent's last other child of another class (the invoice), not the
    // other card.
    EXPECT_TRUE(invoice->Focused());
    CloseNow(invoice);
    EXPECT_TRUE(note->Focused());  // the list's last child of another class than the invoice, not the card
}

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

TEST_F(LookupTest, RegistrationsMirrorParentsInTheTreeInAndOutOfOrder) {
    const std::string tree = "Okna Lista .KartaA ..Faktura ...KartaG .KartaB Luzna";
    EXPECT_EQ(std::tuple(TreeText(), Container->Items()->Items(1)->FActiveWindowsItem()->ImageIndex(), CardA->Height(), CardA->Width()),
              std::tuple(tree, 3, 300, 400));
    // A parent that is not registered: no node now, none after a rebuild.
    TForm stranger(nullptr);
    Open("Sierota", &stranger);
    EXPECT_EQ(Container->Items()->Items(6)->FActiveWindowsItem(), nullptr);
    Container->RebuildTree();
    EXPECT_EQ(TreeText(), tree);
    // A window whose parent's entry comes later (the list, the first entry, moved below the last)
    // finds that parent without a node yet and gets a root-level node of its own; a lookup below
    // the parent still finds it.
    Container->Items()->Items(0)->SetParentForm(Lone);
    Container->RebuildTree();
    EXPECT_EQ(std::tuple(TreeText(), Container->IsMDIForm(Lone, "TCustomerList", 7, askBottom)), std::tuple(tree, List));
}

TEST_F(LookupTest, AFormDestroyedWithoutClosingLeavesNoEntry) {
    delete CardA;
    ASSERT_EQ(Container->Items()->Count(), 5);
    for (int i = 0; i < Container->Items()->Count(); ++i) EXPECT_NE(Container->Items()->Items(i)->Form(), nullptr);
    Container->RebuildTree();
    EXPECT_EQ(TreeText(), "Okna Lista .KartaB Faktura .KartaG Luzna");  // its child lost its parent and is top-level now
}

TEST_F(LookupTest, CanCloseAsksDepthFirstAndTheFirstRefusalWins) {
    Invoice->Refusal = "Faktura nie zapisana. ";
    Invoice->SetWindowState(wsMinimized);
    std::string msg;
    EXPECT_FALSE(Container->CanCloseMDI(List, "Lista", 4, msg, true));
    // The refusing window comes forward.
    EXPECT_EQ(std::tuple(msg, Log, Invoice->WindowState()),
              std::tuple("Faktura nie zapisana. ", std::vector<std::string>{"canclose KartaA Lista 4", "canclose Faktura Lista 4"}, wsNormal));
    Invoice->Refusal.clear();
    Log.clear();
    Invoice->SetWindowState(wsMinimized);
    EXPECT_TRUE(Container->CanCloseMDI(CardDeep, "x", 0, msg, true));  // no children: yes, and its parent is restored
    EXPECT_EQ(Invoice->WindowState(), wsNormal);
    EXPECT_TRUE(Container->CanCloseMDI(List, "Lista", 4, msg, false));
    EXPECT_EQ(Log.size(), 4u);
    Container->SetActiveWindows(nullptr);
    EXPECT_TRUE(Container->CanCloseMDI(List, "Lista", 4, msg, false));  // no tree: nobody asked
    EXPECT_EQ(Log.size(), 4u);
}

TEST_F(LookupTest, ChildrenAreToldAndMayCloseWhileBeingTold) {
    CardA->CloseWithParent = true;
    Container->OnCloseInfoToChildren(List, 11);
    // The first card closed itself: its child moved up to the list and was told in the same walk.
    EXPECT_EQ(Log, (std::vector<std::string>{"parentclosing KartaA TCustomerList 11", "parentclosing Faktura TCustomerList 11",
                                             "parentclosing KartaB TCustomerList 11"}));
    Application().ProcessMessages();
    EXPECT_EQ(TreeText(), "Okna Lista .Faktura ..KartaG .KartaB Luzna");
}

TEST_F(LookupTest, ResultsGoToTheParentOnceAndTheRegistryIsEmptied) {
    MDIResult().AddStringValue("KLIENT", "Kowalski");
    Container->SendMDIResult(Invoice);
    EXPECT_EQ(Log, std::vector<std::string>{"result KartaA TInvoice 5 Kowalski"});
    EXPECT_EQ(MDIResult().StringValueByName("KLIENT"), "");
    Log.clear();
    MDIResult().AddStringValue("KLIENT", "Nowak");
    Container->SendMDIResult(List);  // a top-level window: nobody receives, the registry is emptied
    Container->SendResultToForm(List);  // ...as this delivery shows
    EXPECT_EQ(Log, std::vector<std::string>{"result Lista  0 "});
    MDIResult().AddStringValue("KLIENT", "Zieliński");
    auto* plain = new TPlainForm(&Owner);
    auto* child = new TPlainForm(&Owner);
    Container->AddMDIForm(plain, 1, 1, nullptr, 0, alNotAligned, 0);
    Container->AddMDIForm(child, 1, 1, plain, 0, alNotAligned, 0);
    Container->SendResultToForm(plain);  // no contract: reported, and the results stay
    Container->SendMDIResult(child);  // nor for the results of its child
    ASSERT_EQ(Reports.Reports().size(), 2u);
    EXPECT_EQ(std::pair(Reports.Reports()[0].Context, Reports.Reports()[1].Context),
              std::pair(std::string("TZarixMDIContainer.SendMdiToForm"), std::string("TZarixMDIContainer.SendMdiResults")));
    EXPECT_EQ(MDIResult().StringValueByName("KLIENT"), "Zieliński");
    Reports.Clear();
    Container->SetActiveWindows(nullptr);
    Container->SendMDIResult(Invoice);  // no tree: nothing delivered, the results are lost
    EXPECT_EQ(MDIResult().StringValueByName("KLIENT"), "");
}

TEST_F(LookupTest, IsMDIFormInItsThreeModes) {
    const std::tuple<TForm*, const char*, int32_t, TAskMode, TForm*> asks[] = {
        // askTop: the nearest matching ancestor, never the source itself.
        {CardDeep, "tcustomerlist", 7, askTop, List}, {Invoice, "TInvoice", 5, askTop, nullptr},
        {CardDeep, "TCustomerList", 8, askTop, nullptr},
        // askBottom: the first matching descendant along the search order; -1 means any record.
        {List, "TCustomerCard", -1, askBottom, CardA}, {List, "TCustomerCard", 9, askBottom, CardDeep},
        {List, "TCustomerCard", 3, askBottom, CardB}, {List, "TCustomerCard", 4, askBottom, nullptr},
        // askAll (or no source): the last window of the class and record, -1 only matching -1.
        {nullptr, "TInvoice", 5, askTop, Lone}, {List, "TINVOICE", 5, askAll, Lone},
        {nullptr, "TCustomerCard", -1, askAll, CardA}, {nullptr, "TCustomerCard", 7, askAll, nullptr}};
    for (const auto& [source, className, record, mode, found] : asks)
        EXPECT_EQ(Container->IsMDIForm(source, className, record, mode), found) << className << " " << record << " " << mode;
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
    Container->ChangeOrigId(CardB, 30);
    Container->ChangeName(CardB, "Kowalski");
    EXPECT_EQ(std::pair(Container->GetMDIOrigid(CardB), TreeText()), std::pair(30, std::string("Okna Lista .KartaA ..Faktura ...KartaG .Kowalski Luzna")));
    Container->SetActiveWindows(nullptr);
    Container->ChangeOrigId(CardB, 31);
    Container->ChangeName(CardB, "Nowak");
    EXPECT_EQ(std::pair(Container->GetMDIOrigid(CardB), Container->Items()->Items(4)->Name()), std::pair(30, std::string("Kowalski")));
}

TEST_F(LookupTest, PlacementRelativeToTheParent) {
    List->SetBounds(40, 60, 500, 400);
    CardA->SetBounds(0, 0, 200, 100);
    const auto place = [&](TForm* window, TFormAlign align) {
        Container->GetPosition(window, align);
        return std::pair(window->Left(), window->Top());
    };
    EXPECT_EQ(place(CardA, alCascade), std::pair(60, 90));
    EXPECT_EQ(place(CardA, alRightTop), std::pair(40 + 500 - 200, 80));
    EXPECT_EQ(place(CardA, alNotAligned), std::pair(340, 80));
    Lone->SetBounds(70, 70, 100, 100);
    EXPECT_EQ(place(Lone, alRightTop), std::pair(70, 70));  // no parent: stays
    EXPECT_EQ(place(Lone, alCascade), std::pair(0, 0));     // no parent: the corner
}

TEST_F(LookupTest, RefreshReachesEveryOtherWindowThenEmptiesTheRegistry) {
    ModifiedObjects().AddModifiedObject("Klienci", 7);
    EXPECT_EQ(Container->RefreshMDI(CardB), 0);
    EXPECT_EQ(std::tuple(Log, ModifiedObjects().Count()),
              std::tuple(std::vector<std::string>{"refresh Lista", "refresh KartaA", "refresh Faktura", "refresh KartaG", "refresh Luzna"}, 0));
    // A window that does not keep the contract stops the refresh, is reported, and the
    // registry keeps what was noted.
    Log.clear();
    auto* plain = new TPlainForm(&Owner);
    Container->AddMDIForm(plain, 1, 1, nullptr, 0, alNotAligned, 0);
    Open("Ostatnie");
    ModifiedObjects().AddModifiedObject("Klienci", 8);
    EXPECT_EQ(Container->RefreshMDI(nullptr), 0);
    EXPECT_EQ(std::tuple(Log.size(), ModifiedObjects().Count()), std::tuple(6u, 1));
    ASSERT_EQ(Reports.Reports().size(), 1u);
    EXPECT_EQ(std::pair(Reports.Reports()[0].Context, Reports.Reports()[0].ExceptionClass),
              std::pair(std::string("TZarixMDIContainer.RefreshMdi"), std::string("EIntfCastError")));
    Reports.Clear();
}

TEST_F(LookupTest, ARefreshThatRemovesOtherWindowsLeavesThemOut) {
    List->OnRefresh = [&] {
        Container->DelMDIForm(Invoice);  // still alive, no longer registered
        CardDeep->Close();               // closed, its release still pending
    };
    Container->RefreshMDI(CardB);
    EXPECT_EQ(Log, (std::vector<std::string>{"refresh Lista", "refresh KartaA", "refresh Luzna"}));
    Application().ProcessMessages();
}
