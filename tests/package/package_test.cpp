// The package as its host meets it: the unit table, Initialize and Finalize, and the library's
// exports by name; the palette registry, the three Register procedures and the palette pictures;
// the controls its form is made of (parents, tab order, the align layout, the panel's grid, the
// page control's pages, colours and fonts by name); and the plugin manager form, every component
// and property of its layout read by name as a tool would, kept when the form is resized.
#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "package/PluginManagerForm.h"
#include "package/palette_bitmaps.h"
#include "package/registration.h"
#include "package/zarixplugins.h"
#include "platform/ui/component_palette.h"
#include "platform/ui/controls.h"
#include "platform/ui/graphics.h"
#include "plugin/zarixplugin.h"
#include "services/controls/page_control.h"
#include "services/controls/panel.h"
#include "sync/sync.h"

#include "message_of.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace zarix;

// The unit table lists the units in order, none with work of its own, and the load hook ran
// the units' start once. Initialize and Finalize hand over to the runner tested below.
TEST(PackageInfo, TheUnitTableAndTheStartByTheLoadHook) {
    const TPackageInfoTable* table = GetPackageInfoTable();
    std::vector<std::string> units;
    for (int32_t i = 0; i < table->UnitCount; ++i)
        units.push_back(table->Units[i].Name + std::string(table->Units[i].Init || table->Units[i].FInit ? " (works)" : ""));
    EXPECT_EQ(units, (std::vector<std::string>{"zarixplugins", "sync", "zarixplugin", "plugin_utils", "ZarixPluginManager",
                                               "ZarixMDIContainer", "result_type", "PluginManagerForm"}));
    ASSERT_EQ(table->RequiresCount, 4);
    EXPECT_STREQ(table->Requires[0], "ZarixControls");

    EXPECT_EQ(PackageInitCount(), 1) << "the load hook ran Initialize once";
    // frmPluginManager stays unassigned too: PluginManagerForm.IsBuiltAsItsLayoutSays... checks it.
    EXPECT_EQ(GlobalPluginManager, nullptr) << "the library never assigns it";
}

namespace {

std::vector<std::string> Journal;
template <char Unit>
void Init() { Journal.push_back(std::string("init ") + Unit); }
template <char Unit>
void Fini() { Journal.push_back(std::string("fini ") + Unit); }
void InitFails() { throw std::runtime_error("start-up failed"); }

}  // namespace

TEST(UnitRunner, StartsInOrderStopsInReverseOnlyAtTheOutermostCallsAndUndoesAFailedStart) {
    const TPackageUnitEntry units[] = {{"A", Init<'A'>, Fini<'A'>}, {"B", Init<'B'>, nullptr}, {"C", nullptr, Fini<'C'>}};
    const TPackageInfoTable table{3, units, 0, nullptr};
    TUnitRunner runner(table);
    Journal.clear();
    runner.Initialize();
    runner.Initialize();
    EXPECT_EQ(Journal, (std::vector<std::string>{"init A", "init B"}));
    runner.Finalize();
    EXPECT_EQ(Journal.size(), 2u) << "one Initialize is still open";
    runner.Finalize();
    runner.Finalize();  // one too many: nothing happens
    EXPECT_EQ(Journal, (std::vector<std::string>{"init A", "init B", "fini C", "fini A"}));

    // A unit that fails to start has the units before it, and only those, stopped.
    const TPackageUnitEntry failing[] = {{"A", Init<'A'>, Fini<'A'>}, {"X", InitFails, Fini<'X'>}, {"B", Init<'B'>, nullptr}};
    const TPackageInfoTable failingTable{3, failing, 0, nullptr};
    TUnitRunner failed(failingTable);
    Journal.clear();
    EXPECT_THROW(failed.Initialize(), std::runtime_error);
    EXPECT_EQ(Journal, (std::vector<std::string>{"init A", "fini A"}));
    EXPECT_EQ(failed.Count(), 0);
}

