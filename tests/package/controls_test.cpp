// Controls: parents, tab order, the align layout, the panel's grid, the page control's pages,
// and colours and fonts read and written by name.
#include "platform/ui/controls.h"

#include "platform/ui/graphics.h"
#include "services/controls/page_control.h"
#include "services/controls/panel.h"

#include <gtest/gtest.h>

#include <memory>

using namespace zarix;

namespace {

struct ControlsTest : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    void SetUp() override { form->SetBounds(0, 0, 300, 200); }

    TZarixPanel* Panel(TAlign align, TBounds b, TComponent* parent = nullptr) {
        auto* p = new TZarixPanel(form.get());
        p->SetParent(parent != nullptr ? parent : form.get());
        p->SetBounds(b.Left, b.Top, b.Width, b.Height);
        p->SetAlign(align);
        return p;
    }
};

}  // namespace

TEST_F(ControlsTest, DockedControlsShareTheClientAreaAndFollowTheirParentsSize) {
    TZarixPanel* left = Panel(alLeft, {50, 50, 40, 10});
    TZarixPanel* bottom = Panel(alBottom, {0, 0, 10, 30});
    TZarixPanel* top = Panel(alTop, {0, 0, 10, 20});
    TZarixPanel* client = Panel(alClient, {0, 0, 1, 1});
    TZarixPanel* loose = Panel(alNone, {5, 6, 7, 8});
    EXPECT_EQ(top->BoundsRect(), (TBounds{0, 0, 300, 20}));
    EXPECT_EQ(bottom->BoundsRect(), (TBounds{0, 170, 300, 30}));
    EXPECT_EQ(left->BoundsRect(), (TBounds{0, 20, 40, 150}));
    EXPECT_EQ(client->BoundsRect(), (TBounds{40, 20, 260, 150}));
    EXPECT_EQ(loose->BoundsRect(), (TBounds{5, 6, 7, 8}));

    // A child docked in the client panel lies inside the panel's one-pixel bevel.
    TZarixPanel* inner = Panel(alClient, {0, 0, 1, 1}, client);
    EXPECT_EQ(inner->BoundsRect(), (TBounds{1, 1, 258, 148}));

    form->SetBounds(0, 0, 400, 300);
    AlignControls(form.get());
    EXPECT_EQ(bottom->BoundsRect(), (TBounds{0, 270, 400, 30}));
    EXPECT_EQ(client->BoundsRect(), (TBounds{40, 20, 360, 250}));
    EXPECT_EQ(inner->BoundsRect(), (TBounds{1, 1, 358, 248})) << "a resized control lays its own children out";

    top->SetVisible(false);
    EXPECT_EQ(left->BoundsRect(), (TBounds{0, 0, 40, 270})) << "hidden controls take no room";
}

TEST_F(ControlsTest, TabOrderFollowsArrivalAndMovesRenumberTheSiblingsAndParentsMustBeFormsOrControlsOutside) {
    TZarixPanel* a = Panel(alNone, {});
    TZarixPanel* b = Panel(alNone, {});
    TZarixPanel* c = Panel(alNone, {});
    EXPECT_EQ(c->TabOrder(), 2);
    c->SetTabOrder(0);
    EXPECT_EQ((std::vector<int>{a->TabOrder(), b->TabOrder(), c->TabOrder()}), (std::vector<int>{1, 2, 0}));
    a->SetTabOrder(99);
    EXPECT_EQ((std::vector<int>{a->TabOrder(), b->TabOrder(), c->TabOrder()}), (std::vector<int>{2, 1, 0}));
    b->SetParent(nullptr);
    EXPECT_EQ(b->TabOrder(), -1);
    EXPECT_EQ(a->TabOrder(), 1);
    EXPECT_THROW(b->SetTabOrder(0), EInvalidOperation);

    TZarixPanel* outer = a;
    TZarixPanel* inner = Panel(alNone, {}, outer);
    TComponent plain(nullptr);
    EXPECT_THROW(outer->SetParent(&plain), EInvalidOperation);
    EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
    EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
    EXPECT_EQ(outer->Parent(), form.get()) << "a refused move leaves the control where it was";
    EXPECT_EQ(ControlsOf(outer), (std::vector<TControl*>{inner}));
}

