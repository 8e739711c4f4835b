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

// The same tables on a server database. citext keeps the names compared without regard to
// case, as NOCASE does; the writer lock makes two desktops starting together create them once,
// since CREATE ... IF NOT EXISTS is no guard against a concurrent CREATE on this server.
constexpr const char* kServerSchema = R"sql(
SELECT pg_advisory_xact_lock(387365865816);
CREATE EXTENSION IF NOT EXISTS citext;
CREATE TABLE IF NOT EXISTS Users (
    USRUserOrigid    integer PRIMARY KEY CHECK (USRUserOrigid > 0),
    USRLogin         citext NOT NULL UNIQUE,
    USRFullName      text NOT NULL DEFAULT '',
    USRAdministrator integer NOT NULL DEFAULT 0 CHECK (USRAdministrator IN (0, 1))
);
CREATE TABLE IF NOT EXISTS UserParameters (
    UPAUserOrigid integer NOT NULL,
    UPAName       citext NOT NULL,
    UPAValue      text NOT NULL DEFAULT '',
    PRIMARY KEY (UPAUserOrigid, UPAName)
);
CREATE TABLE IF NOT EXISTS UserPrivileges (
    UPRUserOrigid integer NOT NULL,
    UPRPrivilege  citext NOT NULL,
    PRIMARY KEY (UPRUserOrigid, UPRPrivilege)
);
CREATE TABLE IF NOT EXISTS UserToolBar (
    UTBUserOrigid integer NOT NULL,
    UTBMenuPath   text NOT NULL
);
CREATE INDEX IF NOT EXISTS UserToolBarUser ON UserToolBar (UTBUserOrigid);
)sql";

}  // namespace

void CreateZarixTables(const std::string& ConnectionName) {
    TDBInterface& db = DBInt();
    // A savepoint rather than BEGIN, so a host may call this inside a transaction of its own.
    db.ExecSQL(ConnectionName, "SAVEPOINT zarix_tables");
    try {
        db.ExecSQL(ConnectionName, db.Dialect(ConnectionName) == TDBDialect::dbPostgreSQL ? kServerSchema : kSchema);
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
