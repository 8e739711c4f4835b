// demo-db: a database with the framework's tables, filled for two users of the sample plugins.
#include "commands.h"

#include "services/db/parameters.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <cstdio>
#include <iostream>

namespace zarixctl {

using namespace zarix;

int DemoDbCommand(const TArgs& args) {
    const std::string& file = args.Positional[0];
    std::remove(file.c_str());
    DBInt().OpenConnection("DBCONN", file);
    CreateZarixTables("DBCONN");
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
    DBInt().CloseConnection("DBCONN");
    std::cout << "created " << file << ": users 1 (admin) and 2 (Jan Kowalski, own toolbar and privileges)\n";
    return 0;
}

}  // namespace zarixctl
