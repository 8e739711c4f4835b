// User parameters: the user's value before the default, the empty text, failures.
#include "db_fixture.h"

#include "services/db/parameters.h"

#include <gmock/gmock.h>

namespace parameters_test {

using namespace zarix;
using ::testing::HasSubstr;

constexpr const char* kCaption = "Administracja|UserToolbarCaption";
constexpr const char* kVisible = "Administracja|UserToolbarVisible";

class Parameters : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!Ready()) return;
        CreateZarixTables("DBCONN");
    }
    static std::string Read(const std::string& name, int32_t user) {
        return ParameterMgr().GetParameterValue(name, 0, 45678.5, user, 0, 0);
    }
};

TEST_P(Parameters, TheUsersOwnValueOverridesTheDefaultAndValuesComeBackAsStored) {
    ParameterMgr().SetParameterValue(kCaption, 0, "F");
    ParameterMgr().SetParameterValue(kCaption, 7, "T");
    EXPECT_EQ(Read(kCaption, 7), "T");
    EXPECT_EQ(Read(kCaption, 8), "F");
    EXPECT_EQ(Read("ADMINISTRACJA|usertoolbarcaption", 7), "T");

    // Setting again replaces the value; deleting the user's own brings the default back.
    ParameterMgr().SetParameterValue("administracja|UserToolbarCaption", 7, "N");
    EXPECT_EQ(Read(kCaption, 7), "N");
    ParameterMgr().DeleteParameterValue(kCaption, 7);
    EXPECT_EQ(Read(kCaption, 7), "F");
    // A missing parameter reads empty; "T" is compared by the caller, so the text comes back
    // neither trimmed nor folded.
    EXPECT_EQ(Read(kVisible, 7), "");
    ParameterMgr().SetParameterValue(kVisible, 7, " t ");
    EXPECT_EQ(Read(kVisible, 7), " t ");
}

TEST_P(Parameters, FailuresRaiseDatabaseErrors) {
    EXPECT_THAT(ErrorOf([] { ParameterMgr().GetParameterValue(kVisible, 1, 0, 7, 0, 0); }), HasSubstr("kind 1"));
    EXPECT_THAT(ErrorOf([] { ParameterMgr().SetParameterValue("", 7, "T"); }), HasSubstr("needs a name"));
    Exec("DROP TABLE UserParameters");
    EXPECT_THAT(ErrorOf([] { Read(kVisible, 7); }), HasSubstr(Says("no such table: UserParameters", "relation \"userparameters\" does not exist")));
    DBInt().CloseConnection("DBCONN");
    EXPECT_EQ(ErrorOf([] { Read(kVisible, 7); }), "Connection \"DBCONN\" is not open");
}

ZARIX_ON_BOTH_BACKENDS(Parameters);

}  // namespace parameters_test
