// A command its plugin deletes leaves the manager's ordered lists at once, and its views still
// go with its plugin.
#include "command_fixture.h"

#include "platform/ui/actions.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"

using namespace zarix;

namespace {
std::vector<std::string> ListCaptions(const TList* list) {
    std::vector<std::string> captions;
    for (int i = 0; list != nullptr && i < list->Count(); ++i)
        captions.push_back(static_cast<const TZarixPluginCommand*>(list->Items(i))->Caption());
    return captions;
}
}  // namespace

TEST_F(CommandTest, ACommandItsPluginDeletesLeavesTheListsAndItsViewsGoWithThePlugin) {
    Manager->LoadPlugin(Install("alfa"), false);  // "Alfa 1", "Alfa 2"
    Manager->LoadPlugin(Install("beta"), false);  // "Beta 1"
    TMainMenu menu(nullptr);
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
    TZarixPlugin* alfa = Manager->GetPlugins(0);
    TZarixPlugin* beta = Manager->GetPlugins(1);
    TMenuItem* item = alfa->Commands()->Items(0)->MenuItemRef();
    ASSERT_NE(item, nullptr);
    TCapturingExceptionSink sink;

    // One command deleted alone, then a whole collection emptied at once.
    alfa->Commands()->Delete(0);
    EXPECT_EQ(ListCaptions(Manager->getCommandList()), (std::vector<std::string>{"Beta 1", "Alfa 2"}));
    EXPECT_EQ(ListCaptions(Manager->SortedCommandsToolBarList()), (std::vector<std::string>{"Beta 1", "Alfa 2"}));
    beta->Commands()->Clear();
    EXPECT_EQ(ListCaptions(Manager->getCommandList()), std::vector<std::string>{"Alfa 2"});
    EXPECT_EQ(ListCaptions(Manager->SortedCommandsToolBarList()), std::vector<std::string>{"Alfa 2"});

    // The builds that follow see only the live command.
    Manager->UpdateCommandsBasedMenuByList();
    Manager->UpdateCommandsBasedToolBarByList(&actions, {});
    Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
    EXPECT_EQ(sink.Reports().size(), 0u);
    ASSERT_EQ(bar.ButtonCount(), 1);
    EXPECT_EQ(bar.Buttons(0)->Hint(), "Alt+F1 Alfa 2");

    // The deleted command's item and button still ran the plugin's code: they are cut with it.
    Manager->UnloadPlugin(0);
    EXPECT_FALSE(static_cast<bool>(item->OnClick()));
    EXPECT_FALSE(item->Enabled());
    EXPECT_EQ(Manager->getCommandList()->Count(), 0);
}
