// The commands of the plugins shown, over plugins loaded from copies of a blank fixture library
// with commands the tests add and a fresh in-memory "DBCONN" database: the main menu built from
// them (order, reuse of items, reports), the toolbar (the user's rows or the default commands,
// captions, shortcuts, hidden buttons), the privilege pass over the menu items, the plugin
// component's window and menu services, and unloading that cuts every view that could run a
// plugin's code.
#include "loading_fixture.h"

#include "mdi/ZarixMDIContainer.h"
#include "platform/rtl/strings.h"
#include "platform/ui/shortcuts.h"
#include "plugin/plugin_utils.h"
#include "services/db/parameters.h"
#include "services/db/security.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <set>

using namespace zarix;

class CommandTest : public LoadingTest {
protected:
    void SetUp() override {
        LoadingTest::SetUp();
        zarix::DBInt().OpenConnection("DBCONN", ":memory:");
        zarix::CreateZarixTables("DBCONN");
    }
    void TearDown() override {
        LoadingTest::TearDown();
        zarix::UserSecurity().SetPrivilegeChecker({});
        zarix::UserSecurity().SetLoggedUser(0);
        zarix::DBInt().CloseConnection("DBCONN");
    }
    /// Loads `count` blank plugins and returns them in load order.
    std::vector<zarix::TZarixPlugin*> LoadBlank(int count) {
        for (int i = 0; i < count; ++i) Manager->LoadPlugin(Install("blank", "blank" + std::to_string(i)), false);
        std::vector<zarix::TZarixPlugin*> plugins;
        for (int i = 0; i < Manager->PluginCount(); ++i) plugins.push_back(Manager->GetPlugins(i));
        return plugins;
    }
    /// Adds a command whose handler records "<caption>" in Clicks.
    zarix::TZarixPluginCommand* Add(zarix::TZarixPlugin* plugin, const std::string& caption, const std::string& path,
                                    const std::string& position, int toolBarPos = -1, const std::string& privilege = "",
                                    const std::string& buttonCaption = "", bool enabled = true, int icon = 1) {
        plugin->AddCommand(enabled, caption, "o " + caption, position, path,
                           [this, caption](zarix::TObject*) { Clicks.push_back(caption); }, privilege, icon, true,
                           toolBarPos, buttonCaption.empty() ? caption : buttonCaption);
        return plugin->Commands()->Items(plugin->Commands()->Count() - 1);
    }
    void BuildMenu(zarix::TImageList* images = nullptr) { Manager->SetCommandsBasedMenu(&Menu, images, nullptr); }
    /// Loads alfa ("Alfa 1", "Alfa 2") and beta ("Beta 1") and shows their commands in Menu, Bar
    /// and Actions.
    void LoadShown() {
        Manager->LoadPlugin(Install("alfa"), false);
        Manager->LoadPlugin(Install("beta"), false);
        BuildMenu();
        Manager->SetCommandsBasedToolBar(&Bar, nullptr, &Actions);
    }
    TNames CommandOrder() const {
        TNames order;
        zarix::TList* list = Manager->getCommandList();
        for (int i = 0; list != nullptr && i < list->Count(); ++i)
            order.push_back(static_cast<zarix::TZarixPluginCommand*>(list->Items(i))->Caption());
        return order;
    }
    static TNames Captions(const zarix::TMenuItem* parent) {
        TNames captions;
        for (int i = 0; i < parent->Count(); ++i) captions.push_back(parent->Items(i)->Caption());
        return captions;
    }
    void AddToolBarRow(int user, const std::string& path) {
        zarix::DBInt().ExecSQL("DBCONN", "insert into UserToolBar values (" + std::to_string(user) + ", '" + path + "')");
    }

    TNames Clicks;
    std::vector<zarix::TZarixPlugin*> Plugins;  // the blank plugins a derived fixture loads
    // Destroyed after the manager, as a host's main window outlives its plugins.
    zarix::TMainMenu Menu{nullptr};
    zarix::TImageList Images{nullptr};
    zarix::TToolBar Bar{nullptr};
    zarix::TActionList Actions{nullptr};
};

