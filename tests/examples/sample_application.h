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
        zarix::TDBQuery query(sql, "DBCONN");
        query.Open();
        return query.Eof() ? std::string() : query.FieldByName(query.FieldName(0));
    }
    /// The first column of every row, joined by ",".
    static std::string Column(const std::string& sql) {
        zarix::TDBQuery query(sql, "DBCONN");
        std::string joined;
        for (query.Open(); !query.Eof(); query.Next()) joined += (joined.empty() ? "" : ",") + query.FieldByName(query.FieldName(0));
        return joined;
    }
    /// The names of the schema objects of one type ("table", "view", "trigger"), in lower case
    /// since the server folds them, sorted, separated by blanks. The server's own note of the
    /// modules' objects is left out.
    std::string Names(const std::string& type) const {
        std::string names;
        for (const std::string& name : NameList(type)) names += (names.empty() ? "" : " ") + name;
        return names;
    }
    std::vector<std::string> NameList(const std::string& type) const {
        std::string sql;
        if (!OnServer()) sql = "SELECT lower(name) FROM sqlite_master WHERE type = '" + type + "' ORDER BY 1";
        else if (type == "table")
            sql = "SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema() "
                  "AND table_type = 'BASE TABLE' AND table_name <> 'schemaobjects' ORDER BY 1";
        else if (type == "view") sql = "SELECT viewname FROM pg_views WHERE schemaname = current_schema() ORDER BY 1";
        else
            sql = "SELECT DISTINCT t.tgname FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid JOIN pg_namespace n "
                  "ON n.oid = c.relnamespace WHERE n.nspname = current_schema() AND NOT t.tgisinternal ORDER BY 1";
        zarix::TDBQuery query(sql, "DBCONN");
        std::vector<std::string> names;
        for (query.Open(); !query.Eof(); query.Next()) names.push_back(query.FieldByName(query.FieldName(0)));
        return names;
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
    /// Every schema object with its definition and every row of every table, as text.
    std::string Dump() const {
        std::string dump;
        for (const char* type : {"table", "view", "trigger"})
            for (const std::string& name : NameList(type)) {
                dump += std::string(type) + " " + name + ": " + (std::string(type) == "table" ? Columns(name) : Definition(name)) + "\n";
                if (std::string(type) != "table") continue;
                zarix::TDBQuery rows("SELECT * FROM " + name + " ORDER BY 1", "DBCONN");
                for (rows.Open(); !rows.Eof(); rows.Next()) {
                    for (int i = 0; i < rows.FieldCount(); ++i) dump += rows.FieldByName(rows.FieldName(i)) + "|";
                    dump += "\n";
                }
            }
        return dump;
    }

    std::unique_ptr<zarix::TZarixPluginManager> Manager;

private:
    std::string Columns(const std::string& table) const {
        if (!OnServer()) return Definition(table);
        return Column("SELECT column_name || ' ' || data_type || ' ' || coalesce(column_default, '') FROM "
                      "information_schema.columns WHERE table_schema = current_schema() AND table_name = '" + table +
                      "' ORDER BY ordinal_position");
    }
};
