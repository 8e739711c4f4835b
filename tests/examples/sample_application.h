// The sample application's plugin folder loaded by a manager over the fresh "DBCONN" of a
// database test, as the host has it.
#pragma once

#include "manager/ZarixPluginManager.h"
#include "platform/rtl/strings.h"
#include "services/db/zarix_db.h"
#include "tests/db/db_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class SampleApplication : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!Ready()) return;
        Manager = std::make_unique<zarix::TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(EXAMPLE_PLUGIN_DIR);
        Manager->LoadPlugins();
    }
    void TearDown() override {
        Manager.reset();
        DatabaseTest::TearDown();
    }

    void Check(const std::string& existingVersion) { Manager->DatabaseCheckBroadcast(existingVersion, false); }
    /// The first column of the first row; "" when there is none.
    static std::string Value(const std::string& sql) {
        const std::vector<std::string> column = ColumnOf(sql);
        return column.empty() ? std::string() : column.front();
    }
    /// How the database defines the named view or trigger.
    std::string Definition(const std::string& name) const {
        if (!OnServer()) return Value("SELECT sql FROM sqlite_master WHERE name = '" + name + "'");
        return Value("SELECT pg_get_viewdef(c.oid) FROM pg_class c WHERE c.relname = lower('" + name +
                     "') AND c.relnamespace = current_schema()::regnamespace "
                     "UNION ALL SELECT pg_get_triggerdef(t.oid) || pg_get_functiondef(t.tgfoid) FROM pg_trigger t "
                     "JOIN pg_class c ON c.oid = t.tgrelid WHERE t.tgname = lower('" + name +
                     "') AND NOT t.tgisinternal AND c.relnamespace = current_schema()::regnamespace");
    }

    std::unique_ptr<zarix::TZarixPluginManager> Manager;
};
