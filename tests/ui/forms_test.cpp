// Forms: the close protocol and deferred release, the MDI frame's children, their z-order, focus
// and layout.
#include "platform/ui/forms.h"

#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/application.h"
#include "platform/ui/image_list.h"

#include "message_of.h"
#include "ui_change_scope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace zarix;

namespace {

// Counts its destructions, so a double free or a leak shows up as a wrong number.
class TCountedForm : public TForm {
public:
    using TForm::TForm;
    ~TCountedForm() override { ++Destroyed; }
    static inline int Destroyed = 0;
};

struct TChild : TForm {
    explicit TChild(TComponent* AOwner) : TForm(AOwner) { SetFormStyle(fsMDIChild); }
};

// The application's own kind of MDI child: it starts hidden and may be hidden.
struct THideableChild : TZarixMdiForm {
    explicit THideableChild(TComponent* AOwner) : TZarixMdiForm(AOwner) { SetFormStyle(fsMDIChild); }
};

// Leaves the process-wide application as it found it: no main form, no pending release (which
// the leak check after each test would report).
class FormsTest : public ::testing::Test {
protected:
    void SetUp() override { TCountedForm::Destroyed = 0; }
    void TearDown() override {
        Application().ProcessMessages();
        Application().SetMainForm(nullptr);
    }

    // A visible frame of 800 x 600 owning its children.
    std::unique_ptr<TForm> MakeFrame() {
        auto frame = std::make_unique<TForm>(nullptr);
        frame->SetFormStyle(fsMDIForm);
        frame->SetBounds(0, 0, 800, 600);
        frame->Show();
        return frame;
    }
    static TChild* MakeChild(TForm& frame) { return TForm::Create<TChild>(&frame); }
    /// N children of the frame, in the order they were made (the last one on top).
    template <std::size_t N>
    static std::array<TChild*, N> MakeChildren(TForm& frame) {
        std::array<TChild*, N> children{};
        for (TChild*& child : children) child = MakeChild(frame);
        return children;
    }
    static std::vector<TBounds> Bounds(std::initializer_list<TForm*> forms) {
        std::vector<TBounds> out;
        for (TForm* f : forms) out.push_back(f->BoundsRect());
        return out;
    }
    static std::vector<TForm*> ZOrder(TForm& frame) {
        std::vector<TForm*> out;
        for (int i = 0; i < frame.MDIChildCount(); ++i) out.push_back(frame.MDIChildren(i));
        return out;
    }
};

}  // namespace

// The action a handler is offered, and the form it is told of, are DefaultActionsCaNoneAndARefusingCloseQuery's
// and MdiTest.ClosingHandsChildrenUpRebuildsAndFocusesTheNextWindow's.
TEST_F(FormsTest, CaFreeReleasesOnlyWhenMessagesAreProcessedAndNeverTwice) {
    auto* form = new TCountedForm(nullptr);
    form->Show();
    TWeak<TForm> weak(form);
    form->SetOnClose([](TObject*, TCloseAction& Action) { Action = caFree; });
    form->Close();
    EXPECT_TRUE(weak && form->Visible());
    Application().ProcessMessages();
    EXPECT_FALSE(weak);

    // Freed before its queued releases are processed: still freed once.
    form = new TCountedForm(nullptr);
    form->SetOnClose([](TObject*, TCloseAction& Action) { Action = caFree; });
    form->Close();
    form->Release();
    delete form;
    Application().ProcessMessages();
    // Owned forms die with their owner; a release queued before that finds nothing to free.
    auto* owner = new TComponent(nullptr);
    (new TCountedForm(owner))->Release();
    delete owner;
    Application().ProcessMessages();
    // A handler that frees its own form ends the close quietly.
    form = new TCountedForm(nullptr);
    form->Show();
    form->SetOnClose([form](TObject*, TCloseAction& Action) {
        Action = caHide;
        delete form;
    });
    form->Close();
    EXPECT_EQ(std::pair(TCountedForm::Destroyed, Application().PendingMessages()), std::pair(4, std::size_t{0}));
}

