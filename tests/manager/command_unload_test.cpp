// Unloading a plugin cuts every menu item, button and action that could run its code.
#include "command_fixture.h"

#include "platform/ui/shortcuts.h"

using namespace zarix;

TEST_F(CommandTest, NothingShownCanRunTheCodeOfAnUnloadedPlugin) {
    TMainMenu menu(nullptr);
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    LoadShown(menu, bar, actions);  // the handlers are in the libraries
    TZarixPluginCommand* alfa1 = Manager->GetPlugins(0)->Commands()->Items(0);
    TMenuItem* item = alfa1->MenuItemRef();
    TToolButton* button = alfa1->ToolItemRef();
    ASSERT_NE(item, nullptr);
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(bar.ButtonCount(), 3);
    Manager->UpdateCommandsBasedMenu(Manager->GetPlugins(0));  // a second view of each command
    JournalTake();
    item->Click();
    EXPECT_EQ(JournalTake(), std::vector<std::string>{"execute:Alfa 1"});

    Manager->UnloadPlugin(0);
    EXPECT_EQ(Only(JournalTake(), "destroy:"), std::vector<std::string>{"Alfa"});

    item->Click();
    button->Click();
    for (const char* key : {"Alt+F1", "Alt+F2", "Alt+F3"}) actions.IsShortCut(TextToShortCut(key));
    EXPECT_EQ(Only(JournalTake(), "execute:Alfa"), std::vector<std::string>{});
    EXPECT_FALSE(item->Enabled());
    EXPECT_FALSE(static_cast<bool>(item->OnClick()));
    EXPECT_FALSE(static_cast<bool>(button->OnClick()));
    ASSERT_EQ(Manager->getCommandList()->Count(), 1);
    EXPECT_EQ(static_cast<TZarixPluginCommand*>(Manager->getCommandList()->Items(0))->Caption(), "Beta 1");
    EXPECT_EQ(Manager->SortedCommandsToolBarList()->Count(), 1);
    // The privilege pass no longer knows the cut items, so it cannot bring them back to life.
    ASSERT_EQ(Manager->MenuPrivileges().size(), 1u);
    UserSecurity().SetPrivilegeChecker([](const std::string&, int32_t) { return true; });
    Manager->CheckMenuVSPrivileges();
    EXPECT_FALSE(item->Enabled());
    // The rest still works, and a new set-up builds only what is loaded.
    Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
    ASSERT_EQ(bar.ButtonCount(), 1);
    bar.Buttons(0)->Click();
    EXPECT_EQ(JournalTake(), std::vector<std::string>{"execute:Beta 1"});
}

// A command its plugin deletes leaves the manager's ordered lists at once; its views still go
// with its plugin.
TEST_F(CommandTest, ACommandItsPluginDeletesLeavesTheListsAndItsViewsGoWithThePlugin) {
    TMainMenu menu(nullptr);
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    LoadShown(menu, bar, actions);
    TMenuItem* item = Manager->GetPlugins(0)->Commands()->Items(0)->MenuItemRef();
    Manager->GetPlugins(0)->Commands()->Delete(0);
    Manager->GetPlugins(1)->Commands()->Clear();
    EXPECT_EQ(CommandOrder(), std::vector<std::string>{"Alfa 2"});
    ASSERT_EQ(Manager->SortedCommandsToolBarList()->Count(), 1);
    EXPECT_EQ(Manager->SortedCommandsToolBarList()->Items(0), Manager->GetPlugins(0)->Commands()->Items(0));

    TCapturingExceptionSink sink;
    Manager->UpdateCommandsBasedMenuByList();
    Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
    EXPECT_EQ(sink.Reports().size(), 0u);
    ASSERT_EQ(bar.ButtonCount(), 1);
    EXPECT_EQ(bar.Buttons(0)->Hint(), "Alt+F1 Alfa 2");
    Manager->UnloadPlugin(0);
    EXPECT_FALSE(item->Enabled() || item->OnClick());
}
