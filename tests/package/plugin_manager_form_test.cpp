// The plugin manager form: every component and property of its layout, read by name as a tool
// would, and the layout kept when the form is resized.
#include "package/PluginManagerForm.h"

#include "platform/ui/controls.h"
#include "services/controls/page_control.h"
#include "services/controls/panel.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace zarix;

namespace {

using TProps = std::map<std::string, Variant>;

void ExpectProps(const TObject& object, const TProps& expected) {
    for (const auto& [name, value] : expected) EXPECT_EQ(GetPropValue(object, name), value) << object.ClassName() << "." << name;
}

}  // namespace

TEST(PluginManagerForm, IsBuiltAsItsLayoutSays) {
    const auto form = std::unique_ptr<TfrmPluginManager>(TForm::Create<TfrmPluginManager>(nullptr));
    EXPECT_EQ(form->Name(), "frmPluginManager");
    ExpectProps(*form, {{"ClientWidth", 582}, {"ClientHeight", 324}, {"Font.Name", "MS Sans Serif"}});
    const std::vector<TControl*> top = ControlsOf(form.get());
    ASSERT_EQ(top.size(), 3u);
    const char* panels[] = {"ZarixPanel1", "ZarixPanel2", "ZarixPanel3"};
    const TBounds placement[] = {{0, 0, 582, 41}, {0, 283, 582, 41}, {0, 41, 582, 242}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(panels[i]);
        ASSERT_EQ(top[i], form->FindComponent(panels[i]));
        EXPECT_EQ(top[i]->BoundsRect(), placement[i]);
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
}

TEST(PluginManagerForm, KeepsItsLayoutWhenResized) {
    const auto form = std::unique_ptr<TfrmPluginManager>(TForm::Create<TfrmPluginManager>(nullptr));
    form->SetClientWidth(700);
    form->SetClientHeight(500);
    AlignControls(form.get());
    EXPECT_EQ(form->ZarixPanel1()->BoundsRect(), (TBounds{0, 0, 700, 41}));
    EXPECT_EQ(form->ZarixPanel2()->BoundsRect(), (TBounds{0, 459, 700, 41}));
    EXPECT_EQ(form->ZarixPanel3()->BoundsRect(), (TBounds{0, 41, 700, 418}));
    EXPECT_EQ(form->ZarixPageControl1()->BoundsRect(), (TBounds{1, 1, 698, 416}));
}

TEST(PluginManagerForm, SecondInstanceOfOneOwnerGetsItsOwnNameAndFreedControlsReadAsNone) {
    TComponent owner(nullptr);
    auto* first = TForm::Create<TfrmPluginManager>(&owner);
    auto* second = TForm::Create<TfrmPluginManager>(&owner);
    EXPECT_EQ(first->Name(), "frmPluginManager");
    EXPECT_EQ(second->Name(), "frmPluginManager_1");
    delete second->KQTabSheet2();
    EXPECT_EQ(second->KQTabSheet2(), nullptr);
    EXPECT_EQ(second->ZarixPageControl1()->PageCount(), 1);
}