TEST_F(CommandTest, MenuFollowsPositionsAndReusesItemsAlongTheWay) {
    const auto plugins = LoadBlank(2);
    Add(plugins[0], "Kontrahenci", "Kartoteki|Kontrahenci", "1|0");
    Add(plugins[0], "Faktura VAT", "&Dokumenty|Faktura VAT", "0|0", -1, "", "", true, 0);  // the first icon
    Add(plugins[1], "Cenniki", "Kartoteki|Cenniki", "1|1");
    Add(plugins[1], "Towary", "KARTOTEKI|Towary", "1|2");  // found whatever the letter case
    TZarixPluginCommand* off = Add(plugins[1], "Wyłączone", "Wyłączone", "2", -1, "", "", false, -1);
    off->SetVisible(false);
    BuildMenu(&Images);

    EXPECT_EQ(CommandOrder(), (TNames{"Faktura VAT", "Kontrahenci", "Cenniki", "Towary", "Wyłączone"}));
    EXPECT_EQ(Menu.Images(), &Images);
    ASSERT_EQ(Captions(Menu.Items()), (TNames{"&Dokumenty", "Kartoteki", "Wyłączone"}));
    TMenuItem* registers = Menu.Items()->Items(1);
    EXPECT_EQ(std::make_tuple(registers->ImageIndex(), Menu.Items()->Items(0)->Items(0)->ImageIndex()), std::make_tuple(495, 0));
    EXPECT_EQ(Captions(registers), (TNames{"Kontrahenci", "Cenniki", "Towary"}));
    TMenuItem* prices = registers->Items(1);
    EXPECT_EQ(std::make_tuple(prices->Hint(), prices->ImageIndex()), std::make_tuple(std::string("o Cenniki"), 1));
    prices->Click();
    // The command's Enabled and Visible are copied, and an icon only when one is given; a
    // disabled item does not run its command.
    TMenuItem* item = off->MenuItemRef();
    ASSERT_EQ(item, Menu.Items()->Items(2));
    EXPECT_EQ(std::make_tuple(item->Enabled(), item->Visible(), item->ImageIndex()), std::make_tuple(false, false, -1));
    item->Click();
    EXPECT_EQ(Clicks, TNames{"Cenniki"});

    // A second set-up over the same menu finds every item and makes none; the command keeps its item.
    const int before = Menu.ComponentCount();
    BuildMenu(&Images);
    EXPECT_EQ(Menu.ComponentCount(), before);
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
    BuildMenu();
    // "d" (1|2|9) goes before "a" (1|5): same first level, and 2 < 5 at the second.
    EXPECT_EQ(CommandOrder(), (TNames{"d", "a", "f", "g", "b", "c", "e"}));
}

// A position that is no number fails the set-up when the sort meets it and is reported by the
// walk otherwise; a path and a position of different lengths are reported. Either stops the
// build, with nothing made after it.
TEST_F(CommandTest, ABadPathOrPositionStopsTheBuild) {
    const auto plugins = LoadBlank(1);
    TZarixPluginCommand* bad = Add(plugins[0], "Pusty", "", "");
    TCapturingExceptionSink sink;
    BuildMenu();  // alone, the sort compares nothing
    EXPECT_EQ(Menu.Items()->Count(), 0);  // converted before anything was made
    EXPECT_EQ(bad->MenuItemRef(), nullptr);
    Add(plugins[0], "Pierwsze", "Menu|Pierwsze", "0|0");
    Add(plugins[0], "Zle", "A|B", "1");
    Add(plugins[0], "Ostatnie", "Koniec|Ostatnie", "2|0");
    EXPECT_EQ(MessageOf<EPluginError>([&] { BuildMenu(); }), "Menu create error.");
    EXPECT_EQ(Menu.Items()->Count(), 0);
    EXPECT_EQ(Manager->getCommandList()->Count(), 4);  // replaced before the sort failed

    plugins[0]->Commands()->Delete(0);
    EXPECT_NO_THROW(BuildMenu());
    EXPECT_EQ(ReportsOf(sink),
              (TNames{"Menu path create error !  | EConvertError: '' is not a valid integer value",
                      "Menu path create error !  | Exception: Create menu: MenuPath differs from MenuPositions - (A|B - 1)"}));
    ASSERT_EQ(Captions(Menu.Items()), TNames{"Menu"});
    EXPECT_EQ(Captions(Menu.Items()->Items(0)), TNames{"Pierwsze"});
}

