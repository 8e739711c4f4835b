// A command its plugin deletes leaves the manager's ordered lists at once; its views still go
// with its plugin.
#include "command_fixture.h"

using namespace zarix;

TEST_F(CommandTest, ACommandItsPluginDeletesLeavesTheListsAndItsViewsGoWithThePlugin) {
    Manager->LoadPlugin(Install("alfa"), false);  // "Alfa 1", "Alfa 2"
    Manager->LoadPlugin(Install("beta"), false);  // "Beta 1"
    TMainMenu menu(nullptr);
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
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
