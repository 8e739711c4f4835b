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

std::unique_ptr<TfrmPluginManager> MakeForm() {
    return std::unique_ptr<TfrmPluginManager>(TForm::Create<TfrmPluginManager>(nullptr));
}

}  // namespace

TEST(PluginManagerForm, IsBuiltExactlyAsItsLayoutSays) {
    const auto form = MakeForm();
    EXPECT_EQ(form->Name(), "frmPluginManager");
    ExpectProps(*form, {{"Left", 360}, {"Top", 367}, {"ClientWidth", 582}, {"ClientHeight", 324},
                        {"Caption", "frmPluginManager"}, {"Color", "clBtnFace"}, {"Font.Name", "MS Sans Serif"},
                        {"Font.Height", -11}, {"Font.Charset", "DEFAULT_CHARSET"}, {"Font.Color", "clWindowText"},
                        {"Font.Style", "[]"}, {"PixelsPerInch", 96}, {"TextHeight", 13}, {"OldCreateOrder", false}});

    const std::vector<TControl*> top = ControlsOf(form.get());
    ASSERT_EQ(top.size(), 3u);
    const char* panels[] = {"ZarixPanel1", "ZarixPanel2", "ZarixPanel3"};
    const TProps placement[] = {
        {{"Align", "alTop"}, {"Left", 0}, {"Top", 0}, {"Width", 582}, {"Height", 41}, {"TabOrder", 0}},
        {{"Align", "alBottom"}, {"Left", 0}, {"Top", 283}, {"Width", 582}, {"Height", 41}, {"TabOrder", 1}},
        {{"Align", "alClient"}, {"Left", 0}, {"Top", 41}, {"Width", 582}, {"Height", 242}, {"TabOrder", 2}},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(panels[i]);
        ASSERT_EQ(top[i], form->FindComponent(panels[i]));
        EXPECT_EQ(top[i]->ClassName(), "TZarixPanel");
        ExpectProps(*top[i], placement[i]);
        ExpectProps(*top[i], {{"KeyPreview", false}, {"LayoutRowCount", 0}, {"LayoutColCount", 0}});
    }

    TZarixPageControl* pages = form->ZarixPageControl1();
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->Name(), "ZarixPageControl1");
    EXPECT_EQ(pages->Parent(), form->ZarixPanel3());
    EXPECT_EQ(ControlsOf(form->ZarixPanel3()), (std::vector<TControl*>{pages}));
    ExpectProps(*pages, {{"Align", "alClient"}, {"Left", 1}, {"Top", 1}, {"Width", 580}, {"Height", 240},
                         {"ActivePage", "KQTabSheet1"}, {"ParentFont", false}, {"TabBackGroundColor", "clBtnFace"},
                         {"TabMargin.RightMargin", 0}, {"TabOverlap", 0}, {"TabOrder", 0}});
    for (const std::string font : {"Font.", "ActiveFont."})
        ExpectProps(*pages, {{font + "Name", "Tahoma"}, {font + "Height", -11}, {font + "Charset", "DEFAULT_CHARSET"},
                             {font + "Color", "clWindowText"}, {font + "Style", "[]"}});

    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->Pages(0), form->KQTabSheet1());
    EXPECT_EQ(pages->Pages(1), form->KQTabSheet2());
    const char* captions[] = {"Lokalne wtyczki", "Dostępne wtyczki"};
    for (int i = 0; i < 2; ++i) {
        TKQTabSheet* sheet = pages->Pages(i);
        EXPECT_EQ(sheet->Name(), "KQTabSheet" + std::to_string(i + 1));
        EXPECT_EQ(sheet->Parent(), pages);
        EXPECT_EQ(sheet->ControlCount(), 0) << "the pages are empty";
        ExpectProps(*sheet, {{"Caption", captions[i]}, {"Color", "clBtnFace"}, {"ColorTo", "clNone"},
                             {"TabColor", "clBtnFace"}, {"TabColorTo", "clNone"}, {"PageIndex", i}});
    }
    EXPECT_EQ(form->ComponentCount(), 6) << "the form owns its six controls and nothing else";
    EXPECT_EQ(frmPluginManager, nullptr) << "building a form does not assign the global";
}

TEST(PluginManagerForm, KeepsItsLayoutWhenResized) {
    const auto form = MakeForm();
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