TEST_F(CommandTest, ACaptionThatIsATopLevelEntryGetsNoItemInTheListBuild) {
    const auto plugins = LoadBlank(1);
    Add(plugins[0], "Raport", "Kartoteki|Raport", "0|0");
    TZarixPluginCommand* clash = Add(plugins[0], "kartoteki", "Kartoteki|Zestawienie", "0|1");
    Add(plugins[0], "Bilans", "Księgowość|Bilans", "1|0");
    TZarixPluginCommand* folded = Add(plugins[0], "KSIĘGOWOŚĆ", "Zestawy|Księgi", "2|0");
    BuildMenu();
    EXPECT_EQ(Captions(Menu.Items()->Items(0)), TNames{"Raport"});
    EXPECT_EQ(clash->MenuItemRef(), nullptr);
    EXPECT_EQ(folded->MenuItemRef(), nullptr);  // letter case is ignored in every script
    // The single-plugin build makes it all the same, with the command's ImageIndex, and leaves
    // the command's references alone.
    Manager->UpdateCommandsBasedMenu(plugins[0]);
    ASSERT_EQ(Captions(Menu.Items()->Items(0)), (TNames{"Raport", "kartoteki"}));
    EXPECT_EQ(clash->MenuItemRef(), nullptr);
    EXPECT_EQ(Menu.Items()->Items(0)->Items(1)->ImageIndex(), 1);
}

TEST_F(CommandTest, WithoutCommandsOnlyTheMenuComesToBeAndRefreshesReachOnlyAListeningHost) {
    TNames refreshes;
    Manager->MenuMustRefresh();  // nobody listens yet
    Manager->CaptionMustRefresh();
    Manager->OnMenuMustRefresh = [&](TObject* sender) { refreshes.push_back(sender == Manager.get() ? "menu" : "?"); };
    Manager->OnMainCaptionRefresh = [&](TObject* sender) { refreshes.push_back(sender == Manager.get() ? "caption" : "?"); };
    Manager->MenuMustRefresh();
    Manager->CaptionMustRefresh();
    EXPECT_EQ(refreshes, (TNames{"menu", "caption"}));
    const auto plugins = LoadBlank(1);
    Add(plugins[0], "Ukryte", "Ukryte", "0")->SetShowInMenu(false);
    Manager->SetCommandsBasedMenu(nullptr, nullptr, nullptr);
    ASSERT_NE(Manager->Menu(), nullptr);
    EXPECT_EQ(Manager->Menu()->Owner(), Manager.get());
    EXPECT_EQ(Manager->Menu()->Items()->Count(), 0);
    EXPECT_EQ(Manager->getCommandList()->Count(), 0);
}

class ToolBarTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Plugins = LoadBlank(2);
        Add(Plugins[0], "Faktura", "Dokumenty|Faktura", "2|0", 0, "", "Nowa_faktura");
        Add(Plugins[0], "Paragon", "Dokumenty|Paragon", "2|1", 5);
        Add(Plugins[0], "Bez przycisku", "Dokumenty|Bez przycisku", "2|2", -1);
        Add(Plugins[1], "Kontrahenci", "Kartoteki|Kontrahenci", "1|0", 1);
        Add(Plugins[1], "Wyłączone", "Kartoteki|Wyłączone", "1|1", 2, "", "", false);
        BuildMenu(&Images);
        ParameterMgr().SetParameterValue("Administracja|UserToolbarCaption", 0, "T");
        Manager->ToolBarMustRefresh(7);
        Build();
    }
    void Build() { Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions); }
    /// The hints of the buttons, or of the visible ones only.
    static TNames Hints(const TToolBar& bar, bool visibleOnly = false) {
        TNames hints;
        for (int i = 0; i < bar.ButtonCount(); ++i)
            if (!visibleOnly || bar.Buttons(i)->Visible()) hints.push_back(bar.Buttons(i)->Hint());
        return hints;
    }
};

TEST_F(ToolBarTest, WithoutRowsEveryEnabledCommandWithAPlaceGetsAButtonInMenuOrder) {
    // Menu order puts "Kartoteki" (1|...) before "Dokumenty" (2|...); the disabled one is left out.
    EXPECT_EQ(Hints(Bar), (TNames{"Alt+F1 Kontrahenci", "Alt+F2 Nowa faktura", "Alt+F3 Paragon"}));
    // "Nowa_faktura" has 12 characters: kept as it is.
    EXPECT_EQ(std::make_tuple(Bar.Images(), Bar.ShowCaptions(), Bar.Buttons(1)->Caption()),
              std::make_tuple(&Images, true, std::string("Nowa_faktura")));
    ASSERT_EQ(Actions.ActionCount(), 3);
    EXPECT_TRUE(Actions.IsShortCut(TextToShortCut("Alt+F3")));
    Bar.Buttons(0)->Click();
    EXPECT_EQ(Clicks, (TNames{"Paragon", "Kontrahenci"}));
}