TEST_F(FormsTest, DefaultActionsCaNoneAndARefusingCloseQuery) {
    auto frame = MakeFrame();
    TForm normal(nullptr);
    normal.Show();
    TCloseAction seen = caNone;
    normal.SetOnClose([&](TObject*, TCloseAction& Action) { seen = Action; });
    normal.Close();
    EXPECT_EQ(std::pair(seen, normal.Visible()), std::pair(caHide, false));

    TChild* child = MakeChild(*frame);
    child->SetOnClose([&](TObject*, TCloseAction& Action) { seen = Action; });
    child->Close();  // MDI children minimize by default
    EXPECT_EQ(std::tuple(seen, child->WindowState(), child->Visible()), std::tuple(caMinimize, wsMinimized, true));

    child->SetWindowState(wsNormal);
    child->SetOnClose([](TObject*, TCloseAction& Action) { Action = caNone; });
    child->Close();
    EXPECT_EQ(std::tuple(child->WindowState(), child->Visible(), Application().PendingMessages()),
              std::tuple(wsNormal, true, std::size_t{0}));

    int closeRuns = 0;
    child->SetOnClose([&](TObject*, TCloseAction&) { ++closeRuns; });
    child->SetOnCloseQuery([](TObject*, bool& CanClose) { CanClose = false; });
    child->Close();
    EXPECT_EQ(closeRuns, 0);
    // The frame asks its children first: one refusing child keeps the frame open.
    bool frameClosed = false;
    frame->SetOnClose([&](TObject*, TCloseAction&) { frameClosed = true; });
    frame->Close();
    EXPECT_EQ(std::pair(frameClosed, frame->Visible()), std::pair(false, true));
    child->SetOnCloseQuery(nullptr);
    frame->Close();
    EXPECT_EQ(std::pair(frameClosed, frame->Visible()), std::pair(true, false));
}

TEST_F(FormsTest, AChildJoinsItsExplicitFrameElseItsOwnerFrameElseTheMainFormAndOutlivesThem) {
    TForm loose(nullptr);
    auto owningFrame = MakeFrame();
    auto* mainFrame = MakeFrame().release();  // dies before its child, below
    TChild* owned = MakeChild(*owningFrame);
    EXPECT_EQ(owned->MDIParent(), owningFrame.get());
    // Without an owner a child can only reach a frame that is the main form.
    EXPECT_THROW(TForm::Create<TChild>(nullptr), EInvalidOperation);

    Application().SetMainForm(mainFrame);
    TChild unowned(nullptr);
    EXPECT_EQ(unowned.MDIParent(), mainFrame);
    unowned.SetMDIParent(owningFrame.get());
    EXPECT_EQ(std::pair(mainFrame->MDIChildCount(), owningFrame->MDIChildCount()), std::pair(0, 2));
    EXPECT_THROW(unowned.SetMDIParent(&loose), EInvalidOperation);
    EXPECT_EQ(unowned.MDIParent(), owningFrame.get());
    // A frame keeps its style while it has children.
    EXPECT_THROW(owningFrame->SetFormStyle(fsNormal), EInvalidOperation);
    EXPECT_THROW(owningFrame->MDIChildren(2), EListError);

    auto* child = TForm::Create<TChild>(nullptr);
    delete mainFrame;
    EXPECT_EQ(std::pair(child->MDIParent(), Application().MainForm()), (std::pair<TForm*, TForm*>(nullptr, nullptr)));
    child->SetWindowState(wsMaximized);  // no frame left to fill: keeps its rectangle
    EXPECT_EQ(child->Width(), 320);
    child->Close();
    EXPECT_EQ(child->WindowState(), wsMinimized);
    delete child;
}

TEST_F(FormsTest, ChildrenAreListedActiveFirstAndFocusMovesOnWhenTheActiveOneGoes) {
    auto frame = MakeFrame();
    const auto [a, b, c] = MakeChildren<3>(*frame);
    EXPECT_EQ(ZOrder(*frame), (std::vector<TForm*>{c, b, a}));

    a->SetFocus();
    EXPECT_EQ(ZOrder(*frame), (std::vector<TForm*>{a, c, b}));
    EXPECT_TRUE(a->Focused());  // Focused() answers from the application's active form
    std::vector<std::string> seen;
    const TUIChangeScope frontEnd([&, b = b](const TUIChange& change) {
        if (change.Sender == b) seen.emplace_back(change.What);
    });
    b->BringToFront();  // within the focused frame, bringing forward activates
    // "ZOrder" is what a front-end raises its window by.
    EXPECT_EQ(std::pair(Application().ActiveForm(), std::count(seen.begin(), seen.end(), "ZOrder")), std::pair(static_cast<TForm*>(b), 1L));

    delete b;
    EXPECT_EQ(std::pair(ZOrder(*frame), Application().ActiveForm()), std::pair(std::vector<TForm*>{a, c}, static_cast<TForm*>(a)));
    delete a;
    delete c;
    EXPECT_EQ(std::pair(Application().ActiveForm(), frame->ActiveMDIChild()), std::pair(frame.get(), static_cast<TForm*>(nullptr)));
}

TEST_F(FormsTest, HidingAChildIsRefusedUnlessItsClassAllowsIt) {
    auto frame = MakeFrame();
    TChild* plain = MakeChild(*frame);
    EXPECT_EQ(MessageOf<EInvalidOperation>([&] { plain->Hide(); }), "Cannot hide an MDI Child Form");
    EXPECT_TRUE(plain->Visible());

    THideableChild* hidden = TForm::Create<THideableChild>(frame.get());
    // A hidden child is never the active one.
    EXPECT_EQ(std::pair(hidden->Visible(), frame->ActiveMDIChild()), std::pair(false, static_cast<TForm*>(plain)));
    EXPECT_THROW(hidden->SetFocus(), EInvalidOperation);
    int shows = 0;
    hidden->SetOnShow([&](TObject*) { ++shows; });
    hidden->Show();
    EXPECT_EQ(std::pair(shows, frame->ActiveMDIChild()), std::pair(1, static_cast<TForm*>(hidden)));
    hidden->Hide();  // never refused, unlike other MDI children
    EXPECT_EQ(std::tuple(hidden->Visible(), frame->ActiveMDIChild(), Application().ActiveForm()),
              (std::tuple<bool, TForm*, TForm*>(false, plain, plain)));
}

