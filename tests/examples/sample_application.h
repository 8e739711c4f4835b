// The sample application's plugin folder loaded by a manager over an in-memory database on
// "DBCONN", as the host has it.
#pragma once

#include "manager/ZarixPluginManager.h"
#include "services/db/zarix_db.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class SampleApplication : public ::testing::Test {
protected:
    void SetUp() override {
        zarix::DBInt().OpenConnection("DBCONN", ":memory:");
        Manager = std::make_unique<zarix::TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(EXAMPLE_PLUGIN_DIR);
        Manager->LoadPlugins();
    }
    void TearDown() override {
        Manager.reset();
        zarix::DBInt().CloseConnection("DBCONN");
    }
    void Check(const std::string& existingVersion) { Manager->DatabaseCheckBroadcast(existingVersion, false); }
    static void Exec(const std::string& sql) { zarix::DBInt().ExecSQL("DBCONN", sql); }
    /// The first column of the first row; "" when there is none.
    static std::string Value(const std::string& sql) {
        zarix::TDBQuery query(sql, "DBCONN");
        query.Open();
        return query.Eof() ? std::string() : query.FieldByName(query.FieldName(0));
    }
    /// Every schema object with its definition and every row of every table, as text.
    static std::string Dump() {
        std::string dump;
        zarix::TDBQuery objects("SELECT type, name, sql FROM sqlite_master ORDER BY type, name", "DBCONN");
        for (objects.Open(); !objects.Eof(); objects.Next()) {
            dump += objects.FieldByName("type") + " " + objects.FieldByName("name") + ": " + objects.FieldByName("sql") + "\n";
            if (objects.FieldByName("type") != "table") continue;
            zarix::TDBQuery rows("SELECT * FROM " + objects.FieldByName("name") + " ORDER BY 1", "DBCONN");
            for (rows.Open(); !rows.Eof(); rows.Next()) {
                for (int i = 0; i < rows.FieldCount(); ++i) dump += rows.FieldByName(rows.FieldName(i)) + "|";
                dump += "\n";
            }
        }
        return dump;
    }

    std::unique_ptr<zarix::TZarixPluginManager> Manager;
};