TEST_F(ToolBarTest, TheUsersRowsChooseTheButtonsByTrimmedExactPath) {
    AddToolBarRow(7, "  Dokumenty|Bez przycisku\t");
    AddToolBarRow(7, "kartoteki|kontrahenci");  // letter case counts: no match
    AddToolBarRow(7, "Dokumenty|Paragon");
    AddToolBarRow(7, "Dokumenty|Paragon");      // twice: two buttons
    AddToolBarRow(8, "Dokumenty|Faktura");      // another user's
    // A path that two commands share chooses the first in menu order.
    Add(Plugins[1], "Drugi paragon", "Dokumenty|Paragon", "2|5");
    BuildMenu(&Images);
    Build();
    EXPECT_EQ(Hints(Bar), (TNames{"Alt+F1 Paragon", "Alt+F2 Paragon", "Alt+F3 Bez przycisku"}));
    EXPECT_TRUE(Plugins[0]->Commands()->Items(2)->ShowOnToolBar());  // chosen by the user: set for good
    // Rows that match nothing fall back to the default buttons.
    Manager->ToolBarMustRefresh(9);
    AddToolBarRow(9, "Nie|Istnieje");
    Build();
    EXPECT_EQ(Hints(Bar), (TNames{"Alt+F1 Kontrahenci", "Alt+F2 Nowa faktura", "Alt+F3 Paragon"}));
}

TEST_F(ToolBarTest, ShortcutsSkipAltF4AndEndAfterF24) {
    for (int i = 0; i < 22; ++i)
        Add(Plugins[1], "P" + std::to_string(i), "Z|P" + std::to_string(i), "3|" + std::to_string(i), 0);
    BuildMenu(&Images);
    Build();
    // Alt+F25 names no key: no shortcut, and the hint begins with the blank.
    TNames expected = {"Alt+F1 Kontrahenci", "Alt+F2 Nowa faktura", "Alt+F3 Paragon"};
    for (int i = 0; i < 22; ++i) expected.push_back((i < 20 ? "Alt+F" + std::to_string(i + 5) : "") + " P" + std::to_string(i));
    EXPECT_EQ(Hints(Bar), expected);
    EXPECT_EQ(Actions.Actions(23)->ShortCut(), 0);
}

TEST_F(ToolBarTest, LongCaptionsAreShortenedCountingCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"Dokumenty_magazynowe PZ", "Dokumenty magazynowe"},
        {"Dokumenty magazynowe PZ", "Dokumenty ..."},
        {"Zażółć gęślą jaźń ok", "Zażółć gęślą jaźń ok"},  // 20 characters, 29 bytes: not shortened
        {"Zażółć gęślą jaźń oka", "Zażółć ..."},
        {"Bardzodlugiopisbezspacji", "..."},
        {"Bardzo_dlugi_opis_bez_spacji", ""},
        {"  Krótki opis  ", "  Krótki opis  "},
    };
    for (const auto& [text, caption] : cases) {
        Plugins[0]->Commands()->Items(1)->SetToolButtonCaption(text);
        Build();
        EXPECT_EQ(Plugins[0]->Commands()->Items(1)->ToolItemRef()->Caption(), caption) << text;
    }
}

TEST_F(ToolBarTest, HiddenButtonsStayOutOfTheNextBuildOnly) {
    Manager->SetCommandToolBarVisible("Dokumenty", false);  // a submenu hides all below it
    EXPECT_EQ(Hints(Bar, true), TNames{"Alt+F1 Kontrahenci"});
    Build();
    EXPECT_EQ(Hints(Bar), TNames{"Alt+F1 Kontrahenci"});
    Build();
    EXPECT_EQ(Bar.ButtonCount(), 3);
    Manager->SetCommandToolBarVisible("", false);
    EXPECT_EQ(Hints(Bar, true), TNames{});
}

TEST_F(ToolBarTest, WithoutCaptionsButtonsAreNarrowAndBareAndWithoutActionsWithoutShortcuts) {
    ParameterMgr().SetParameterValue("Administracja|UserToolbarCaption", 7, "t");  // only "T" is true
    Build();
    EXPECT_EQ(std::make_tuple(Bar.ShowCaptions(), Bar.ButtonWidth(), Bar.Buttons(0)->Caption(), Bar.Buttons(2)->Left()),
              std::make_tuple(false, 25, std::string(), 50));
    // A build without an action list gives no shortcuts.
    Manager->UpdateCommandsBasedToolBarByList(nullptr, {});  // the build adds; the set-up is what clears
    EXPECT_EQ(Hints(Bar), (TNames{"Alt+F1 Kontrahenci", "Alt+F2 Nowa faktura", "Alt+F3 Paragon", "Kontrahenci",
                                  "Nowa faktura", "Paragon"}));
}

