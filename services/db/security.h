// User security: whether the logged-in user holds a privilege, answered from the host's
// database or by a checker the host installs, and the host's security component.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "services/singleton.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace zarix {

/// Answers whether user userOrigid holds privilege name.
using TPrivilegeChecker = std::function<bool(const std::string& name, int32_t userOrigid)>;

/// The user logged in to the host and the privileges that user holds. User 0 is nobody.
class ZARIX_API TUserSecurity : public TSingleton {
    ZARIX_CLASS(TUserSecurity, TSingleton)
    ~TUserSecurity() override;

    /// Whether the logged-in user holds PrivilegeName. Arg, Text1 and Text2 are the context of
    /// the check (the framework passes 0 and two empty texts); neither answer below uses them.
    /// With a checker installed, the checker answers. Otherwise the database on "DBCONN" does:
    /// nobody logged in holds nothing; an administrator of table Users holds everything; anyone
    /// else holds a privilege granted by a row of UserPrivileges for the user or for user 0
    /// (everyone). A missing connection or table raises EDatabaseError.
    bool CheckPrivilege(const std::string& PrivilegeName, int32_t Arg, const std::string& Text1,
                        const std::string& Text2);

    void SetLoggedUser(int32_t UserOrigid);
    int32_t LoggedUser() const;

    /// Installs the host's own checker; an empty one restores the database answer.
    void SetPrivilegeChecker(TPrivilegeChecker Checker);

private:
    friend class TSingleton;
    TUserSecurity();
    bool DatabaseAnswer(const std::string& PrivilegeName, int32_t UserOrigid) const;

    mutable std::mutex FLock;
    int32_t FLoggedUser = 0;
    TPrivilegeChecker FChecker;
};

/// The one user-security object of the process, created on first use.
ZARIX_API TUserSecurity& UserSecurity();

/// The host's security object, held by the plugin manager: a component view of UserSecurity,
/// so the logged-in user has one home however the host reaches it.
class ZARIX_API TSecurityClass : public TComponent {
    ZARIX_CLASS(TSecurityClass, TComponent)
    explicit TSecurityClass(TComponent* AOwner = nullptr);
    ~TSecurityClass() override;

    int32_t UserOrigid() const { return UserSecurity().LoggedUser(); }
    void SetUserOrigid(int32_t Value) { UserSecurity().SetLoggedUser(Value); }

    /// Logs in the user of table Users with this login (ASCII case ignored) and returns the
    /// user's identifier; raises EDatabaseError when there is no such user. Checking the
    /// user's password is the host's business, before it calls this.
    int32_t LogIn(const std::string& Login);
    void LogOut() { UserSecurity().SetLoggedUser(0); }

    /// Whether the logged-in user holds PrivilegeName (UserSecurity's answer).
    bool HasPrivilege(const std::string& PrivilegeName) const;
};

}  // namespace zarix
