// A fresh, empty database for one test on either backend: SQLite in memory, or a schema of its
// own on the private PostgreSQL server the test run started (ZARIX_TEST_PG); and a fresh
// "DBCONN" on it per test, temporary database files, the error text of a call, and what a
// database holds, read alike on both backends.
#pragma once

#include "platform/ui/message_box.h"
#include "services/db/security.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"
#include "message_of.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class TBackend { SQLite, PostgreSQL };

inline std::string BackendName(const ::testing::TestParamInfo<TBackend>& Info) {
    return Info.param == TBackend::SQLite ? "SQLite" : "PostgreSQL";
}

/// The test server's URL, when the run started one.
inline std::optional<std::string> TestServerUrl() {
    const char* url = std::getenv("ZARIX_TEST_PG");
    if (url == nullptr || *url == '\0') return std::nullopt;
    return std::string(url);
}

/// The first column of every row of Sql on Connection.
inline std::vector<std::string> ColumnOf(const std::string& sql, const std::string& connection = "DBCONN") {
    zarix::TDBQuery query(sql, connection);
    std::vector<std::string> values;
    for (query.Open(); !query.Eof(); query.Next()) values.push_back(query.FieldByName(query.FieldName(0)));
    return values;
}

/// Whether Connection leads to the PostgreSQL server.
inline bool IsServer(const std::string& connection) {
    return zarix::DBInt().Dialect(connection) == zarix::TDBDialect::dbPostgreSQL;
}

/// The names of the schema objects of one type ("table", "view", "trigger"), in lower case since
/// the server folds them, sorted. The table where the sample modules note their objects on a
/// server is left out unless asked for.
inline std::vector<std::string> SchemaNames(const std::string& type, const std::string& connection = "DBCONN",
                                            bool withNotes = false) {
    if (!IsServer(connection))
        return ColumnOf("SELECT lower(name) FROM sqlite_master WHERE type = '" + type + "' ORDER BY 1", connection);
    const std::string sql =
        type == "table" ? std::string("SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema() "
                                      "AND table_type = 'BASE TABLE'") + (withNotes ? "" : " AND table_name <> 'schemaobjects'")
        : type == "view" ? "SELECT viewname FROM pg_views WHERE schemaname = current_schema()"
                         : "SELECT DISTINCT t.tgname FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid "
                           "WHERE c.relnamespace = current_schema()::regnamespace AND NOT t.tgisinternal";
    return ColumnOf(sql + " ORDER BY 1", connection);
}

/// Every schema object with its definition and every row of every table, as text: two dumps are
/// equal when the databases are.
inline std::string DatabaseDump(const std::string& connection = "DBCONN") {
    const bool server = IsServer(connection);
    std::string dump;
    const auto rows = [&](const std::string& sql) {
        zarix::TDBQuery query(sql, connection);
        for (query.Open(); !query.Eof(); query.Next()) {
            for (int i = 0; i < query.FieldCount(); ++i) dump += query.FieldByName(query.FieldName(i)) + "|";
            dump += "\n";
        }
    };
    if (!server) rows("SELECT type, name, sql FROM sqlite_master ORDER BY 1, 2");
    else {
        rows("SELECT table_name, column_name, data_type, column_default FROM information_schema.columns "
             "WHERE table_schema = current_schema() ORDER BY 1, ordinal_position");
        rows("SELECT viewname, definition FROM pg_views WHERE schemaname = current_schema() ORDER BY 1");
        rows("SELECT indexname, indexdef FROM pg_indexes WHERE schemaname = current_schema() ORDER BY 1");
        rows("SELECT t.tgname, pg_get_triggerdef(t.oid), pg_get_functiondef(t.tgfoid) FROM pg_trigger t JOIN pg_class c "
             "ON c.oid = t.tgrelid WHERE c.relnamespace = current_schema()::regnamespace AND NOT t.tgisinternal ORDER BY 1");
    }
    for (const std::string& table : SchemaNames("table", connection, true))
        rows("SELECT '" + table + "', t.* FROM " + table + " t ORDER BY " + (server ? "t::text" : "2"));
    return dump;
}

/// Runs the test suite Suite on both backends.
#define ZARIX_ON_BOTH_BACKENDS(Suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL), \
                             BackendName)
/// Runs the test suite Suite on one backend: files are SQLite's, sessions and servers PostgreSQL's.
#define ZARIX_ON_BACKEND(Suite, Backend) \
    INSTANTIATE_TEST_SUITE_P(Only, Suite, ::testing::Values(TBackend::Backend), BackendName)

class DatabaseTest : public ::testing::TestWithParam<TBackend> {
protected:
    void SetUp() override {
        const std::optional<std::string> url = TestServerUrl();
        if (!OnServer()) {
            FLocation = ":memory:";
        } else if (url) {
            static int counter = 0;
            FSchema = "zt_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
            zarix::DBInt().OpenConnection(kAdmin, *url);
            zarix::DBInt().ExecSQL(kAdmin, "DROP SCHEMA IF EXISTS " + FSchema + " CASCADE; CREATE SCHEMA " + FSchema);
            // Tables go into the test's schema; citext is found in public, where the run made it.
            FLocation = *url + (url->find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + FSchema +
                        "%2Cpublic";
        } else {
            GTEST_SKIP() << "no PostgreSQL test server: ZARIX_TEST_PG is not set (./dev test starts one when the package "
                            "postgresql is installed)";
        }
        zarix::DBInt().OpenConnection("DBCONN", FLocation);
    }
    void TearDown() override {
        zarix::DBInt().CloseConnection("DBCONN");
        if (!FSchema.empty()) {
            try {
                zarix::DBInt().ExecSQL(kAdmin, "DROP SCHEMA IF EXISTS " + FSchema + " CASCADE");
            } catch (const std::exception& e) {
                ADD_FAILURE() << "the test schema stays: " << e.what();
            }
            zarix::DBInt().CloseConnection(kAdmin);
        }
        zarix::UserSecurity().SetLoggedUser(0);
        zarix::UserSecurity().SetPrivilegeChecker({});
        for (const std::string& file : FFiles) std::filesystem::remove(file);
    }

    /// False when SetUp skipped the test, so a derived SetUp stops too.
    bool Ready() const { return !FLocation.empty(); }
    bool OnServer() const { return GetParam() == TBackend::PostgreSQL; }
    /// The text each backend says for the same thing.
    const char* Says(const char* SQLite, const char* Server) const { return OnServer() ? Server : SQLite; }
    /// What OpenConnection takes to open this test's database.
    const std::string& Location() const { return FLocation; }

    /// A database file path of this test, removed afterwards.
    std::string TempFile(const std::string& name) {
        FFiles.push_back(::testing::TempDir() + "zarix_db_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove(FFiles.back());
        return FFiles.back();
    }

    static void Exec(const std::string& sql) { zarix::DBInt().ExecSQL("DBCONN", sql); }
    /// The number of rows of Table, which may end in a WHERE clause.
    static std::string Count(const std::string& table, const std::string& connection = "DBCONN") {
        return ColumnOf("SELECT count(*) FROM " + table, connection).at(0);
    }

    /// The message of the EDatabaseError that Call raises.
    static std::string ErrorOf(const std::function<void()>& Call) { return MessageOf<zarix::EDatabaseError>(Call); }

private:
    static constexpr const char* kAdmin = "ZARIX_TEST_ADMIN";
    std::string FSchema, FLocation;
    std::vector<std::string> FFiles;
};