// The toolbar's visibility comes from the user's parameter; without the database, the set-up
// raises and keeps the old buttons, and the visibility is reported instead.
TEST_F(ToolBarTest, FailuresOfTheSetUpRaiseAndKeepWhatTheyMustAndVisibilityFollowsTheUsersParameter) {
    ParameterMgr().SetParameterValue("Administracja|UserToolbarVisible", 3, "T");
    Manager->SetToolbarVisible(3);
    EXPECT_TRUE(Bar.Visible());
    Manager->SetToolbarVisible(4);
    EXPECT_FALSE(Bar.Visible());
    TToolBar other(nullptr);
    (new TToolButton(&other))->SetParent(&other);
    ASSERT_EQ(other.ButtonCount(), 1);
    // The old buttons go, then it fails.
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->SetCommandsBasedToolBar(&other, &Images, nullptr); }),
              "ToolBar create error.");
    EXPECT_EQ(other.ButtonCount(), 0);
    EXPECT_EQ(Manager->ToolBar(), &Bar);

    DBInt().CloseConnection("DBCONN");
    EXPECT_THROW(Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions), EPluginError);
    EXPECT_EQ(Bar.ButtonCount(), 3);  // the query failed first: the buttons are the old ones
    TCapturingExceptionSink sink;
    Manager->SetToolbarVisible(3);
    EXPECT_EQ(ReportsOf(sink), TNames{"TZarixPluginManager.SetToolbarVisible | EDatabaseError: Connection \"DBCONN\" is not open"});
    DBInt().OpenConnection("DBCONN", ":memory:");
    CreateZarixTables("DBCONN");
    // A toolbar the host freed is not filled again.
    auto gone = std::make_unique<TToolBar>(nullptr);
    Manager->SetCommandsBasedToolBar(gone.get(), &Images, &Actions);
    gone.reset();
    Manager->UpdateCommandsBasedToolBarByList(&Actions, {});
    EXPECT_EQ(Manager->ToolBar(), nullptr);
}

class PrivilegeTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Plugins = LoadBlank(1);
        Add(Plugins[0], "Faktura", "Dokumenty|Faktura", "0|0", -1, "DOK_FV", "", false);  // disabled at first
        Add(Plugins[0], "Korekta", "Dokumenty|Korekta", "0|1", -1, "DOK_FV");
        Add(Plugins[0], "Kasa", "Dokumenty|Kasa", "0|2", -1, "KASA");
        Add(Plugins[0], "Wolne", "Dokumenty|Wolne", "0|3");
        BuildMenu();
        UserSecurity().SetPrivilegeChecker([this](const std::string& name, int32_t user) {
            Asked.push_back(name + "@" + std::to_string(user));
            return Granted.count(name) != 0;
        });
        UserSecurity().SetLoggedUser(5);
    }
    TMenuItem* Item(int i) const { return Plugins[0]->Commands()->Items(i)->MenuItemRef(); }

    std::set<std::string> Granted;
    TNames Asked;
};

// Items found again by a second build are not registered twice; an entry whose item went is
// dropped, never used; without a checker the database answers, and its failures reach the caller.
TEST_F(PrivilegeTest, ThePassEnablesAndDisablesEachRegisteredItem) {
    BuildMenu();
    Granted = {"DOK_FV"};
    Manager->CheckMenuVSPrivileges();
    EXPECT_TRUE(Item(0)->Enabled());  // granted: enabled although the command was disabled
    EXPECT_TRUE(Item(1)->Enabled());
    EXPECT_FALSE(Item(2)->Enabled());
    EXPECT_TRUE(Item(3)->Enabled());
    EXPECT_TRUE(Menu.Items()->Items(0)->Enabled());
    // Each guarded item asked once: the submenu and the free command are not registered.
    EXPECT_EQ(Asked, (TNames{"DOK_FV@5", "DOK_FV@5", "KASA@5"}));
    Granted = {"KASA"};
    Manager->CheckMenuVSPrivileges();
    EXPECT_FALSE(Item(0)->Enabled());
    EXPECT_FALSE(Item(1)->Enabled());
    EXPECT_TRUE(Item(2)->Enabled());
    EXPECT_FALSE(Plugins[0]->Commands()->Items(0)->Enabled());  // the commands themselves are not touched

    UserSecurity().SetPrivilegeChecker({});
    EXPECT_EQ(std::pair(Manager->DBInterface, Plugins[0]->DBInterface), std::pair(&DBInt(), &DBInt()));
    DBInt().ExecSQL("DBCONN", "insert into UserPrivileges values (5, 'DOK_FV')");
    Manager->CheckMenuVSPrivileges();
    EXPECT_TRUE(Item(0)->Enabled());
    EXPECT_FALSE(Item(2)->Enabled());
    delete Item(0);
    Manager->CheckMenuVSPrivileges();
    EXPECT_EQ(Manager->MenuPrivileges().size(), 2u);
    EXPECT_TRUE(Item(1)->Enabled());
    DBInt().ExecSQL("DBCONN", "drop table UserPrivileges");
    EXPECT_THROW(Manager->CheckMenuVSPrivileges(), EDatabaseError);
}

class PluginServicesTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Plugin = LoadBlank(1)[0];
        Images.Add("klient.png");
        Images.Add("faktura.png");
    }
    TZarixPlugin* Plugin = nullptr;
    TComponent Owner{nullptr};
};

TEST_F(PluginServicesTest, WindowServicesNeedAContainerAndKeepEachWindowsDescriptorSizeIconAndPlace) {
    EXPECT_EQ(Plugin->MDIGetParent(), nullptr);
    auto* window = new TZarixMdiForm(&Owner);
    EXPECT_THROW(Plugin->AddMDIForm("Okno", window, 100, 100, nullptr, 0, alNotAligned, -1), EPluginError);
    // The menu services need the command menu and do nothing before it is built.
    EXPECT_NO_THROW(Plugin->SetRootMenuVisible("Dokumenty|Faktura", false));
    EXPECT_NO_THROW(Plugin->SetBranchMenuVisible("Dokumenty|Faktura", false));

    TZarixMDIContainer container(nullptr);
    TForm frame(nullptr);
    container.SetMDIParent(&frame);
    Manager->SetMDIContainer(&container);
    BuildMenu(&Images);  // the manager's icons
    EXPECT_EQ(Plugin->MDIGetParent(), &frame);

    auto* parent = new TZarixMdiForm(&Owner);
    parent->SetBounds(50, 60, 500, 400);
    EXPECT_TRUE(Plugin->AddMDIForm("Lista", parent, 500, 400, nullptr, 0, alNotAligned, -1));
    EXPECT_TRUE(Plugin->AddMDIForm("Karta", window, 300, 200, parent, 15, alCascade, 1));
    ASSERT_EQ(Plugin->MDIForms()->Count(), 2);
    const TZarixPluginMDIForm* descriptor = Plugin->MDIForms()->Items(1);
    EXPECT_EQ(std::make_tuple(descriptor->Name(), descriptor->MDIForm(), descriptor->ParentForm(), descriptor->FormAlign()),
              std::make_tuple(std::string("Karta"), window, parent, alNotAligned));
    EXPECT_EQ(std::make_tuple(window->Left(), window->Width(), window->Height()), std::make_tuple(70, 300, 200));
    EXPECT_EQ(window->Icon().ImageName, "faktura.png");
    EXPECT_TRUE(parent->Icon().Empty());  // icon index -1 leaves the icon alone; the window is cascaded under its parent
    EXPECT_EQ(Plugin->IsMDIForm("TZarixMdiForm", 15, parent, askBottom), window);

    // An icon the list does not hold: no icon, but the window is registered and described;
    // a nil window: the container's answer, and no descriptor.
    auto* third = new TZarixMdiForm(&Owner);
    EXPECT_TRUE(Plugin->AddMDIForm("Trzecie", third, 320, 240, parent, 17, alCascade, 7));
    EXPECT_TRUE(Plugin->AddMDIForm("Nic", nullptr, 1, 1, nullptr, 0, alCascade, 0));
    EXPECT_TRUE(third->Icon().Empty());
    EXPECT_EQ(Plugin->MDIForms()->Count(), 3);
    Plugin->DelMDIForm("", third);

    // A window registered twice has two descriptors; removing it removes both, and the
    // container's entries.
    Plugin->AddMDIForm("Karta2", window, 300, 200, parent, 16, alNotAligned, -1);
    Plugin->DelMDIForm("ignored", window);
    EXPECT_EQ(Plugin->MDIForms()->Count(), 1);
    EXPECT_EQ(container.Items()->Count(), 1);
    Plugin->DelMDIForm("", parent);  // the first descriptor's window
    EXPECT_EQ(std::pair(Plugin->MDIForms()->Count(), container.Items()->Count()), std::pair(0, 0));
}