TEST_F(ControlsTest, AParentFreedFirstLeavesItsControlsWithoutOne) {
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* panel = new TZarixPanel(owner.get());
    auto* child = new TZarixPanel(owner.get());
    panel->SetParent(form.get());
    child->SetParent(panel);
    delete panel;
    EXPECT_EQ(child->Parent(), nullptr);
    child->SetParent(form.get());
    form.reset();
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_TRUE(ControlsOf(child).empty());
}

TEST_F(ControlsTest, APanelGridPlacesUndockedControlsInTabOrder) {
    TZarixPanel* grid = Panel(alNone, {0, 0, 102, 62});
    grid->SetLayoutColCount(2);
    TZarixPanel* first = Panel(alNone, {}, grid);
    TZarixPanel* second = Panel(alNone, {}, grid);
    TZarixPanel* third = Panel(alNone, {}, grid);
    EXPECT_EQ(first->BoundsRect(), (TBounds{0, 0, 0, 0})) << "no rows yet: no grid";
    grid->SetLayoutRowCount(2);
    third->SetTabOrder(0);
    EXPECT_EQ(third->BoundsRect(), (TBounds{1, 1, 50, 30}));
    EXPECT_EQ(first->BoundsRect(), (TBounds{51, 1, 50, 30}));
    EXPECT_EQ(second->BoundsRect(), (TBounds{1, 31, 50, 30}));
}

TEST_F(ControlsTest, PageControlShowsOnePageAndMovesOnWhenItGoes) {
    auto* pages = new TZarixPageControl(form.get());
    pages->SetParent(form.get());
    auto* one = new TKQTabSheet(form.get());
    auto* two = new TKQTabSheet(form.get());
    auto* three = new TKQTabSheet(form.get());
    for (TKQTabSheet* s : {one, two, three}) s->SetPageControl(pages);
    EXPECT_EQ(pages->ActivePage(), one) << "the first page shows by itself";
    EXPECT_EQ(one->BoundsRect(), (TBounds{2, 22, 285, 169}));
    EXPECT_EQ(three->BoundsRect(), one->BoundsRect()) << "hidden pages are laid out too";
    pages->SetActivePage(two);
    EXPECT_FALSE(one->Visible());
    EXPECT_TRUE(two->Visible());
    three->SetPageIndex(0);
    EXPECT_EQ(pages->Pages(0), three);
    EXPECT_EQ(two->PageIndex(), 2);
    delete two;
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePage(), one) << "the new last page takes the freed one's place";
    EXPECT_TRUE(one->Visible());

    TKQTabSheet stray(nullptr);
    EXPECT_THROW(pages->SetActivePage(&stray), EInvalidOperation);
    EXPECT_THROW(stray.SetPageIndex(0), EInvalidOperation);
    EXPECT_THROW(pages->Pages(2), EListError);
    EXPECT_THROW(SetPropValue(*pages, "ActivePage", Variant("Nikt")), EInvalidOperation);
}

TEST(Graphics, ColoursAndCharsetsTravelByNameOrNumber) {
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(RGB(0x12, 0x34, 0x56)), "$00563412");
    EXPECT_EQ(StringToColor("CLNONE"), clNone);
    EXPECT_EQ(StringToColor("$FF00000F"), clBtnFace);
    EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
    EXPECT_THROW(StringToColor("clPlaid"), EConvertError);
    EXPECT_THROW(StringToColor("$123456789"), EConvertError);
    EXPECT_EQ(StringToCharset("238"), EASTEUROPE_CHARSET);
    EXPECT_THROW(StringToCharset("256"), EConvertError);

    TKQTabSheet sheet(nullptr);
    SetPropValue(sheet, "ColorTo", Variant(int32_t{0x00FF00}));
    EXPECT_EQ(GetPropValue(sheet, "ColorTo"), Variant("clLime"));
    EXPECT_THROW(SetPropValue(sheet, "TabColor", Variant("nie kolor")), EConvertError);
    EXPECT_EQ(sheet.TabColor(), clBtnFace) << "a refused value changes nothing";

    TZarixPageControl pages(nullptr);
    SetPropValue(pages, "Font.Style", Variant("[fsBold,fsItalic]"));
    SetPropValue(pages, "Font.Charset", Variant("EASTEUROPE_CHARSET"));
    EXPECT_EQ(pages.Font().Style, (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(pages.Font().Charset, EASTEUROPE_CHARSET);
    EXPECT_FALSE(pages.ParentFont()) << "a font of its own";
}
