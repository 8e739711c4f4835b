// Privileges of the logged-in user from the database or the host's checker; TSecurityClass.
#include "db_fixture.h"

#include <gmock/gmock.h>

#include <utility>
#include <vector>

namespace security_test {

using namespace zarix;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

class Privileges : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!Ready()) return;
        CreateZarixTables("DBCONN");
        Exec("INSERT INTO Users VALUES (1, 'jkowalski', 'Jan Kowalski', 0), (2, 'admin', 'Administrator', 1);"
             "INSERT INTO UserPrivileges VALUES (1, 'FAKTURY_WYSTAW'), (0, 'KLIENT_LISTA');");
    }
    static bool Check(const std::string& name) { return UserSecurity().CheckPrivilege(name, 0, "", ""); }
};

TEST_P(Privileges, AnsweredForTheLoggedInUser) {
    EXPECT_FALSE(Check("KLIENT_LISTA")) << "nobody is logged in";
    UserSecurity().SetLoggedUser(1);
    EXPECT_TRUE(Check("FAKTURY_WYSTAW"));
    EXPECT_TRUE(Check("faktury_wystaw"));
    EXPECT_TRUE(Check("KLIENT_LISTA")) << "granted to every user";
    EXPECT_FALSE(Check("KASA_RAPORT"));
    UserSecurity().SetLoggedUser(3);
    EXPECT_FALSE(Check("FAKTURY_WYSTAW"));
    EXPECT_TRUE(Check("KLIENT_LISTA"));
    UserSecurity().SetLoggedUser(2);
    EXPECT_TRUE(Check("KASA_RAPORT")) << "an administrator holds everything";
    UserSecurity().SetLoggedUser(1);
    Exec("DROP TABLE UserPrivileges");
    EXPECT_THAT(ErrorOf([] { Check("FAKTURY_WYSTAW"); }), HasSubstr(Says("no such table: UserPrivileges", "relation \"userprivileges\" does not exist")));
}

TEST_P(Privileges, AnInstalledCheckerAnswersUntilRemoved) {
    std::vector<std::pair<std::string, int32_t>> asked;
    UserSecurity().SetPrivilegeChecker([&](const std::string& name, int32_t user) {
        asked.emplace_back(name, user);
        return name == "KASA_RAPORT";
    });
    UserSecurity().SetLoggedUser(1);
    EXPECT_TRUE(Check("KASA_RAPORT"));
    EXPECT_FALSE(Check("FAKTURY_WYSTAW"));
    EXPECT_THAT(asked, ElementsAre(Pair("KASA_RAPORT", 1), Pair("FAKTURY_WYSTAW", 1)));
    UserSecurity().SetPrivilegeChecker({});
    EXPECT_TRUE(Check("FAKTURY_WYSTAW"));
    EXPECT_FALSE(Check("KASA_RAPORT"));
}

TEST_P(Privileges, SecurityClassLogsInByLoginAndAsksUserSecurity) {
    TSecurityClass security(nullptr);
    EXPECT_EQ(security.LogIn("JKowalski"), 1);
    EXPECT_EQ(UserSecurity().LoggedUser(), 1);
    EXPECT_EQ(GetPropValue(security, "UserOrigid").AsInteger(), 1);
    EXPECT_TRUE(security.HasPrivilege("FAKTURY_WYSTAW"));
    EXPECT_THAT(ErrorOf([&] { security.LogIn("nikt"); }), HasSubstr("No user with login \"nikt\""));
    EXPECT_EQ(security.UserOrigid(), 1) << "a failed login changes nothing";
    security.LogOut();
    EXPECT_FALSE(security.HasPrivilege("KLIENT_LISTA"));
    SetPropValue(security, "UserOrigid", 2);
    EXPECT_EQ(UserSecurity().LoggedUser(), 2);
}

ZARIX_ON_BOTH_BACKENDS(Privileges);

}  // namespace security_test