// The process-wide lookup of each plain name gives what this program uses: a program linked with
// the library works on its own copy of the variables (copy relocations), and the library's code is
// bound to that copy too. That the library exports each name itself is the committed symbol list's
// check (Package.ExportedSymbolsOf_zarixplugins).
TEST(PackageExports, EachEntryPointAndVariableIsFoundByItsPlainName) {
    const std::pair<const char*, const void*> exports[] = {
        {"GetPackageInfoTable", reinterpret_cast<const void*>(&GetPackageInfoTable)},
        {"Initialize", reinterpret_cast<const void*>(&Initialize)},
        {"Finalize", reinterpret_cast<const void*>(&Finalize)},
        {"GlobalPluginManager", &GlobalPluginManager}, {"frmPluginManager", &frmPluginManager},
        {"fMDIResult", &fMDIResult},                   {"fModifiedObject", &fModifiedObject},
    };
    for (const auto& [name, address] : exports) EXPECT_EQ(dlsym(RTLD_DEFAULT, name), address) << name;
}

TEST(Palette, TheThreeUnitsPutTheirClassesOnZarixOnceHoweverOftenTheyRegister) {
    RegisterPackageComponents();
    ZarixMDIContainer::Register();
    ZarixPluginManager::Register();
    zarixplugin::Register();
    RegisterPackageComponents();

    const std::vector<TClass> classes = PaletteClasses("Zarix");
    ASSERT_EQ(classes.size(), 3u);
    EXPECT_EQ(std::set<TClass>(classes.begin(), classes.end()),
              (std::set<TClass>{&TZarixMDIContainer::StaticClass(), &TZarixPluginManager::StaticClass(),
                                &TZarixPlugin::StaticClass()}));
    EXPECT_EQ(PaletteClasses("zarix"), classes) << "page names ignore ASCII case";
    const std::vector<std::string> pages = PalettePages();
    EXPECT_EQ(std::tuple(std::count(pages.begin(), pages.end(), "Zarix"), FindClass("TZarixPluginManager")),
              std::tuple(1, &TZarixPluginManager::StaticClass()));

    // Another page cannot take a class that is already on the palette.
    RegisterComponents("Inne", {&TZarixPlugin::StaticClass()});
    EXPECT_EQ(std::tuple(PalettePageOf(&TZarixPlugin::StaticClass()), PaletteClasses("Inne").empty()), std::tuple("Zarix", true));
}

TEST(Palette, BadRegistrationsRaiseAndRegisterNothingAndUnregisteringDropsThePage) {
    EXPECT_THROW(RegisterComponents("", {&TZarixPlugin::StaticClass()}), EComponentError);
    EXPECT_THROW(RegisterComponents("Puste", {&TForm::StaticClass(), nullptr}), EComponentError);
    EXPECT_EQ(std::tuple(PaletteClasses("Puste").empty(), PalettePageOf(&TForm::StaticClass())), std::tuple(true, ""));
    RegisterComponents("Tymczasowa", {&TForm::StaticClass()});
    ASSERT_EQ(PaletteClasses("Tymczasowa").size(), 1u);
    UnRegisterComponentsWhere([](TClass c) { return c == &TForm::StaticClass(); });
    EXPECT_TRUE(PaletteClasses("Tymczasowa").empty());
    for (const std::string& page : PalettePages()) EXPECT_NE(page, "Tymczasowa");
}

TEST(PaletteBitmaps, EachClassHasADistinct24By24PictureOf24BitColourInAValidBmpFile) {
    EXPECT_EQ(BitmapResourceNames(), (std::vector<std::string>{"TZARIXMDICONTAINER", "TZARIXPLUGINMANAGER", "TZARIXPLUGIN"}));
    // The little-endian fields of the file's headers: its size, where the pixels start, the
    // information header's size, width, height (positive: bottom row first), planes, bits per
    // pixel and compression (none).
    // Each one's offset, width and value.
    const std::tuple<std::size_t, std::size_t, uint32_t> fields[] = {{2, 4, 54 + 24 * 72}, {10, 4, 54}, {14, 4, 40}, {18, 4, 24}, {22, 4, 24}, {26, 2, 1}, {28, 2, 24}, {30, 4, 0}};
    std::set<std::vector<uint8_t>> pictures;
    for (TClass cls : {&TZarixMDIContainer::StaticClass(), &TZarixPluginManager::StaticClass(), &TZarixPlugin::StaticClass()}) {
        SCOPED_TRACE(std::string(cls->Name()));
        const TBitmap bitmap = PaletteBitmap(cls);
        pictures.insert(bitmap.Bits());

        const std::vector<uint8_t> file = bitmap.SaveToBytes();
        ASSERT_EQ(file.size(), 54u + 24u * 72u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 2), "BM");
        for (const auto& [at, bytes, expected] : fields) {
            uint32_t value = 0;
            for (std::size_t i = bytes; i-- > 0;) value = value << 8 | file[at + i];
            EXPECT_EQ(value, expected) << "at byte " << at;
        }
        // The first stored row is the picture's bottom row, blue-green-red.
        EXPECT_EQ(std::memcmp(&file[54], &bitmap.Bits()[23 * 72], 72), 0);
    }
    EXPECT_EQ(pictures.size(), 3u) << "the three pictures differ";
}

