// The palette registry, the three Register procedures and the palette pictures.
#include "package/palette_bitmaps.h"
#include "package/registration.h"
#include "platform/ui/component_palette.h"

#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/rtl/strings.h"
#include "plugin/zarixplugin.h"

#include <gtest/gtest.h>

#include "message_of.h"

#include <algorithm>
#include <cstring>
#include <set>

using namespace zarix;

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Read16(const std::vector<uint8_t>& b, std::size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

}  // namespace

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
    EXPECT_EQ(std::count(pages.begin(), pages.end(), "Zarix"), 1);
    EXPECT_EQ(PalettePageOf(&TZarixPlugin::StaticClass()), "Zarix");
    EXPECT_EQ(FindClass("TZarixPluginManager"), &TZarixPluginManager::StaticClass());

    // Another page cannot take a class that is already on the palette.
    RegisterComponents("Inne", {&TZarixPlugin::StaticClass()});
    EXPECT_EQ(PalettePageOf(&TZarixPlugin::StaticClass()), "Zarix");
    EXPECT_TRUE(PaletteClasses("Inne").empty());
}

TEST(Palette, BadRegistrationsRaiseAndRegisterNothingAndUnregisteringDropsThePage) {
    EXPECT_THROW(RegisterComponents("", {&TZarixPlugin::StaticClass()}), EComponentError);
    EXPECT_THROW(RegisterComponents("Puste", {&TForm::StaticClass(), nullptr}), EComponentError);
    EXPECT_TRUE(PaletteClasses("Puste").empty());
    EXPECT_EQ(PalettePageOf(&TForm::StaticClass()), "");
    RegisterComponents("Tymczasowa", {&TForm::StaticClass()});
    ASSERT_EQ(PaletteClasses("Tymczasowa").size(), 1u);
    UnRegisterComponentsWhere([](TClass c) { return c == &TForm::StaticClass(); });
    EXPECT_TRUE(PaletteClasses("Tymczasowa").empty());
    for (const std::string& page : PalettePages()) EXPECT_NE(page, "Tymczasowa");
}

TEST(PaletteBitmaps, EachClassHasADistinct24By24PictureOf24BitColourInAValidBmpFile) {
    EXPECT_EQ(BitmapResourceNames(), (std::vector<std::string>{"TZARIXMDICONTAINER", "TZARIXPLUGINMANAGER", "TZARIXPLUGIN"}));
    std::set<std::vector<uint8_t>> pictures;
    for (TClass cls : {&TZarixMDIContainer::StaticClass(), &TZarixPluginManager::StaticClass(), &TZarixPlugin::StaticClass()}) {
        SCOPED_TRACE(std::string(cls->Name()));
        const TBitmap bitmap = PaletteBitmap(cls);
        EXPECT_EQ(bitmap.Width(), 24);
        EXPECT_EQ(bitmap.Height(), 24);
        EXPECT_EQ(bitmap.BitsPerPixel(), 24);
        EXPECT_EQ(bitmap, LoadResourceBitmap(UpperCase(cls->Name())));
        pictures.insert(bitmap.Bits());

        const std::vector<uint8_t> file = bitmap.SaveToBytes();
        ASSERT_EQ(file.size(), 14u + 40u + 24u * 72u);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(Read32(file, 2), file.size());
        EXPECT_EQ(Read32(file, 10), 54u) << "pixel data offset";
        EXPECT_EQ(Read32(file, 14), 40u) << "information header size";
        EXPECT_EQ(Read32(file, 18), 24u);
        EXPECT_EQ(Read32(file, 22), 24u) << "positive height: bottom row first";
        EXPECT_EQ(Read16(file, 26), 1u);
        EXPECT_EQ(Read16(file, 28), 24u);
        EXPECT_EQ(Read32(file, 30), 0u) << "uncompressed";
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
    EXPECT_EQ(b.Pixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(b.Bits()[0], 3) << "blue first";
    EXPECT_THROW(b.Pixel(3, 0), EInvalidGraphic);
    EXPECT_THROW(b.SetPixel(0, -1, clRed), EInvalidGraphic);
    EXPECT_THROW(b.SetPixel(0, 0, clBtnFace), EInvalidGraphic);
    EXPECT_THROW(TBitmap(-1, 5), EInvalidGraphic);
    EXPECT_THROW(TBitmap(5, TBitmap::MaxSide + 1), EInvalidGraphic);
    // Rows of 3 pixels take 9 bytes, padded to 12 in the file.
    EXPECT_EQ(b.SaveToBytes().size(), 54u + 2u * 12u);
}
