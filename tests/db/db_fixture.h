// A fresh, empty database for one test on either backend: SQLite in memory, or a schema of its
// own on the private PostgreSQL server the test run started (ZARIX_TEST_PG); and a fresh
// "DBCONN" on it per test, temporary database files, and the error text of a call.
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
#include <memory>
#include <optional>
#include <string>

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

class TTestDatabase {
public:
    explicit TTestDatabase(TBackend Backend) {
        if (Backend == TBackend::SQLite) {
            FLocation = ":memory:";
            return;
        }
        static int counter = 0;
        FSchema = "zt_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
        const std::string url = *TestServerUrl();
        zarix::DBInt().OpenConnection(kAdmin, url);
        zarix::DBInt().ExecSQL(kAdmin, "DROP SCHEMA IF EXISTS " + FSchema + " CASCADE; CREATE SCHEMA " + FSchema);
        // Tables go into the test's schema; citext is found in public, where the run made it.
        FLocation = url + (url.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + FSchema +
                    "%2Cpublic";
    }
    ~TTestDatabase() {
        if (FSchema.empty()) return;
        try {
            zarix::DBInt().ExecSQL(kAdmin, "DROP SCHEMA IF EXISTS " + FSchema + " CASCADE");
        } catch (const std::exception& e) {
            ADD_FAILURE() << "the test schema stays: " << e.what();
        }
        zarix::DBInt().CloseConnection(kAdmin);
    }
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    /// What OpenConnection takes to open this database.
    const std::string& Location() const { return FLocation; }
    const std::string& Schema() const { return FSchema; }

private:
    static constexpr const char* kAdmin = "ZARIX_TEST_ADMIN";
    std::string FSchema;
    std::string FLocation;
};

/// Skips a PostgreSQL case when the run has no server, saying why.
#define ZARIX_REQUIRE_BACKEND(Backend)                                                                     \
    if ((Backend) == TBackend::PostgreSQL && !TestServerUrl())                                             \
    GTEST_SKIP() << "no PostgreSQL test server: ZARIX_TEST_PG is not set (./dev test starts one when the " \
                    "package postgresql is installed)"

/// Runs the test suite Suite on both backends.
#define ZARIX_ON_BOTH_BACKENDS(Suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL), \
                             BackendName)
/// Runs the test suite Suite on SQLite only: it is about files.
#define ZARIX_ON_SQLITE_ONLY(Suite) \
    INSTANTIATE_TEST_SUITE_P(Files, Suite, ::testing::Values(TBackend::SQLite), BackendName)

class DatabaseTest : public ::testing::TestWithParam<TBackend> {
protected:
    void SetUp() override {
        ZARIX_REQUIRE_BACKEND(GetParam());
        FDatabase = std::make_unique<TTestDatabase>(GetParam());
        zarix::DBInt().OpenConnection("DBCONN", FDatabase->Location());
    }
    void TearDown() override {
        zarix::DBInt().CloseConnection("DBCONN");
        FDatabase.reset();
        zarix::UserSecurity().SetLoggedUser(0);
        zarix::UserSecurity().SetPrivilegeChecker({});
        for (const std::string& file : FFiles) std::filesystem::remove(file);
    }

    /// False when SetUp skipped the test, so a derived SetUp stops too.
    bool Ready() const { return FDatabase != nullptr; }
    bool OnServer() const { return GetParam() == TBackend::PostgreSQL; }
    /// The text each backend says for the same thing.
    const char* Says(const char* SQLite, const char* Server) const { return OnServer() ? Server : SQLite; }
    const std::string& Location() const { return FDatabase->Location(); }

    /// A database file path of this test, removed afterwards.
    std::string TempFile(const std::string& name) {
        FFiles.push_back(::testing::TempDir() + "zarix_db_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove(FFiles.back());
        return FFiles.back();
    }

    static void Exec(const std::string& sql) { zarix::DBInt().ExecSQL("DBCONN", sql); }

    /// The message of the EDatabaseError that Call raises.
    static std::string ErrorOf(const std::function<void()>& Call) { return MessageOf<zarix::EDatabaseError>(Call); }

private:
    std::unique_ptr<TTestDatabase> FDatabase;
    std::vector<std::string> FFiles;
};