TEST(PaletteBitmaps, NamesIgnoreCaseAndAnUnknownNameIsAClearError) {
    EXPECT_EQ(LoadResourceBitmap("tZarixPlugin"), LoadResourceBitmap("TZARIXPLUGIN"));
    EXPECT_EQ(MessageOf<EResNotFound>([] { LoadResourceBitmap("TZARIXNOTHING"); }), "Resource TZARIXNOTHING not found");
    EXPECT_THROW(PaletteBitmap(&TForm::StaticClass()), EResNotFound);
    EXPECT_THROW(PaletteBitmap(nullptr), EResNotFound);
}

TEST(Bitmap, SizesPixelsAndColoursOutOfRangeRaise) {
    TBitmap b(3, 2, clRed);
    EXPECT_EQ(b.Pixel(2, 1), clRed);
    b.SetPixel(0, 0, RGB(1, 2, 3));
    EXPECT_EQ(std::pair(b.Pixel(0, 0), b.Bits()[0]), std::pair(RGB(1, 2, 3), uint8_t{3})) << "blue first";
    EXPECT_THROW(b.Pixel(3, 0), EInvalidGraphic);
    EXPECT_THROW(b.SetPixel(0, -1, clRed), EInvalidGraphic);
    EXPECT_THROW(b.SetPixel(0, 0, clBtnFace), EInvalidGraphic);
    EXPECT_THROW(TBitmap(-1, 5), EInvalidGraphic);
    EXPECT_THROW(TBitmap(5, TBitmap::MaxSide + 1), EInvalidGraphic);
    // Rows of 3 pixels take 9 bytes, padded to 12 in the file.
    EXPECT_EQ(b.SaveToBytes().size(), 54u + 2u * 12u);
}

namespace {

struct ControlsTest : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    void SetUp() override { form->SetBounds(0, 0, 300, 200); }

    /// Where each control lies, in the order given.
    static std::vector<TBounds> Bounds(std::initializer_list<const TControl*> controls) {
        std::vector<TBounds> out;
        for (const TControl* c : controls) out.push_back(c->BoundsRect());
        return out;
    }
    TZarixPanel* Panel(TAlign align, TBounds b, TComponent* parent = nullptr) {
        auto* p = new TZarixPanel(form.get());
        p->SetParent(parent != nullptr ? parent : form.get());
        p->SetBounds(b.Left, b.Top, b.Width, b.Height);
        p->SetAlign(align);
        return p;
    }
};

}  // namespace

TEST_F(ControlsTest, DockedControlsShareTheClientAreaAndHiddenOnesTakeNoRoom) {
    TZarixPanel* left = Panel(alLeft, {50, 50, 40, 10});
    TZarixPanel* bottom = Panel(alBottom, {0, 0, 10, 30});
    TZarixPanel* top = Panel(alTop, {0, 0, 10, 20});
    TZarixPanel* client = Panel(alClient, {0, 0, 1, 1});
    TZarixPanel* loose = Panel(alNone, {5, 6, 7, 8});
    TZarixPanel* above = Panel(alTop, {0, -1, 10, 5});  // last to come, but above the other top one
    EXPECT_EQ(Bounds({above, top, bottom, left, client, loose}),
              (std::vector<TBounds>{{0, 0, 300, 5}, {0, 5, 300, 20}, {0, 170, 300, 30}, {0, 25, 40, 145}, {40, 25, 260, 145}, {5, 6, 7, 8}}));
    // Following the parent's size, and docking inside a panel's bevel, show in the plugin
    // manager form's test below.
    top->SetVisible(false);
    EXPECT_EQ(left->BoundsRect(), (TBounds{0, 5, 40, 165})) << "hidden controls take no room";
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
    EXPECT_EQ(std::pair(b->TabOrder(), a->TabOrder()), std::pair(-1, 1));
    EXPECT_THROW(b->SetTabOrder(0), EInvalidOperation);

    TZarixPanel* outer = a;
    TZarixPanel* inner = Panel(alNone, {}, outer);
    TComponent plain(nullptr);
    for (TComponent* refused : {&plain, static_cast<TComponent*>(outer), static_cast<TComponent*>(inner)})
        EXPECT_THROW(outer->SetParent(refused), EInvalidOperation);
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
    EXPECT_EQ(std::tuple(child->Parent(), ControlsOf(child).empty()), std::tuple(nullptr, true));
}

