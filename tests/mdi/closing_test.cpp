// The closing protocol and the result hand-over.
#include "mdi_fixture.h"

#include "platform/ui/application.h"

using namespace zarix;

TEST_F(MdiTest, CanCloseAsksDepthFirstAndTheFirstRefusalWins) {
    TWindow* doc = Open("Dokument");
    TWindow* picker = Open("Wybor", doc);
    TWindow* detail = Open("Szczegoly", picker);
    Open("Notatka", doc);
    detail->Refusal = "Szczegóły nie zapisane. ";
    detail->SetWindowState(wsMinimized);
    std::string msg;
    EXPECT_FALSE(Container->CanCloseMDI(doc, "Dokument", 4, msg, true));
    EXPECT_EQ(msg, "Szczegóły nie zapisane. ");
    EXPECT_EQ(Log, (std::vector<std::string>{"canclose Wybor Dokument 4", "canclose Szczegoly Dokument 4"}));
    EXPECT_EQ(detail->WindowState(), wsNormal);  // the refusing window comes forward
    detail->Refusal.clear();
    Log.clear();
    picker->SetWindowState(wsMinimized);
    EXPECT_TRUE(Container->CanCloseMDI(detail, "x", 0, msg, true));  // no children: yes, and its parent is restored
    EXPECT_EQ(picker->WindowState(), wsNormal);
    EXPECT_TRUE(Container->CanCloseMDI(doc, "Dokument", 4, msg, false));
    EXPECT_EQ(Log.size(), 3u);
    Container->SetActiveWindows(nullptr);
    EXPECT_TRUE(Container->CanCloseMDI(doc, "Dokument", 4, msg, false));  // no tree: nobody asked
    EXPECT_EQ(Log.size(), 3u);
}

TEST_F(MdiTest, ChildrenAreToldAndMayCloseWhileBeingTold) {
    TWindow* doc = Open("Dokument");
    TWindow* first = Open("Pierwsze", doc);
    Open("Wnuk", first);
    Open("Drugie", doc);
    first->CloseWithParent = true;
    Container->OnCloseInfoToChildren(doc, 11);
    // "Pierwsze" closed itself: its child moved up to the document and was told in the same walk.
    EXPECT_EQ(Log, (std::vector<std::string>{"parentclosing Pierwsze TWindow 11", "parentclosing Wnuk TWindow 11",
                                             "parentclosing Drugie TWindow 11"}));
    Application().ProcessMessages();
    EXPECT_EQ(TreeText(), "Okna Dokument(Wnuk,Drugie)");
}

TEST_F(MdiTest, ClosingHandsChildrenUpRebuildsAndFocusesTheNextWindow) {
    TCustomerList* list = Open<TCustomerList>("Lista");
    TCustomerCard* cardA = Open<TCustomerCard>("KartaA", list);
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
    EXPECT_FALSE(closing);
    EXPECT_EQ(ownCloses, 1);
    EXPECT_EQ(TreeText(), "Okna Lista(KartaA,Faktura,Notatka)");  // the note moved up to the list
    // The next window: the parent's last other child of another class (the invoice), not the
    // other card.
    EXPECT_TRUE(invoice->Focused());
    CloseNow(invoice);
    EXPECT_TRUE(note->Focused());  // the list's last child of another class than the invoice
    EXPECT_FALSE(cardA->Focused());
    EXPECT_TRUE(Reports.Reports().empty());
}

TEST_F(MdiTest, ResultsGoToTheParentOnceAndTheRegistryIsEmptied) {
    TWindow* doc = Open("Dokument");
    TCustomerList* picker = Open<TCustomerList>("Wybor", doc, 42);
    MDIResult().AddStringValue("KLIENT", "Kowalski");
    Container->SendMDIResult(picker);
    EXPECT_EQ(Log, std::vector<std::string>{"result Dokument TCustomerList 42 Kowalski"});
    EXPECT_EQ(MDIResult().StringValueByName("KLIENT"), "");
    Container->SendMDIResult(picker);  // nothing waiting now
    EXPECT_EQ(Log.back(), "result Dokument TCustomerList 42 ");
    Log.clear();
    MDIResult().AddStringValue("KLIENT", "Nowak");
    Container->SendMDIResult(doc);  // a top-level window: nobody receives, the registry is emptied
    Container->SendResultToForm(doc);
    EXPECT_EQ(Log, std::vector<std::string>{"result Dokument  0 "});
    MDIResult().AddStringValue("KLIENT", "Zieliński");
    auto* plain = new TPlainForm(&Owner);
    Container->AddMDIForm(plain, 1, 1, nullptr, 0, alNotAligned, 0);
    Container->SendResultToForm(plain);  // no contract: reported, and the results stay
    ASSERT_EQ(Reports.Reports().size(), 1u);
    EXPECT_EQ(Reports.Reports()[0].Context, "TZarixMDIContainer.SendMdiToForm");
    EXPECT_EQ(MDIResult().StringValueByName("KLIENT"), "Zieliński");
    Container->SetActiveWindows(nullptr);
    Container->SendMDIResult(picker);  // no tree: nothing delivered, the results are lost
    EXPECT_EQ(MDIResult().StringValueByName("KLIENT"), "");
}
