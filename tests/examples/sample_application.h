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

    std::unique_ptr<zarix::TZarixPluginManager> Manager;
};