TEST_F(ControlsTest, APanelGridPlacesUndockedControlsInTabOrder) {
    TZarixPanel* grid = Panel(alNone, {0, 0, 102, 62});
    grid->SetLayoutColCount(2);
    TZarixPanel* first = Panel(alNone, {}, grid);
    TZarixPanel* second = Panel(alNone, {}, grid);
    TZarixPanel* third = Panel(alNone, {}, grid);
    grid->SetLayoutRowCount(-1);
    EXPECT_EQ(first->BoundsRect(), (TBounds{0, 0, 0, 0})) << "no rows: no grid";
    grid->SetLayoutRowCount(2);
    third->SetTabOrder(0);
    EXPECT_EQ(Bounds({third, first, second}), (std::vector<TBounds>{{1, 1, 50, 30}, {51, 1, 50, 30}, {1, 31, 50, 30}}));
}

TEST_F(ControlsTest, PageControlShowsOnePageAndMovesOnWhenItGoes) {
    auto* pages = new TZarixPageControl(form.get());
    pages->SetParent(form.get());
    auto* one = new TKQTabSheet(form.get());
    auto* two = new TKQTabSheet(form.get());
    auto* three = new TKQTabSheet(form.get());
    for (TKQTabSheet* s : {one, two, three}) s->SetPageControl(pages);
    // The first page shows by itself; hidden pages are laid out too.
    EXPECT_EQ(std::tuple(pages->ActivePage(), one->BoundsRect(), three->BoundsRect()),
              std::tuple(one, TBounds{2, 22, 285, 169}, TBounds{2, 22, 285, 169}));
    pages->SetActivePage(two);
    EXPECT_EQ(std::pair(one->Visible(), two->Visible()), std::pair(false, true));
    three->SetPageIndex(0);
    EXPECT_EQ(std::pair(pages->Pages(0), two->PageIndex()), std::pair(three, 2));
    delete two;
    // The new last page takes the freed one's place.
    EXPECT_EQ(std::tuple(pages->PageCount(), pages->ActivePage(), one->Visible()), std::tuple(2, one, true));

    TKQTabSheet stray(nullptr);
    EXPECT_THROW(pages->SetActivePage(&stray), EInvalidOperation);
    EXPECT_THROW(stray.SetPageIndex(0), EInvalidOperation);
    EXPECT_THROW(pages->Pages(2), EListError);
    EXPECT_THROW(SetPropValue(*pages, "ActivePage", Variant("Nikt")), EInvalidOperation);
}

TEST(Graphics, ColoursAndCharsetsTravelByNameOrNumber) {
    EXPECT_EQ(std::tuple(ColorToString(clBtnFace), ColorToString(RGB(0x12, 0x34, 0x56))), std::tuple("clBtnFace", "$00563412"));
    EXPECT_EQ((std::vector<TColor>{StringToColor("CLNONE"), StringToColor("$FF00000F"), StringToColor("-16777201")}),
              (std::vector<TColor>{clNone, clBtnFace, clBtnFace}));
    for (const char* bad : {"clPlaid", "$123456789", ""}) EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
    EXPECT_EQ(StringToCharset("238"), EASTEUROPE_CHARSET);
    EXPECT_EQ(StringToCharset("255"), 255);
    EXPECT_EQ(MessageOf<EConvertError>([] { StringToCharset("256"); }), "'256' is not a valid character set");

    TKQTabSheet sheet(nullptr);
    SetPropValue(sheet, "ColorTo", Variant(int32_t{0x00FF00}));
    EXPECT_EQ(GetPropValue(sheet, "ColorTo"), Variant("clLime"));
    EXPECT_THROW(SetPropValue(sheet, "TabColor", Variant("nie kolor")), EConvertError);
    EXPECT_EQ(sheet.TabColor(), clBtnFace) << "a refused value changes nothing";

    TZarixPageControl pages(nullptr);
    SetPropValue(pages, "Font.Style", Variant("[fsBold,fsItalic]"));
    SetPropValue(pages, "Font.Charset", Variant("EASTEUROPE_CHARSET"));
    EXPECT_EQ(std::pair(pages.Font().Style, pages.Font().Charset), std::pair(TFontStyles{fsBold, fsItalic}, EASTEUROPE_CHARSET));
    EXPECT_FALSE(pages.ParentFont()) << "a font of its own";
}

