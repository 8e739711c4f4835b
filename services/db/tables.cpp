// The schema of the host's database; docs/database.md is its description for people.
#include "services/db/tables.h"

#include "services/db/zarix_db.h"

namespace zarix {
namespace {

// User identifier 0 is nobody in particular: a parameter or privilege row for user 0 holds
// for every user. No foreign keys, since those rows name no row of Users.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS Users (
    USRUserOrigid    INTEGER PRIMARY KEY CHECK (USRUserOrigid > 0),
    USRLogin         TEXT NOT NULL UNIQUE COLLATE NOCASE,
    USRFullName      TEXT NOT NULL DEFAULT '',
    USRAdministrator INTEGER NOT NULL DEFAULT 0 CHECK (USRAdministrator IN (0, 1))
);
CREATE TABLE IF NOT EXISTS UserParameters (
    UPAUserOrigid INTEGER NOT NULL,
    UPAName       TEXT NOT NULL COLLATE NOCASE,
    UPAValue      TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (UPAUserOrigid, UPAName)
);
CREATE TABLE IF NOT EXISTS UserPrivileges (
    UPRUserOrigid INTEGER NOT NULL,
    UPRPrivilege  TEXT NOT NULL COLLATE NOCASE,
    PRIMARY KEY (UPRUserOrigid, UPRPrivilege)
);
-- No key or unique index on purpose: the toolbar takes a user's rows in the order the
-- database returns them, which for a plain table is the order they were inserted.
CREATE TABLE IF NOT EXISTS UserToolBar (
    UTBUserOrigid INTEGER NOT NULL,
    UTBMenuPath   TEXT NOT NULL
);
)sql";

}  // namespace

void CreateZarixTables(const std::string& ConnectionName) {
    TDBInterface& db = DBInt();
    // A savepoint rather than BEGIN, so a host may call this inside a transaction of its own.
    db.ExecSQL(ConnectionName, "SAVEPOINT zarix_tables");
    try {
        db.ExecSQL(ConnectionName, kSchema);
        db.ExecSQL(ConnectionName, "RELEASE zarix_tables");
    } catch (...) {
        // The first error is the one worth reporting; a failed rollback adds nothing to it.
        try {
            db.ExecSQL(ConnectionName, "ROLLBACK TO zarix_tables; RELEASE zarix_tables");
        } catch (const EDatabaseError&) {
        }
        throw;
    }
}

}  // namespace zarix