class MenuServicesTest : public PluginServicesTest {
protected:
    void SetUp() override {
        PluginServicesTest::SetUp();
        Add(Plugin, "Faktura", "Dokumenty|Sprzedaż|Faktura", "0|0|0");
        Add(Plugin, "Korekta", "Dokumenty|Sprzedaż|Korekta", "0|0|1");
        Add(Plugin, "Wydanie", "Dokumenty|Magazyn|Wydanie", "0|1|0");
        Add(Plugin, "Druk", "&Raporty|Druk", "1|0");
        Add(Plugin, "Bilans", "KSIĘGOWOŚĆ|Bilans", "2|0");
        Add(Plugin, "Rejestr", "Księgowość|Rejestr", "2|1");  // the same submenu in other letter case
        Add(Plugin, "Stany", "Księgowość|Magazyn|Stany", "2|2|0");  // a submenu named as one under Dokumenty
        BuildMenu();
    }
    /// The item at a "|" path of captions, each found as the menu finds them.
    TMenuItem* Item(const std::string& path) {
        TMenuItem* item = Menu.Items();
        for (const std::string& caption : Explode("|", path)) item = item->Find(caption);
        return item;
    }
    /// One call of a menu service (its path and visibility), and the visibility the item at a
    /// path has after it.
    using TStep = std::tuple<const char*, bool, const char*, bool>;
    void Walk(void (TZarixPlugin::*service)(const std::string&, bool), std::initializer_list<TStep> steps) {
        for (const auto& [path, visible, item, expected] : steps) {
            std::invoke(service, Plugin, path, visible);
            EXPECT_EQ(Item(item)->Visible(), expected) << path << " then " << item;
        }
    }
};

TEST_F(MenuServicesTest, CommandItemsByTheirWholePath) {
    EXPECT_TRUE(Plugin->CommandMenuCheckExist("Dokumenty|Sprzedaż|Faktura"));
    EXPECT_FALSE(Plugin->CommandMenuCheckExist("Dokumenty|Sprzedaż"));  // a prefix is not a path
    Plugin->SetCommandMenuVisible("Dokumenty|Sprzedaż|Faktura", false, false);
    Plugin->SetCommandMenuEnabled("Dokumenty|Magazyn|Wydanie", false);
    EXPECT_FALSE(Item("Dokumenty|Sprzedaż|Faktura")->Visible());
    EXPECT_TRUE(Item("Dokumenty|Sprzedaż|Korekta")->Visible());
    EXPECT_FALSE(Item("Dokumenty|Magazyn|Wydanie")->Enabled());
    Plugin->SetCommandMenuVisible("Dokumenty|Magazyn", false, true);  // as a root path
    EXPECT_FALSE(Item("Dokumenty|Magazyn")->Visible());
}

TEST_F(MenuServicesTest, RootPathsActOnTheDeepestItemThatMatched) {
    // The build reused the submenu whose caption differs only in letter case, and made its own
    // "Magazyn" there.
    EXPECT_EQ(Captions(Menu.Items()), (TNames{"Dokumenty", "&Raporty", "KSIĘGOWOŚĆ"}));
    EXPECT_EQ(Captions(Item("Księgowość")), (TNames{"Bilans", "Rejestr", "Magazyn"}));
    Walk(&TZarixPlugin::SetRootMenuVisible,
         {{"dokumenty|Nieznane", false, "Dokumenty", false},  // the top level found without regard to case
          {"księgowość", false, "KSIĘGOWOŚĆ", false},
          {"Dokumenty|Nieznane|Magazyn", false, "Dokumenty|Magazyn", false},  // an unmatched element is passed over
          {"Dokumenty", true, "Dokumenty", true},
          {"Dokumenty|sprzedaż|Korekta", false, "Dokumenty", false},  // "sprzedaż" differs in case: stays at the top
          {"Dokumenty|Sprzedaż|Korekta", false, "Dokumenty|Sprzedaż|Korekta", false},
          {"Nieznane|Druk", false, "Raporty|Druk", true}});  // no such top-level item: nothing changes
}

