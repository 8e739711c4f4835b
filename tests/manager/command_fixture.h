// Plugins loaded from copies of a blank fixture library, with commands the tests add, over a
// fresh in-memory "DBCONN" database.
#pragma once

#include "loading_fixture.h"

#include "services/db/parameters.h"
#include "services/db/security.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"
#include "services/exception_handler.h"

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
    /// Loads alfa ("Alfa 1", "Alfa 2") and beta ("Beta 1") and shows their commands in Menu, Bar
    /// and Actions.
    void LoadShown(zarix::TMainMenu& Menu, zarix::TToolBar& Bar, zarix::TActionList& Actions) {
        Manager->LoadPlugin(Install("alfa"), false);
        Manager->LoadPlugin(Install("beta"), false);
        Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
        Manager->SetCommandsBasedToolBar(&Bar, nullptr, &Actions);
    }
    std::vector<std::string> CommandOrder() const {
        std::vector<std::string> order;
        zarix::TList* list = Manager->getCommandList();
        for (int i = 0; list != nullptr && i < list->Count(); ++i)
            order.push_back(static_cast<zarix::TZarixPluginCommand*>(list->Items(i))->Caption());
        return order;
    }
    static std::vector<std::string> Captions(const zarix::TMenuItem* parent) {
        std::vector<std::string> captions;
        for (int i = 0; i < parent->Count(); ++i) captions.push_back(parent->Items(i)->Caption());
        return captions;
    }
    void AddToolBarRow(int user, const std::string& path) {
        zarix::DBInt().ExecSQL("DBCONN", "insert into UserToolBar values (" + std::to_string(user) + ", '" + path + "')");
    }

    std::vector<std::string> Clicks;
};
