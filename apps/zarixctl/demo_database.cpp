// The demo database and the database version the modules need.
#include "demo_database.h"

#include "manager/ZarixPluginManager.h"
#include "plugin/plugin_utils.h"
#include "services/db/parameters.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"
#include "version_text.h"

#include <optional>

namespace zarixctl {

using namespace zarix;

void FillDemoDatabase(bool KeepOtherRows) {
    DBInt().ExecSQL("DBCONN", "BEGIN IMMEDIATE");
    CreateZarixTables("DBCONN");
    // A server database that was not empty (--force) keeps everything but the demo users' rows.
    if (KeepOtherRows)
        DBInt().ExecSQL("DBCONN", "delete from Users where USRUserOrigid in (1, 2);"
                                  "delete from UserPrivileges where UPRUserOrigid in (1, 2);"
                                  "delete from UserToolBar where UTBUserOrigid in (1, 2)");
    // User 1 is the administrator: every privilege, the default toolbar. User 2, Jan Kowalski
    // from sales, chose his own toolbar (one row names a module that is not installed) and may
    // not issue goods or change prices.
    DBInt().ExecSQL("DBCONN", R"sql(
        insert into Users (USRUserOrigid, USRLogin, USRFullName, USRAdministrator) values
            (1, 'admin', 'Administrator', 1),
            (2, 'jan', 'Jan Kowalski', 0);
        insert into UserPrivileges (UPRUserOrigid, UPRPrivilege) values
            (2, 'KLIENT_LISTA'), (2, 'KLIENT_DOPISZ'), (2, 'CENNIKI_LISTA'), (2, 'DOKMAG_FV'), (2, 'DOKMAG_PAR');
        insert into UserToolBar (UTBUserOrigid, UTBMenuPath) values
            (2, 'Dokumenty|Sprzedaż|Faktura VAT'),
            (2, 'Dokumenty|Sprzedaż|Paragon'),
            (2, ' Kartoteki|Kontrahenci '),
            (2, 'Finanse|Raport kasowy');
    )sql");
    ParameterMgr().SetParameterValue("Administracja|UserToolbarCaption", 0, "T");
    ParameterMgr().SetParameterValue("Administracja|UserToolbarVisible", 0, "T");
    ParameterMgr().SetParameterValue("Administracja|UserToolbarCaption", 2, "N");
    DBInt().ExecSQL("DBCONN", "COMMIT");
}

std::string NewVersion(const TZarixPluginManager& manager, const std::string& existing) {
    std::optional<TVersion> highest;
    if (!existing.empty()) highest = VersionParser(existing);
    for (int i = 0; i < manager.PluginCount(); ++i) {
        const TVersion& needed = manager.GetPlugins(i)->RequiredDBVersion();
        if (!highest || VersionCompare(needed, *highest) == ">") highest = needed;
    }
    return highest ? VersionText(*highest) : existing;
}

}  // namespace zarixctl
