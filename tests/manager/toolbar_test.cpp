// The toolbar: the user's rows or the default commands, captions, shortcuts, hidden buttons.
#include "command_fixture.h"

#include "platform/ui/shortcuts.h"

using namespace zarix;

namespace {

std::vector<std::string> Hints(const TToolBar& bar) {
    std::vector<std::string> hints;
    for (int i = 0; i < bar.ButtonCount(); ++i) hints.push_back(bar.Buttons(i)->Hint());
    return hints;
}

}  // namespace

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
        Manager->SetCommandsBasedMenu(&Menu, &Images, nullptr);
        ParameterMgr().SetParameterValue("Administracja|UserToolbarCaption", 0, "T");
        Manager->ToolBarMustRefresh(7);
    }
    std::vector<TZarixPlugin*> Plugins;
    TMainMenu Menu{nullptr};
    TImageList Images{nullptr};
    TToolBar Bar{nullptr};
    TActionList Actions{nullptr};
};

TEST_F(ToolBarTest, WithoutRowsEveryEnabledCommandWithAPlaceGetsAButtonInMenuOrder) {
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    // Menu order puts "Kartoteki" (1|...) before "Dokumenty" (2|...); the disabled one is left out.
    EXPECT_EQ(Hints(Bar), (std::vector<std::string>{"Alt+F1 Kontrahenci", "Alt+F2 Nowa faktura", "Alt+F3 Paragon"}));
    EXPECT_EQ(Bar.Images(), &Images);
    EXPECT_TRUE(Bar.ShowCaptions());
    EXPECT_EQ(Bar.Buttons(1)->Caption(), "Nowa_faktura");  // 12 characters: kept as it is
    EXPECT_EQ(Bar.Buttons(0)->Left(), 0);
    EXPECT_EQ(Bar.Buttons(2)->Left(), 2 * Bar.Buttons(0)->Width());
    EXPECT_TRUE(Bar.Buttons(0)->ShowHint());
    EXPECT_EQ(Bar.Buttons(0)->Height(), Bar.Height());
    EXPECT_EQ(Plugins[0]->Commands()->Items(0)->ToolItemRef(), Bar.Buttons(1));
    ASSERT_EQ(Actions.ActionCount(), 3);
    EXPECT_TRUE(Actions.IsShortCut(TextToShortCut("Alt+F3")));
    Bar.Buttons(0)->Click();
    EXPECT_EQ(Clicks, (std::vector<std::string>{"Paragon", "Kontrahenci"}));
}

TEST_F(ToolBarTest, TheUsersRowsChooseTheButtonsByTrimmedExactPath) {
    AddToolBarRow(7, "  Dokumenty|Bez przycisku\t");
    AddToolBarRow(7, "kartoteki|kontrahenci");  // letter case counts: no match
    AddToolBarRow(7, "Dokumenty|Paragon");
    AddToolBarRow(7, "Dokumenty|Paragon");      // twice: two buttons
    AddToolBarRow(8, "Dokumenty|Faktura");      // another user's
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    EXPECT_EQ(Hints(Bar), (std::vector<std::string>{"Alt+F1 Paragon", "Alt+F2 Paragon", "Alt+F3 Bez przycisku"}));
    EXPECT_TRUE(Plugins[0]->Commands()->Items(2)->ShowOnToolBar());  // chosen by the user: set for good
    // Rows that match nothing fall back to the default buttons.
    Manager->ToolBarMustRefresh(9);
    AddToolBarRow(9, "Nie|Istnieje");
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    EXPECT_EQ(Hints(Bar), (std::vector<std::string>{"Alt+F1 Kontrahenci", "Alt+F2 Nowa faktura", "Alt+F3 Paragon"}));
}

TEST_F(ToolBarTest, ShortcutsSkipAltF4AndEndAfterF24) {
    for (int i = 0; i < 22; ++i)
        Add(Plugins[1], "P" + std::to_string(i), "Z|P" + std::to_string(i), "3|" + std::to_string(i), 0);
    Manager->SetCommandsBasedMenu(&Menu, &Images, nullptr);
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    ASSERT_EQ(Bar.ButtonCount(), 25);
    const std::vector<std::string> hints = Hints(Bar);
    EXPECT_EQ(hints[3].rfind("Alt+F5 ", 0), 0u);
    EXPECT_EQ(hints[4].rfind("Alt+F6 ", 0), 0u);
    EXPECT_EQ(hints[22].rfind("Alt+F24 ", 0), 0u);
    EXPECT_EQ(hints[23], " P20");  // Alt+F25 names no key: no shortcut, the hint begins with the blank
    EXPECT_EQ(Actions.Actions(23)->ShortCut(), 0);
    for (const std::string& hint : hints) EXPECT_EQ(hint.rfind("Alt+F4 ", 0), std::string::npos);
}

