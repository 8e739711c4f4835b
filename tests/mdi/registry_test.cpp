// Registration, removal, the active-windows tree and its context menu; a container is made
// whole or not at all.
#include "allocation_hooks.h"
#include "mdi_fixture.h"

#include "platform/ui/application.h"
#include "platform/ui/menus.h"

#include <tuple>

using namespace zarix;

TEST_F(MdiTest, RegistrationsMirrorParentsInTheTreeInAndOutOfOrder) {
    TWindow* list = Open("Lista");
    TWindow* card = Open("Karta", list, 7);
    Open("Faktura", card, 12);
    TWindow* other = Open("Inne");
    EXPECT_EQ(TreeText(), "Okna Lista(Karta(Faktura)) Inne");
    EXPECT_EQ(Container->Items()->Count(), 4);
    EXPECT_EQ(Container->Items()->Items(1)->OrigId(), 7);
    EXPECT_EQ(Container->Items()->Items(1)->FActiveWindowsItem()->ImageIndex(), 3);
    EXPECT_EQ(card->Height(), 300);
    EXPECT_EQ(card->Width(), 400);
    // A parent that is not registered: no node now, none after a rebuild.
    TForm stranger(nullptr);
    Open("Sierota", &stranger);
    EXPECT_EQ(Container->Items()->Items(4)->FActiveWindowsItem(), nullptr);
    Container->RebuildTree();
    EXPECT_EQ(TreeText(), "Okna Lista(Karta(Faktura)) Inne");
    // A window whose parent's entry comes later finds that parent without a node yet, and gets
    // a root-level node of its own.
    Container->Items()->Items(0)->SetParentForm(other);
    Container->RebuildTree();
    EXPECT_EQ(TreeText(), "Okna Lista(Karta(Faktura)) Inne");
    EXPECT_EQ(Container->Items()->Items(0)->FActiveWindowsItem()->Parent(), nullptr);
}

TEST_F(MdiTest, TheFirstRegistrationIntoAnEmptyTreeIsRootLevelAndLaterTreesAreRebuilt) {
    TWindow* list = Open("Lista");
    Tree->Items()->Clear();
    Open("Karta", list);  // the tree is empty: root level, parent or not
    EXPECT_EQ(TreeText(), "Karta");
    TTreeView later(nullptr);
    TZarixMDIContainer detached(nullptr);
    TWindow* a = new TWindow(&Owner, Log, "A");
    TWindow* b = new TWindow(&Owner, Log, "B");
    EXPECT_TRUE(detached.AddMDIForm(a, 10, 20, nullptr, 0, alCascade, -1));
    EXPECT_TRUE(detached.AddMDIForm(b, 10, 20, a, 0, alCascade, -1));
    EXPECT_EQ(detached.Items()->Items(1)->FActiveWindowsItem(), nullptr);
    detached.SetActiveWindows(&later);
    detached.RebuildTree();
    ASSERT_EQ(later.Items()->RootCount(), 1);
    EXPECT_EQ(later.Items()->Root(0)->Item(0)->Text(), "B");
    EXPECT_TRUE(detached.AddMDIForm(nullptr, 1, 1, nullptr, 0, alCascade, 0));  // nothing registered, still true
    EXPECT_EQ(detached.Items()->Count(), 2);
}

