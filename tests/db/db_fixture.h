// A fresh "DBCONN" per test on each backend, temporary database files, and the error text of a call.
#pragma once

#include "platform/ui/message_box.h"
#include "services/db/security.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"
#include "message_of.h"
#include "test_database.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

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
