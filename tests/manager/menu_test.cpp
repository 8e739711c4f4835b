// The main menu built from the plugins' commands: order, reuse of items, reports.
#include "command_fixture.h"

#include "platform/rtl/strings.h"

using namespace zarix;

TEST_F(CommandTest, MenuFollowsPositionsAndReusesItemsAlongTheWay) {
    const auto plugins = LoadBlank(2);
    Add(plugins[0], "Kontrahenci", "Kartoteki|Kontrahenci", "1|0");
    Add(plugins[0], "Faktura VAT", "&Dokumenty|Faktura VAT", "0|0");
    Add(plugins[1], "Cenniki", "Kartoteki|Cenniki", "1|1");
    Add(plugins[1], "Towary", "KARTOTEKI|Towary", "1|2");  // found whatever the letter case
    TMainMenu menu(nullptr);
    TImageList images(nullptr);
    Manager->SetCommandsBasedMenu(&menu, &images, nullptr);

    EXPECT_EQ(CommandOrder(), (std::vector<std::string>{"Faktura VAT", "Kontrahenci", "Cenniki", "Towary"}));
    EXPECT_EQ(Manager->MenuRoot(), menu.Items());
    EXPECT_EQ(menu.Images(), &images);
    ASSERT_EQ(Captions(menu.Items()), (std::vector<std::string>{"&Dokumenty", "Kartoteki"}));
    TMenuItem* registers = menu.Items()->Items(1);
    EXPECT_EQ(registers->ImageIndex(), 495);
    EXPECT_EQ(Captions(registers), (std::vector<std::string>{"Kontrahenci", "Cenniki", "Towary"}));
    TMenuItem* prices = registers->Items(1);
    EXPECT_EQ(prices->Hint(), "o Cenniki");
    EXPECT_EQ(prices->ImageIndex(), 1);
    EXPECT_EQ(plugins[1]->Commands()->Items(0)->MenuItemRef(), prices);
    prices->Click();
    EXPECT_EQ(Clicks, std::vector<std::string>{"Cenniki"});

    // A second set-up over the same menu finds every item and makes none.
    const int before = menu.ComponentCount();
    Manager->SetCommandsBasedMenu(&menu, &images, nullptr);
    EXPECT_EQ(menu.ComponentCount(), before);
    EXPECT_EQ(plugins[1]->Commands()->Items(0)->MenuItemRef(), prices);
}

TEST_F(CommandTest, SortExchangesOnlyWhereTheFirstDifferingLevelIsGreater) {
    const auto plugins = LoadBlank(1);
    Add(plugins[0], "b", "X|b", "2|1");
    Add(plugins[0], "a", "X|a", "1|5");    // 1 < 2 at level 0: moves before "b"
    Add(plugins[0], "c", "c", "2");        // a leading part of "2|1": they never pass each other
    Add(plugins[0], "d", "Y|d|e", "1|2|9");
    Add(plugins[0], "e", "Y|d|f", "2|2|1");  // level 0 decides: stays after "d"
    Add(plugins[0], "f", "f", "01");       // "01" and "1" are different texts but the same number
    Add(plugins[0], "g", "g", "1");
    TMainMenu menu(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    // "d" (1|2|9) goes before "a" (1|5): same first level, and 2 < 5 at the second.
    EXPECT_EQ(CommandOrder(), (std::vector<std::string>{"d", "a", "f", "g", "b", "c", "e"}));
    EXPECT_TRUE(TZarixPluginManager::IsSameGroup({"1", "2"}, {"1", "3"}, 0));
    EXPECT_FALSE(TZarixPluginManager::IsSameGroup({"1", "2"}, {"1", "3"}, 1));
    EXPECT_TRUE(TZarixPluginManager::IsSameGroup({"1"}, {"2"}, -1));
    EXPECT_FALSE(TZarixPluginManager::IsSameGroup({"01"}, {"1"}, 0));
}

TEST_F(CommandTest, PathAndPositionOfDifferentLengthsStopTheBuildWithOneReport) {
    const auto plugins = LoadBlank(1);
    Add(plugins[0], "Pierwsze", "Menu|Pierwsze", "0|0");
    Add(plugins[0], "Zle", "A|B", "1");
    Add(plugins[0], "Ostatnie", "Koniec|Ostatnie", "2|0");
    TCapturingExceptionSink sink;
    TMainMenu menu(nullptr);
    EXPECT_NO_THROW(Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr));
    ASSERT_EQ(sink.Reports().size(), 1u);
    EXPECT_EQ(sink.Reports()[0].Context, "Menu path create error ! ");
    EXPECT_EQ(sink.Reports()[0].ExceptionClass, "Exception");
    EXPECT_EQ(sink.Reports()[0].Message, "Create menu: MenuPath differs from MenuPositions - (A|B - 1)");
    ASSERT_EQ(Captions(menu.Items()), std::vector<std::string>{"Menu"});
    EXPECT_EQ(Captions(menu.Items()->Items(0)), std::vector<std::string>{"Pierwsze"});  // nothing after the failure
}

