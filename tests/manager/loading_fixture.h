// A manager over a temporary plugin folder filled with copies of the fixture plugins.
#pragma once

#include "journal.h"
#include "message_of.h"
#include "tests/services/reports_of.h"

#include "manager/ZarixPluginManager.h"
#include "platform/rtl/exceptions.h"
#include "services/exception_handler.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        JournalTake();
        static int serial = 0;
        Folder = std::filesystem::path(::testing::TempDir()) /
                 ("zarix_plugins_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        StartOver();
    }
    void TearDown() override {
        Manager.reset();
        std::filesystem::remove_all(Folder);
    }
    /// A new manager over the folder emptied; the old manager unloads what it held first.
    void StartOver() {
        Manager.reset();
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Manager = std::make_unique<zarix::TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(Folder.string());
    }
    /// Installs the fixtures, loads the folder and forgets what the loading journalled.
    void LoadAll(std::initializer_list<const char*> fixtures) {
        for (const char* name : fixtures) Install(name);
        Manager->LoadPlugins();
        JournalTake();
    }
    /// Copies a fixture into the folder (a fresh file, so the loader sees a new library).
    std::string Install(const std::string& name, const std::string& as = {}) {
        const auto target = Folder / ((as.empty() ? name : as) + ".bpl");
        std::filesystem::copy_file(std::string(FIXTURE_DIR) + name + ".bpl", target);
        return target.string();
    }
    TNames Loaded() const {
        TNames names;
        for (int i = 0; i < Manager->PluginCount(); ++i) names.push_back(Manager->GetPlugins(i)->GetPluginName());
        return names;
    }
    /// The initialisation order as "<sort key> <plugin name>".
    TNames Priorities() const {
        TNames order;
        const zarix::TStringList& list = *Manager->PluginPriorities();
        for (int i = 0; i < list.Count(); ++i)
            order.push_back(list.Strings(i) + " " + static_cast<zarix::TZarixPlugin*>(list.Objects(i))->GetPluginName());
        return order;
    }
    static TNames Only(const TNames& journal, const std::string& prefix) {
        TNames picked;
        for (const std::string& e : journal)
            if (e.rfind(prefix, 0) == 0) picked.push_back(e.substr(prefix.size()));
        return picked;
    }

    /// "<exception class>: <message>" of what the action raised.
    static std::string Raised(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::exception& e) {
            return zarix::ExceptionClassName(e) + ": " + e.what();
        } catch (...) {
            return "a foreign exception passed through";
        }
        return "nothing raised";
    }

    std::filesystem::path Folder;
    std::unique_ptr<zarix::TZarixPluginManager> Manager;
};
