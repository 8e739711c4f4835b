// The framework's own tables: made all or none, user parameters, privileges of the logged-in
// user, and the validation messages shown through the message box.
#include "db_fixture.h"

#include "platform/rtl/strings.h"
#include "services/db/parameters.h"

#include <gmock/gmock.h>

#include <stdexcept>
#include <tuple>
#include <vector>

namespace user_tables_test {

using namespace zarix;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Tables = DatabaseTest;

TEST_P(Tables, AllOrNoneOnceAndLeftAloneAfterwards) {
    // Something already holding the last table's name stops the run after three tables: an
    // index on SQLite, a type on the server (where an index would only make it skip the table).
    Exec(Says("CREATE TABLE Inna (a); CREATE INDEX UserToolBar ON Inna (a)",
              "CREATE TABLE Inna (a integer); CREATE TYPE UserToolBar AS (a integer)"));
    EXPECT_THAT(LowerCase(ErrorOf([] { CreateZarixTables("DBCONN"); })), HasSubstr("usertoolbar"));
    EXPECT_THAT(SchemaNames("table"), ElementsAre("inna"));

    Exec(Says("DROP TABLE Inna", "DROP TABLE Inna; DROP TYPE UserToolBar"));
    CreateZarixTables("DBCONN");
    EXPECT_THAT(SchemaNames("table"), ElementsAre("userparameters", "userprivileges", "users", "usertoolbar"));
    Exec("INSERT INTO UserToolBar VALUES (5, 'Kartoteki|Kontrahenci')");
    CreateZarixTables("dbconn");
    EXPECT_EQ(Count("UserToolBar"), "1");
}

// The tables made, two users, one privilege of the first and one granted to everybody.
class UserTables : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!Ready()) return;
        CreateZarixTables("DBCONN");
        Exec("INSERT INTO Users VALUES (1, 'jkowalski', 'Jan Kowalski', 0), (2, 'admin', 'Administrator', 1);"
             "INSERT INTO UserPrivileges VALUES (1, 'FAKTURY_WYSTAW'), (0, 'KLIENT_LISTA');");
    }
    static bool Check(const std::string& name) { return UserSecurity().CheckPrivilege(name, 0, "", ""); }
    static std::string Read(const std::string& name, int32_t user) {
        return ParameterMgr().GetParameterValue(name, 0, 45678.5, user, 0, 0);
    }
    static constexpr const char* kCaption = "Administracja|UserToolbarCaption";
    static constexpr const char* kVisible = "Administracja|UserToolbarVisible";
};

TEST_P(UserTables, TheUsersOwnParameterOverridesTheDefaultAndValuesComeBackAsStored) {
    ParameterMgr().SetParameterValue(kCaption, 0, "F");
    ParameterMgr().SetParameterValue(kCaption, 7, "T");
    EXPECT_EQ(std::tuple(Read(kCaption, 7), Read(kCaption, 8), Read("ADMINISTRACJA|usertoolbarcaption", 7)),
              std::tuple("T", "F", "T"));
    // Setting again replaces the value; deleting the user's own brings the default back.
    ParameterMgr().SetParameterValue("administracja|UserToolbarCaption", 7, "N");
    EXPECT_EQ(Read(kCaption, 7), "N");
    ParameterMgr().DeleteParameterValue(kCaption, 7);
    EXPECT_EQ(Read(kCaption, 7), "F");
    // A missing parameter reads empty; "T" is compared by the caller, so the text comes back
    // neither trimmed nor folded.
    const std::string missing = Read(kVisible, 7);
    ParameterMgr().SetParameterValue(kVisible, 7, " t ");
    EXPECT_EQ(std::pair(missing, Read(kVisible, 7)), std::pair(std::string(), std::string(" t ")));

    EXPECT_THAT(ErrorOf([] { ParameterMgr().GetParameterValue(kVisible, 1, 0, 7, 0, 0); }), HasSubstr("kind 1"));
    EXPECT_THAT(ErrorOf([] { ParameterMgr().SetParameterValue("", 7, "T"); }), HasSubstr("needs a name"));
    // A database error reaches the caller (zarixctl's toolbar over a database without the table);
    // a closed connection is an error too, never a dangling one.
    DBInt().CloseConnection("DBCONN");
    EXPECT_EQ(ErrorOf([] { Read(kVisible, 7); }), "Connection \"DBCONN\" is not open");
}

