// The parameter manager: user parameters kept in the host's database, a user's own value
// before the default for every user.
#pragma once

#include "platform/rtl/export.h"
#include "services/singleton.h"

#include <cstdint>
#include <string>

namespace zarix {

/// Reads and writes the rows of table UserParameters on the connection "DBCONN". Parameter
/// names are compared without regard to ASCII case; Boolean parameters are texts, "T" for true,
/// and reading them so is the caller's business.
class ZARIX_API TParameterManager : public TSingleton {
    ZARIX_CLASS(TParameterManager, TSingleton)
    ~TParameterManager() override;

    /// The value of parameter Name for user UserOrigid: the user's own row, else the row of user
    /// 0 (the default for every user), else "". Kind 0 is a user parameter, the only kind kept;
    /// another kind raises EDatabaseError. DateTime, Arg5 and Arg6 are ignored: parameters have
    /// no periods of validity and no further scope here. A missing connection or table raises
    /// EDatabaseError.
    std::string GetParameterValue(const std::string& Name, int32_t Kind, double DateTime, int32_t UserOrigid,
                                  int32_t Arg5, int32_t Arg6);
    /// Stores Value as user UserOrigid's own value of Name; user 0 sets the default for every user.
    void SetParameterValue(const std::string& Name, int32_t UserOrigid, const std::string& Value);
    /// Removes user UserOrigid's own value, so the default applies again.
    void DeleteParameterValue(const std::string& Name, int32_t UserOrigid);

private:
    friend class TSingleton;
    TParameterManager();
};

/// The one parameter manager of the process, created on first use.
ZARIX_API TParameterManager& ParameterMgr();

}  // namespace zarix