namespace {

using TProps = std::map<std::string, Variant>;

void ExpectProps(const TObject& object, const TProps& expected) {
    for (const auto& [name, value] : expected) EXPECT_EQ(GetPropValue(object, name), value) << object.ClassName() << "." << name;
}

}  // namespace

TEST(PluginManagerForm, IsBuiltAsItsLayoutSaysKeepsItWhenResizedAndASecondOneOfTheOwnerGetsANameOfItsOwn) {
    TComponent owner(nullptr);
    TfrmPluginManager* const form = TForm::Create<TfrmPluginManager>(&owner);
    ExpectProps(*form, {{"Name", "frmPluginManager"}, {"ClientWidth", 582}, {"ClientHeight", 324}, {"Font.Name", "MS Sans Serif"}});
    // Each panel where the layout puts it, and where it lies once the form is 700 x 500.
    const std::tuple<const char*, TControl*, TBounds, TBounds> panels[] = {
        {"ZarixPanel1", form->ZarixPanel1(), {0, 0, 582, 41}, {0, 0, 700, 41}},
        {"ZarixPanel2", form->ZarixPanel2(), {0, 283, 582, 41}, {0, 459, 700, 41}},
        {"ZarixPanel3", form->ZarixPanel3(), {0, 41, 582, 242}, {0, 41, 700, 418}}};
    const std::vector<TControl*> top = ControlsOf(form);
    ASSERT_EQ(top.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto& [name, panel, placed, resized] = panels[i];
        SCOPED_TRACE(name);
        ASSERT_EQ(top[i], form->FindComponent(name));
        EXPECT_EQ(top[i]->BoundsRect(), placed);
        EXPECT_EQ(GetPropValue(*top[i], "TabOrder"), Variant(i));
    }
    TZarixPageControl* pages = form->ZarixPageControl1();
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(ControlsOf(form->ZarixPanel3()), (std::vector<TControl*>{pages}));
    ExpectProps(*pages, {{"Align", "alClient"}, {"ActivePage", "KQTabSheet1"}, {"ActiveFont.Name", "Tahoma"}});
    ASSERT_EQ(pages->PageCount(), 2);
    const char* captions[] = {"Lokalne wtyczki", "Dostępne wtyczki"};
    for (int i = 0; i < 2; ++i) {
        TKQTabSheet* sheet = pages->Pages(i);
        EXPECT_EQ(sheet, i == 0 ? form->KQTabSheet1() : form->KQTabSheet2());
        EXPECT_EQ(sheet->Parent(), pages);
        ExpectProps(*sheet, {{"Caption", captions[i]}, {"PageIndex", i}});
    }
    EXPECT_EQ(form->ComponentCount(), 6) << "the form owns its six controls and nothing else";
    EXPECT_EQ(frmPluginManager, nullptr) << "building a form does not assign the global";

    form->SetClientWidth(700);
    form->SetClientHeight(500);
    AlignControls(form);
    for (const auto& [name, panel, placed, resized] : panels) EXPECT_EQ(panel->BoundsRect(), resized) << name;
    EXPECT_EQ(pages->BoundsRect(), (TBounds{1, 1, 698, 416}));

    // A freed control reads as none rather than dangling.
    auto* second = TForm::Create<TfrmPluginManager>(&owner);
    EXPECT_EQ(second->Name(), "frmPluginManager_1");
    delete second->KQTabSheet2();
    EXPECT_EQ(std::tuple(second->KQTabSheet2(), second->ZarixPageControl1()->PageCount()), std::tuple(nullptr, 1));
}