TEST_F(FormsTest, TileGridsTheShownChildrenAboveTheRowOfIconsAndCascadeStacksThemFromTheBottom) {
    auto frame = MakeFrame();
    const auto children = MakeChildren<4>(*frame);
    children[0]->SetWindowState(wsMaximized);
    frame->Tile();
    // In z-order, from the active child in the top left cell.
    EXPECT_EQ(Bounds({children[3], children[2], children[1], children[0]}),
              (std::vector<TBounds>{{0, 0, 400, 300}, {400, 0, 400, 300}, {0, 300, 400, 300}, {400, 300, 400, 300}}));
    EXPECT_EQ(children[0]->WindowState(), wsNormal);

    children[1]->SetWindowState(wsMinimized);
    EXPECT_EQ(children[1]->BoundsRect(), (TBounds{0, 576, 160, 24}));
    frame->Tile();  // the icon stays put
    EXPECT_EQ(Bounds({children[3], children[0], children[1]}),
              (std::vector<TBounds>{{0, 0, 400, 288}, {0, 288, 400, 288}, {0, 576, 160, 24}}));
    // From the bottom child up, each keeping its size; the icon is left where it is.
    children[3]->SetBounds(500, 500, 250, 150);
    frame->Cascade();
    constexpr int step = TForm::CascadeStep;
    EXPECT_EQ(Bounds({children[0], children[2], children[3], children[1]}),
              (std::vector<TBounds>{{0, 0, 400, 288}, {step, step, 400, 288}, {2 * step, 2 * step, 250, 150}, {0, 576, 160, 24}}));
}

TEST_F(FormsTest, ArrangeIconsClosesTheGapsAndRestoringBringsBackTheOldPlace) {
    auto frame = MakeFrame();
    frame->SetWidth(400);  // two icons a row
    const auto [a, b, c] = MakeChildren<3>(*frame);
    a->SetBounds(10, 20, 200, 100);
    for (TChild* child : {a, b, c}) child->SetWindowState(wsMinimized);
    EXPECT_EQ(Bounds({a, b, c}), (std::vector<TBounds>{{0, 576, 160, 24}, {160, 576, 160, 24}, {0, 552, 160, 24}}));

    // Moving or sizing a minimized window changes the place it returns to, not its icon; a
    // negative height is none.
    a->SetLeft(30);
    a->SetHeight(-5);
    EXPECT_EQ(std::pair(a->Left(), a->Height()), std::pair(0, 24));
    a->SetWindowState(wsNormal);
    EXPECT_EQ(a->BoundsRect(), (TBounds{30, 20, 200, 0}));
    frame->ArrangeIcons();  // z-order: c then b
    EXPECT_EQ(Bounds({c, b}), (std::vector<TBounds>{{0, 576, 160, 24}, {160, 576, 160, 24}}));

    a->SetWindowState(wsMaximized);
    EXPECT_EQ(std::pair(a->BoundsRect(), a->RestoredBounds()), std::pair(TBounds{0, 0, 400, 600}, TBounds{30, 20, 200, 0}));
}

TEST_F(FormsTest, IconsComeFromImageListsActiveControlIsClearedWithItsControlAndChangesAreReported) {
    std::vector<std::string> changes;
    TForm form(nullptr);
    TImageList images(nullptr);
    images.Add("faktura");
    images.Add("klient");
    form.SetIcon(TIcon::FromImageList(images, 1));
    EXPECT_THROW(form.SetIcon(TIcon::FromImageList(images, 2)), EListError);  // a bad index changes nothing
    EXPECT_EQ(std::pair(form.Icon().ImageName, form.Icon().ImageIndex), std::pair(std::string("klient"), 1));
    const TUIChangeScope frontEnd([&](const TUIChange& change) {
        if (change.Sender == &form) changes.emplace_back(change.What);
    });
    {
        TComponent edit(&form);
        form.SetActiveControl(&edit);
        EXPECT_EQ(form.ActiveControl(), &edit);
    }
    EXPECT_EQ(form.ActiveControl(), nullptr);
    form.SetCaption("Faktury");
    form.Show();
    form.SetWindowState(wsMinimized);
    for (const char* what : {"ActiveControl", "Caption", "Visible", "Focus", "WindowState"})
        EXPECT_NE(std::find(changes.begin(), changes.end(), what), changes.end()) << what;
}