TEST_F(MenuServicesTest, BranchesMatchCaptionsWithoutAcceleratorsAgainstPlainElements) {
    Walk(&TZarixPlugin::SetBranchMenuVisible,
         {{"Raporty|Druk", false, "Raporty|Druk", false},  // "&Raporty" in the menu
          {"&Raporty|Druk", true, "Raporty|Druk", false},  // "&" in the element: matches nothing
          {"Dokumenty", false, "Dokumenty", true},         // fewer than two elements: not accepted
          {"Dokumenty|Magazyn|Wydanie", false, "Dokumenty|Magazyn", false},  // elements after the second ignored
          {"Dokumenty|Magazyn|Wydanie", false, "Dokumenty|Magazyn|Wydanie", true},
          {"księgowość|BILANS", false, "Księgowość|Bilans", false},  // letter case counts in no script
          {"księgowość|BILANS", false, "Księgowość|Rejestr", true}});

    // Every top-level item of that caption is changed, not only the first.
    auto* second = new TMenuItem(&Menu), *print = new TMenuItem(&Menu);
    second->SetCaption("Raporty");
    print->SetCaption("Dr&uk");
    Menu.Items()->Add(second);
    second->Add(print);
    Plugin->SetBranchMenuVisible("Raporty|Druk", true);
    EXPECT_TRUE(Item("Raporty|Druk")->Visible() && print->Visible());
}

TEST_F(CommandTest, NothingShownCanRunTheCodeOfAnUnloadedPlugin) {
    LoadShown();  // the handlers are in the libraries
    TZarixPluginCommand* alfa1 = Manager->GetPlugins(0)->Commands()->Items(0);
    TMenuItem* item = alfa1->MenuItemRef();
    TToolButton* button = alfa1->ToolItemRef();
    ASSERT_TRUE(item != nullptr && button != nullptr);
    ASSERT_EQ(Bar.ButtonCount(), 3);
    Manager->UpdateCommandsBasedMenu(Manager->GetPlugins(0));  // a second view of each command
    JournalTake();
    item->Click();
    EXPECT_EQ(JournalTake(), TNames{"execute:Alfa 1"});

    Manager->UnloadPlugin(0);
    EXPECT_EQ(Only(JournalTake(), "destroy:"), TNames{"Alfa"});

    item->Click();
    button->Click();
    for (const char* key : {"Alt+F1", "Alt+F2", "Alt+F3"}) Actions.IsShortCut(TextToShortCut(key));
    EXPECT_EQ(Only(JournalTake(), "execute:Alfa"), TNames{});
    EXPECT_FALSE(item->Enabled() || item->OnClick() || button->OnClick());
    EXPECT_EQ(CommandOrder(), TNames{"Beta 1"});
    EXPECT_EQ(Manager->SortedCommandsToolBarList()->Count(), 1);
    // The privilege pass no longer knows the cut items, so it cannot bring them back to life.
    UserSecurity().SetPrivilegeChecker([](const std::string&, int32_t) { return true; });
    Manager->CheckMenuVSPrivileges();
    EXPECT_FALSE(item->Enabled());
    // The rest still works, and a new set-up builds only what is loaded.
    Manager->SetCommandsBasedToolBar(&Bar, nullptr, &Actions);
    ASSERT_EQ(Bar.ButtonCount(), 1);
    Bar.Buttons(0)->Click();
    EXPECT_EQ(JournalTake(), TNames{"execute:Beta 1"});
}

// A command its plugin deletes leaves the manager's ordered lists at once; its views still go
// with its plugin.
TEST_F(CommandTest, ACommandItsPluginDeletesLeavesTheListsAndItsViewsGoWithThePlugin) {
    LoadShown();
    TMenuItem* item = Manager->GetPlugins(0)->Commands()->Items(0)->MenuItemRef();
    Manager->GetPlugins(0)->Commands()->Delete(0);
    Manager->GetPlugins(1)->Commands()->Clear();
    EXPECT_EQ(CommandOrder(), TNames{"Alfa 2"});
    ASSERT_EQ(Manager->SortedCommandsToolBarList()->Count(), 1);
    EXPECT_EQ(Manager->SortedCommandsToolBarList()->Items(0), Manager->GetPlugins(0)->Commands()->Items(0));

    TCapturingExceptionSink sink;
    Manager->UpdateCommandsBasedMenuByList();
    Manager->SetCommandsBasedToolBar(&Bar, nullptr, &Actions);
    EXPECT_EQ(ReportsOf(sink), TNames{});
    ASSERT_EQ(Bar.ButtonCount(), 1);
    EXPECT_EQ(Bar.Buttons(0)->Hint(), "Alt+F1 Alfa 2");
    Manager->UnloadPlugin(0);
    EXPECT_FALSE(item->Enabled() || item->OnClick());
}
