// User parameters read from and written to table UserParameters.
#include "services/db/parameters.h"

#include "platform/rtl/strings.h"
#include "services/db/zarix_db.h"

namespace zarix {
namespace {

std::string Connection() { return std::string(HostConnectionName); }

void CheckName(const std::string& Name) {
    if (Name.empty()) throw EDatabaseError("A user parameter needs a name");
}

}  // namespace

ZARIX_DEFINE_CLASS(TParameterManager)

TParameterManager::TParameterManager() = default;
TParameterManager::~TParameterManager() = default;

TParameterManager& ParameterMgr() { return TSingleton::Instance<TParameterManager>(); }

std::string TParameterManager::GetParameterValue(const std::string& Name, int32_t Kind, double DateTime,
                                                 int32_t UserOrigid, int32_t Arg5, int32_t Arg6) {
    (void)DateTime;
    (void)Arg5;
    (void)Arg6;
    if (Kind != 0)
        throw EDatabaseError("Parameter \"" + Name + "\": kind " + IntToStr(Kind) +
                             " is not kept, only user parameters (0)");
    // The user's own row, else the default row of user 0: two key lookups, where ordering the
    // two candidate rows would make SQLite build a sorter on every read (the toolbar reads a
    // parameter each time it is built).
    TDBQuery query("SELECT COALESCE((SELECT UPAValue FROM UserParameters WHERE UPAUserOrigid = :User AND UPAName = :Name), "
                   "(SELECT UPAValue FROM UserParameters WHERE UPAUserOrigid = 0 AND UPAName = :Name)) AS UPAValue",
                   Connection());
    query.ParamByName("Name", Name);
    query.ParamByName("User", UserOrigid);
    query.Open();
    return query.Eof() ? std::string() : query.FieldByName("UPAValue");
}

void TParameterManager::SetParameterValue(const std::string& Name, int32_t UserOrigid, const std::string& Value) {
    CheckName(Name);
    TDBQuery query("INSERT INTO UserParameters (UPAUserOrigid, UPAName, UPAValue) VALUES (:User, :Name, :Value) "
                   "ON CONFLICT (UPAUserOrigid, UPAName) DO UPDATE SET UPAValue = excluded.UPAValue",
                   Connection());
    query.ParamByName("User", UserOrigid);
    query.ParamByName("Name", Name);
    query.ParamByName("Value", Value);
    query.ExecSQL();
}

void TParameterManager::DeleteParameterValue(const std::string& Name, int32_t UserOrigid) {
    CheckName(Name);
    TDBQuery query("DELETE FROM UserParameters WHERE UPAUserOrigid = :User AND UPAName = :Name", Connection());
    query.ParamByName("User", UserOrigid);
    query.ParamByName("Name", Name);
    query.ExecSQL();
}

}  // namespace zarix
