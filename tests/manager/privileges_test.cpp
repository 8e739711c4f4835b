// The privilege pass over the command menu items.
#include "command_fixture.h"

#include <set>

using namespace zarix;

class PrivilegeTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Plugins = LoadBlank(1);
        Add(Plugins[0], "Faktura", "Dokumenty|Faktura", "0|0", -1, "DOK_FV", "", false);  // disabled at first
        Add(Plugins[0], "Korekta", "Dokumenty|Korekta", "0|1", -1, "DOK_FV");
        Add(Plugins[0], "Kasa", "Dokumenty|Kasa", "0|2", -1, "KASA");
        Add(Plugins[0], "Wolne", "Dokumenty|Wolne", "0|3");
        Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
        UserSecurity().SetPrivilegeChecker([this](const std::string& name, int32_t user) {
            Asked.push_back(name + "@" + std::to_string(user));
            return Granted.count(name) != 0;
        });
        UserSecurity().SetLoggedUser(5);
    }
    TMenuItem* Item(int i) const { return Plugins[0]->Commands()->Items(i)->MenuItemRef(); }

    std::vector<TZarixPlugin*> Plugins;
    TMainMenu Menu{nullptr};
    std::set<std::string> Granted;
    std::vector<std::string> Asked;
};

TEST_F(PrivilegeTest, ThePassEnablesAndDisablesEachRegisteredItem) {
    ASSERT_EQ(Manager->MenuPrivileges().size(), 3u);  // the submenu and the free command are not registered
    Granted = {"DOK_FV"};
    Manager->CheckMenuVSPrivileges();
    EXPECT_TRUE(Item(0)->Enabled());  // granted: enabled although the command was disabled
    EXPECT_TRUE(Item(1)->Enabled());
    EXPECT_FALSE(Item(2)->Enabled());
    EXPECT_TRUE(Item(3)->Enabled());
    EXPECT_TRUE(Menu.Items()->Items(0)->Enabled());
    EXPECT_EQ(Asked, (std::vector<std::string>{"DOK_FV@5", "DOK_FV@5", "KASA@5"}));
    Granted = {"KASA"};
    Manager->CheckMenuVSPrivileges();
    EXPECT_FALSE(Item(0)->Enabled());
    EXPECT_FALSE(Item(1)->Enabled());
    EXPECT_TRUE(Item(2)->Enabled());
    EXPECT_FALSE(Plugins[0]->Commands()->Items(0)->Enabled());  // the commands themselves are not touched
}

TEST_F(PrivilegeTest, ItemsFoundAgainAreNotRegisteredTwiceAndAnEntryWhoseItemWentIsDroppedNeverUsed) {
    Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
    delete Item(2);
    Manager->CheckMenuVSPrivileges();
    EXPECT_EQ(Asked, (std::vector<std::string>{"DOK_FV@5", "DOK_FV@5"}));
    EXPECT_EQ(Manager->MenuPrivileges().size(), 2u);
}

TEST_F(PrivilegeTest, TheDatabaseAnswersForTheLoggedInUserAndItsFailuresReachTheCaller) {
    UserSecurity().SetPrivilegeChecker({});
    DBInt().ExecSQL("DBCONN", "insert into UserPrivileges values (5, 'KASA')");
    Manager->CheckMenuVSPrivileges();
    EXPECT_FALSE(Item(0)->Enabled());
    EXPECT_TRUE(Item(2)->Enabled());
    DBInt().ExecSQL("DBCONN", "drop table UserPrivileges");
    EXPECT_THROW(Manager->CheckMenuVSPrivileges(), EDatabaseError);
}