TEST_F(CommandTest, ABadPositionFailsTheSetUpWhenTheSortMeetsItAndTheWalkOtherwise) {
    const auto plugins = LoadBlank(1);
    TZarixPluginCommand* bad = Add(plugins[0], "Pusty", "", "");
    TMainMenu menu(nullptr);
    TCapturingExceptionSink sink;
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);  // alone, the sort compares nothing
    ASSERT_EQ(sink.Reports().size(), 1u);
    EXPECT_EQ(sink.Reports()[0].ExceptionClass, "EConvertError");
    EXPECT_EQ(menu.Items()->Count(), 0);  // converted before anything was made
    EXPECT_EQ(bad->MenuItemRef(), nullptr);

    Add(plugins[0], "Drugi", "Drugi", "1");
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr); }),
              "Menu create error.");
    EXPECT_EQ(menu.Items()->Count(), 0);
    EXPECT_EQ(Manager->getCommandList()->Count(), 2);  // replaced before the sort failed
}

TEST_F(CommandTest, ACaptionThatIsATopLevelEntryGetsNoItemInTheListBuild) {
    const auto plugins = LoadBlank(1);
    Add(plugins[0], "Raport", "Kartoteki|Raport", "0|0");
    TZarixPluginCommand* clash = Add(plugins[0], "kartoteki", "Kartoteki|Zestawienie", "0|1");
    Add(plugins[0], "Bilans", "Księgowość|Bilans", "1|0");
    TZarixPluginCommand* folded = Add(plugins[0], "KSIĘGOWOŚĆ", "Zestawy|Księgi", "2|0");
    TMainMenu menu(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    EXPECT_EQ(Captions(menu.Items()->Items(0)), std::vector<std::string>{"Raport"});
    EXPECT_EQ(clash->MenuItemRef(), nullptr);
    EXPECT_EQ(folded->MenuItemRef(), nullptr);  // letter case is ignored in every script
    // The single-plugin build makes it all the same, with the command's ImageIndex, and leaves
    // the command's references alone.
    Manager->UpdateCommandsBasedMenu(plugins[0]);
    ASSERT_EQ(Captions(menu.Items()->Items(0)), (std::vector<std::string>{"Raport", "kartoteki"}));
    EXPECT_EQ(clash->MenuItemRef(), nullptr);
    EXPECT_EQ(menu.Items()->Items(0)->Items(1)->ImageIndex(), 1);
}

TEST_F(CommandTest, WithoutCommandsOnlyTheMenuComesToBeAndRefreshesReachOnlyAListeningHost) {
    std::vector<std::string> refreshes;
    Manager->MenuMustRefresh();  // nobody listens yet
    Manager->CaptionMustRefresh();
    Manager->OnMenuMustRefresh = [&](TObject* sender) { refreshes.push_back(sender == Manager.get() ? "menu" : "?"); };
    Manager->OnMainCaptionRefresh = [&](TObject* sender) { refreshes.push_back(sender == Manager.get() ? "caption" : "?"); };
    Manager->MenuMustRefresh();
    Manager->CaptionMustRefresh();
    EXPECT_EQ(refreshes, (std::vector<std::string>{"menu", "caption"}));
    EXPECT_EQ(Manager->getCommandList(), nullptr);
    EXPECT_EQ(Manager->Menu(), nullptr);
    const auto plugins = LoadBlank(1);
    Add(plugins[0], "Ukryte", "Ukryte", "0")->SetShowInMenu(false);
    Manager->SetCommandsBasedMenu(nullptr, nullptr, nullptr);
    ASSERT_NE(Manager->Menu(), nullptr);
    EXPECT_EQ(Manager->Menu()->Owner(), Manager.get());
    EXPECT_EQ(Manager->Menu()->Items()->Count(), 0);
    EXPECT_EQ(Manager->getCommandList()->Count(), 0);
}

TEST_F(CommandTest, ItemsCopyEnabledAndVisibleAndIconsOnlyWhenGiven) {
    const auto plugins = LoadBlank(1);
    TZarixPluginCommand* off = Add(plugins[0], "Wyłączone", "Wyłączone", "0", -1, "", "", false, -1);
    off->SetVisible(false);
    TMainMenu menu(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    TMenuItem* item = off->MenuItemRef();
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->Enabled());
    EXPECT_FALSE(item->Visible());
    EXPECT_EQ(item->ImageIndex(), -1);
    item->Click();  // a disabled item does not run its command
    EXPECT_TRUE(Clicks.empty());
}
