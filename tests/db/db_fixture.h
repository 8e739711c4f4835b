// A fresh in-memory "DBCONN" per test, temporary database files, and the error text of a call.
#pragma once

#include "platform/ui/message_box.h"
#include "services/db/security.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { zarix::DBInt().OpenConnection("DBCONN", ":memory:"); }
    void TearDown() override {
        zarix::DBInt().CloseConnection("DBCONN");
        zarix::UserSecurity().SetLoggedUser(0);
        zarix::UserSecurity().SetPrivilegeChecker({});
        for (const std::string& file : FFiles) std::filesystem::remove(file);
    }

    /// A database file path of this test, removed afterwards.
    std::string TempFile(const std::string& name) {
        FFiles.push_back(::testing::TempDir() + "zarix_db_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove(FFiles.back());
        return FFiles.back();
    }

    static void Exec(const std::string& sql) { zarix::DBInt().ExecSQL("DBCONN", sql); }

    /// The message of the EDatabaseError that Call raises; a test failure when it raises none.
    template <class F>
    static std::string ErrorOf(F&& Call) {
        try {
            Call();
        } catch (const zarix::EDatabaseError& e) {
            return e.Message();
        }
        ADD_FAILURE() << "no EDatabaseError was raised";
        return {};
    }

private:
    std::vector<std::string> FFiles;
};