TEST_F(ToolBarTest, LongCaptionsAreShortenedCountingCharacters) {
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    struct Case {
        const char* Text;
        const char* Caption;
    };
    const Case cases[] = {
        {"Dokumenty_magazynowe PZ", "Dokumenty magazynowe"},
        {"Dokumenty magazynowe PZ", "Dokumenty ..."},
        {"Zażółć gęślą jaźń ok", "Zażółć gęślą jaźń ok"},  // 20 characters, 29 bytes: not shortened
        {"Zażółć gęślą jaźń oka", "Zażółć ..."},
        {"Bardzodlugiopisbezspacji", "..."},
        {"Bardzo_dlugi_opis_bez_spacji", ""},
        {"  Krótki opis  ", "  Krótki opis  "},
    };
    for (const Case& c : cases) {
        Plugins[0]->Commands()->Items(1)->SetToolButtonCaption(c.Text);
        Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
        EXPECT_EQ(Plugins[0]->Commands()->Items(1)->ToolItemRef()->Caption(), c.Caption) << c.Text;
    }
}

TEST_F(ToolBarTest, HiddenButtonsStayOutOfTheNextBuildOnly) {
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    Manager->SetCommandToolBarVisible("Dokumenty", false);  // a submenu hides all below it
    EXPECT_FALSE(Bar.Buttons(1)->Visible());
    EXPECT_FALSE(Bar.Buttons(2)->Visible());
    EXPECT_TRUE(Bar.Buttons(0)->Visible());
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    EXPECT_EQ(Hints(Bar), std::vector<std::string>{"Alt+F1 Kontrahenci"});
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    EXPECT_EQ(Bar.ButtonCount(), 3);
    Manager->SetCommandToolBarVisible("", false);
    for (int i = 0; i < Bar.ButtonCount(); ++i) EXPECT_FALSE(Bar.Buttons(i)->Visible());
}

TEST_F(ToolBarTest, WithoutCaptionsButtonsAreNarrowAndBareAndWithoutActionsWithoutShortcuts) {
    ParameterMgr().SetParameterValue("Administracja|UserToolbarCaption", 7, "t");  // only "T" is true
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    EXPECT_FALSE(Bar.ShowCaptions());
    EXPECT_EQ(Bar.ButtonWidth(), 25);
    EXPECT_EQ(Bar.Buttons(0)->Caption(), "");
    EXPECT_EQ(Bar.Buttons(2)->Left(), 50);
    // A build without an action list gives no shortcuts.
    Manager->UpdateCommandsBasedToolBarByList(nullptr, {});
    EXPECT_EQ(Bar.ButtonCount(), 6);  // the build adds; the set-up is what clears
    EXPECT_EQ(Bar.Buttons(3)->Hint(), "Kontrahenci");
}

TEST_F(ToolBarTest, FailuresOfTheSetUpRaiseAndKeepWhatTheyMust) {
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
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
    DBInt().OpenConnection("DBCONN", ":memory:");
}

TEST_F(ToolBarTest, VisibilityComesFromTheUsersParameterAndFailuresAreReported) {
    Manager->SetCommandsBasedToolBar(&Bar, &Images, &Actions);
    ParameterMgr().SetParameterValue("Administracja|UserToolbarVisible", 3, "T");
    Manager->SetToolbarVisible(3);
    EXPECT_TRUE(Bar.Visible());
    Manager->SetToolbarVisible(4);
    EXPECT_FALSE(Bar.Visible());
    DBInt().CloseConnection("DBCONN");
    TCapturingExceptionSink sink;
    Manager->SetToolbarVisible(3);
    ASSERT_EQ(sink.Reports().size(), 1u);
    EXPECT_EQ(sink.Reports()[0].Context, "TZarixPluginManager.SetToolbarVisible");
    DBInt().OpenConnection("DBCONN", ":memory:");
}