TEST_F(MdiTest, ContextMenuActsOnTheSelectedNodesWindows) {
    TPopupMenu* popup = Tree->PopupMenu();
    ASSERT_NE(popup, nullptr);
    std::vector<std::string> captions;
    for (int i = 0; i < popup->Items()->Count(); ++i) captions.push_back(popup->Items()->Items(i)->Caption());
    // "Go to...", "Close", "Minimize", "Maximize".
    EXPECT_EQ(captions, (std::vector<std::string>{"Idź do...", "Zamknij", "Minimalizacja", "Maksymalizacja"}));
    TWindow* card = Open("Karta", Open("Lista"));
    Tree->SetSelected(Container->Items()->Items(1)->FActiveWindowsItem());
    popup->Items()->Items(3)->Click();
    EXPECT_EQ(card->WindowState(), wsMaximized);
    popup->Items()->Items(2)->Click();
    EXPECT_EQ(card->WindowState(), wsMinimized);
    popup->Items()->Items(0)->Click();
    EXPECT_EQ(card->WindowState(), wsNormal);
    TWeak<TForm> closed = card;
    popup->Items()->Items(1)->Click();
    Application().ProcessMessages();
    EXPECT_FALSE(closed);
    EXPECT_EQ(TreeText(), "Okna Lista");
    Tree->SetSelected(nullptr);
    popup->Items()->Items(1)->Click();  // no selection: nothing
    TTreeNode* foreign = Tree->Items()->Add(nullptr, "Obcy");
    Tree->SetSelected(foreign);
    popup->Items()->Items(1)->Click();  // a node no window owns: nothing
    EXPECT_EQ(Container->Items()->Count(), 1);
    EXPECT_TRUE(Reports.Reports().empty());
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
    EXPECT_EQ(TreeText(), "Okna Lista(Karta,Karta)");
    Container->DelMDIForm(card);
    EXPECT_EQ(Container->Items()->Count(), 1);
    EXPECT_EQ(TreeText(), "Okna Lista");
    // The hooks stay on the form but reach no removed entry: only the form's own handlers run,
    // and its own close action holds.
    card->Show();
    card->Close();
    Application().ProcessMessages();
    EXPECT_EQ(ownShows, 1);
    EXPECT_EQ(ownCloses, 1);
    EXPECT_FALSE(card->Visible());
    EXPECT_EQ(Container->Items()->Count(), 1);
    EXPECT_TRUE(Reports.Reports().empty());
}

TEST_F(MdiTest, AFormDestroyedWithoutClosingLeavesNoEntry) {
    TWindow* list = Open("Lista");
    TWindow* card = Open("Karta", list);
    Open("Faktura", card);
    delete card;
    ASSERT_EQ(Container->Items()->Count(), 2);
    for (int i = 0; i < Container->Items()->Count(); ++i) EXPECT_NE(Container->Items()->Items(i)->Form(), nullptr);
    Container->RebuildTree();
    EXPECT_EQ(TreeText(), "Okna Lista Faktura");  // its child lost its parent and is top-level now
    EXPECT_EQ(Container->GetMDIOrigid(list), 0);
}

TEST_F(MdiTest, BulkCommandsActOnTheFramesChildren) {
    TZarixMDIContainer bare(nullptr);  // no frame, no tree: nothing to act on, nothing breaks
    bare.CloseAll();
    bare.Tile();
    bare.ArrangeIcons();
    bare.ColapseAll();
    bare.AddPrevMDIForm("KLIENT", "Lista", "Węzeł", "");
    auto* a = new TWindow(&Owner, Log, "A");
    auto* b = new TWindow(&Owner, Log, "B");
    for (TWindow* w : {a, b}) {
        w->SetMDIParent(Frame);
        w->SetFormStyle(fsMDIChild);
        Container->AddMDIForm(w, 100, 100, nullptr, 0, alNotAligned, 0);
        w->Show();
    }
    Container->Tile();
    EXPECT_NE(a->Left(), b->Left());
    Container->CloseAll();
    Application().ProcessMessages();
    EXPECT_EQ(Container->Items()->Count(), 0);
    EXPECT_TRUE(Reports.Reports().empty());
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
    EXPECT_EQ(Container->Items()->Count(), 1);
    EXPECT_EQ(Container->Items()->Items(0)->Form(), list);
}

struct TLoadedWindow : TZarixMdiForm {
    explicit TLoadedWindow(TComponent* owner) : TZarixMdiForm(owner) { SetFormStyle(fsMDIChild); }
};

TEST_F(MdiTest, AnMdiFormStartsHiddenOnceLoadedAndMayBeHidden) {
    auto* window = TForm::Create<TLoadedWindow>(Frame);
    EXPECT_FALSE(window->Visible());
    window->Show();
    window->Hide();  // never refused, unlike other MDI children
    EXPECT_FALSE(window->Visible());
}

// A registry that cannot be allocated fails the construction instead of leaving a container
// without one.
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