TEST_P(UserTables, PrivilegesAreAnsweredForTheLoggedInUser) {
    // Nobody (0) holds nothing, not even what is granted to every user; user 2 is an
    // administrator and holds everything; user 3 is in no table.
    const std::tuple<int32_t, const char*, bool> checks[] = {
        {0, "KLIENT_LISTA", false}, {1, "FAKTURY_WYSTAW", true}, {1, "faktury_wystaw", true}, {1, "KLIENT_LISTA", true},
        {1, "KASA_RAPORT", false},  {3, "FAKTURY_WYSTAW", false}, {3, "KLIENT_LISTA", true},  {2, "KASA_RAPORT", true}};
    for (const auto& [user, privilege, held] : checks) {
        UserSecurity().SetLoggedUser(user);
        EXPECT_EQ(Check(privilege), held) << "user " << user << ", " << privilege;
    }
    UserSecurity().SetLoggedUser(1);
    Exec("DROP TABLE UserPrivileges");
    EXPECT_THAT(ErrorOf([] { Check("FAKTURY_WYSTAW"); }),
                HasSubstr(Says("no such table: UserPrivileges", "relation \"userprivileges\" does not exist")));
}

TEST_P(UserTables, SecurityClassLogsInByLoginAndAsksUserSecurity) {
    TSecurityClass security(nullptr);
    EXPECT_EQ(security.LogIn("JKowalski"), 1);
    EXPECT_EQ(std::pair(UserSecurity().LoggedUser(), security.HasPrivilege("FAKTURY_WYSTAW")), std::pair(1, true));
    EXPECT_THAT(ErrorOf([&] { security.LogIn("nikt"); }), HasSubstr("No user with login \"nikt\""));
    EXPECT_EQ(security.UserOrigid(), 1) << "a failed login changes nothing";
    security.LogOut();
    EXPECT_FALSE(security.HasPrivilege("KLIENT_LISTA"));
    SetPropValue(security, "UserOrigid", 2);
    EXPECT_EQ(UserSecurity().LoggedUser(), 2);
}

ZARIX_ON_BOTH_BACKENDS(Tables);
ZARIX_ON_BOTH_BACKENDS(UserTables);

TEST(Validation, ShowPresentsEveryMessageInOneBoxAndForgetsThemOnlyOnceShown) {
    bool fail = true;
    TMessageBoxHandler previous = SetMessageBoxHandler([&](const TMessageBoxRequest&) {
        if (fail) throw std::runtime_error("no display");
        return static_cast<int>(mrOk);
    });
    ClearShownMessages();
    TValidation v(nullptr);
    v.SetCaption("Kontrahent");
    v.Add("Brak NIP.");          // "No tax number."
    v.Add("Nazwa jest pusta.");  // "The name is empty."
    EXPECT_THROW(v.Show(), std::runtime_error);
    EXPECT_EQ(v.Messages(), (std::vector<std::string>{"Brak NIP.", "Nazwa jest pusta."}));
    fail = false;
    ClearShownMessages();
    v.Show();
    const auto shown = ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(std::tuple(shown[0].Text, shown[0].Caption, shown[0].Buttons, v.Count()),
              std::tuple("Brak NIP.\nNazwa jest pusta.", "Kontrahent", MB_OK, 0));
    v.Show();
    EXPECT_EQ(ShownMessages().size(), 1u) << "nothing collected, nothing shown";
    SetMessageBoxHandler(previous);
    ClearShownMessages();
}

}  // namespace user_tables_test
