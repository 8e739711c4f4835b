// The logged-in user's privileges from tables Users and UserPrivileges, or from the host's
// own checker.
#include "services/db/security.h"

#include "platform/rtl/strings.h"
#include "services/db/zarix_db.h"

namespace zarix {
namespace {

std::string Connection() { return std::string(HostConnectionName); }

}  // namespace

ZARIX_DEFINE_CLASS(TUserSecurity)

TUserSecurity::TUserSecurity() = default;
TUserSecurity::~TUserSecurity() = default;

TUserSecurity& UserSecurity() { return TSingleton::Instance<TUserSecurity>(); }

bool TUserSecurity::CheckPrivilege(const std::string& PrivilegeName, int32_t Arg, const std::string& Text1,
                                   const std::string& Text2) {
    (void)Arg;
    (void)Text1;
    (void)Text2;
    TPrivilegeChecker checker;
    int32_t user = 0;
    {
        std::lock_guard guard(FLock);
        checker = FChecker;
        user = FLoggedUser;
    }
    // The checker runs outside the lock: it may well ask who is logged in.
    if (checker) return checker(PrivilegeName, user);
    return user != 0 && DatabaseAnswer(PrivilegeName, user);
}

bool TUserSecurity::DatabaseAnswer(const std::string& PrivilegeName, int32_t UserOrigid) const {
    TDBQuery query("SELECT 1 WHERE EXISTS (SELECT 1 FROM Users WHERE USRUserOrigid = :User AND USRAdministrator <> 0)"
                   " OR EXISTS (SELECT 1 FROM UserPrivileges"
                   "            WHERE UPRPrivilege = :Name AND UPRUserOrigid IN (:User, 0))",
                   Connection());
    query.ParamByName("User", UserOrigid);
    query.ParamByName("Name", PrivilegeName);
    query.Open();
    return !query.Eof();
}

void TUserSecurity::SetLoggedUser(int32_t UserOrigid) {
    std::lock_guard guard(FLock);
    FLoggedUser = UserOrigid;
}

int32_t TUserSecurity::LoggedUser() const {
    std::lock_guard guard(FLock);
    return FLoggedUser;
}

void TUserSecurity::SetPrivilegeChecker(TPrivilegeChecker Checker) {
    std::lock_guard guard(FLock);
    FChecker = std::move(Checker);
}

ZARIX_DEFINE_CLASS(TSecurityClass, ZARIX_PROPERTY(UserOrigid, UserOrigid, SetUserOrigid))

TSecurityClass::TSecurityClass(TComponent* AOwner) : TComponent(AOwner) {}
TSecurityClass::~TSecurityClass() = default;

int32_t TSecurityClass::LogIn(const std::string& Login) {
    TDBQuery query("SELECT USRUserOrigid FROM Users WHERE USRLogin = :Login", Connection());
    query.ParamByName("Login", Login);
    query.Open();
    if (query.Eof()) throw EDatabaseError("No user with login \"" + Login + "\" in table Users");
    const int32_t user = StrToInt(query.FieldByName("USRUserOrigid"));
    UserSecurity().SetLoggedUser(user);
    return user;
}

bool TSecurityClass::HasPrivilege(const std::string& PrivilegeName) const {
    return UserSecurity().CheckPrivilege(PrivilegeName, 0, {}, {});
}

}  // namespace zarix
