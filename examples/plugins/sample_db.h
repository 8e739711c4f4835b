// How the sample modules answer the database check: each module lists its tables, its views,
// stored functions and triggers and its seed rows, once for SQLite and once for a PostgreSQL
// server, and one call answers the check's three passes in the database on "DBCONN". Each pass
// of each module runs inside a savepoint, so a module that fails leaves nothing half done.
#pragma once

#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "plugin/zarixplugin.h"
#include "services/db/zarix_db.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace samples {

/// The connection the host opens on the application's database.
inline const std::string kDBConnection(zarix::HostConnectionName);

/// A column the module reads. AddAs is what "ALTER TABLE ... ADD COLUMN <name>" takes for a
/// column that a later version brought; empty for a column that cannot be added to a table
/// that already has rows (a key, or a unique or required column without a default).
struct TColumn {
    const char* Name;
    const char* AddAs = "";
};

struct TTable {
    const char* Name;
    const char* Create;  // the CREATE TABLE statement of the module's current version
    std::vector<TColumn> Columns;
};

/// A view, a stored function or a trigger, created when missing and recreated when its
/// definition is not the module's and the database is older than the module. On a server the
/// functions and triggers say CREATE OR REPLACE, since a trigger cannot be dropped by name alone.
struct TSchemaObject {
    const char* Type;  // "view", "function" or "trigger"
    const char* Name;
    const char* Create;
};

/// Rows the module needs. Dictionary rows are added whenever they are missing, so their
/// statement must pass over the keys already there (INSERT OR IGNORE, or ON CONFLICT DO NOTHING). Sample rows go only
/// into an empty table of a new database: a user's own data is never topped up.
struct TSeed {
    const char* Table;
    const char* Insert;
    bool SampleOnly;
};

struct TModuleSchema {
    std::vector<TTable> Tables;
    std::vector<TSchemaObject> Objects;
    std::vector<TSeed> Seeds;
};

/// True when "DBCONN" is a server database.
inline bool OnServer() { return zarix::DBInt().Dialect(kDBConnection) == zarix::TDBDialect::dbPostgreSQL; }

/// The schema written for the database on "DBCONN".
inline const TModuleSchema& ForThisDatabase(const TModuleSchema& SQLite, const TModuleSchema& Server) {
    return OnServer() ? Server : SQLite;
}

/// Opens a savepoint that is rolled back unless Release is called: a pass of a module, or a
/// document written by a module, is all or nothing.
class TSavepoint {
public:
    explicit TSavepoint(std::string Name) : FName(std::move(Name)) {
        zarix::DBInt().ExecSQL(kDBConnection, "SAVEPOINT " + FName);
    }
    ~TSavepoint() {
        if (FReleased) return;
        // The error that got us here is the one worth reporting; a failed rollback adds nothing.
        try {
            zarix::DBInt().ExecSQL(kDBConnection, "ROLLBACK TO " + FName + "; RELEASE " + FName);
        } catch (const std::exception&) {
        }
    }
    TSavepoint(const TSavepoint&) = delete;
    TSavepoint& operator=(const TSavepoint&) = delete;
    void Release() {
        zarix::DBInt().ExecSQL(kDBConnection, "RELEASE " + FName);
        FReleased = true;
    }

private:
    std::string FName;
    bool FReleased = false;
};

/// The first column of the first row of a query, or nothing when it returns no row.
inline std::optional<std::string> QueryValue(const std::string& Sql, std::initializer_list<zarix::Variant> Params = {}) {
    zarix::TDBQuery query(Sql, kDBConnection);
    int index = 0;
    for (const zarix::Variant& p : Params) query.Bind(++index, p);
    query.Open();
    if (query.Eof()) return std::nullopt;
    return query.FieldByName(query.FieldName(0));
}

namespace detail {

// SQLite keeps a view's or trigger's definition as it was written; blanks and line breaks
// are all that may differ between equal definitions.
inline std::string Collapsed(const std::string& Sql) {
    std::string out;
    for (const char c : Sql) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

inline std::vector<std::string> ColumnsOf(const std::string& Table) {
    std::vector<std::string> columns;
    zarix::TDBQuery query(OnServer() ? "SELECT column_name AS name FROM information_schema.columns "
                                       "WHERE table_schema = current_schema() AND table_name = lower(?)"
                                     : "SELECT name FROM pragma_table_info(?)",
                          kDBConnection);
    query.Bind(1, zarix::Variant(Table));
    for (query.Open(); !query.Eof(); query.Next()) columns.push_back(query.FieldByName("name"));
    return columns;
}

inline bool HasColumn(const std::vector<std::string>& Columns, const std::string& Name) {
    return std::any_of(Columns.begin(), Columns.end(), [&](const std::string& c) { return zarix::SameText(c, Name); });
}

// A server keeps no object's text as it was written, so the modules note what they created in
// a table of their own; the server's catalogue says whether the object is still there.
constexpr const char* kServerObjectsTable = R"sql(
    CREATE TABLE IF NOT EXISTS SchemaObjects (
        SOBType       text NOT NULL,
        SOBName       citext NOT NULL,
        SOBDefinition text NOT NULL,
        PRIMARY KEY (SOBType, SOBName)
    ))sql";

inline const char* ServerCatalogQuery(const std::string& Type) {
    if (Type == "table")
        return "SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() AND table_name = lower(?)";
    if (Type == "view") return "SELECT 1 FROM pg_views WHERE schemaname = current_schema() AND viewname = lower(?)";
    if (Type == "function")
        return "SELECT 1 FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
               "WHERE n.nspname = current_schema() AND p.proname = lower(?)";
    return "SELECT 1 FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
           "WHERE n.nspname = current_schema() AND NOT t.tgisinternal AND t.tgname = lower(?)";
}

inline std::optional<std::string> StoredDefinition(const char* Type, const char* Name) {
    if (!OnServer())
        return QueryValue("SELECT sql FROM sqlite_master WHERE type = ? AND name = ? COLLATE NOCASE",
                          {zarix::Variant(Type), zarix::Variant(Name)});
    if (!QueryValue(ServerCatalogQuery(Type), {zarix::Variant(Name)})) return std::nullopt;
    if (std::string(Type) == "table") return std::string();
    const std::optional<std::string> noted = QueryValue(
        "SELECT SOBDefinition FROM SchemaObjects WHERE SOBType = ? AND SOBName = ?", {zarix::Variant(Type), zarix::Variant(Name)});
    return noted.value_or(std::string());
}

// Creates Object on a server, checks that the catalogue now holds it, and notes its definition.
inline void CreateOnServer(const std::string& Module, const TSchemaObject& Object, bool Stored) {
    zarix::TDBInterface& db = zarix::DBInt();
    if (Stored && std::string(Object.Type) == "view") db.ExecSQL(kDBConnection, std::string("DROP VIEW ") + Object.Name);
    db.ExecSQL(kDBConnection, Object.Create);
    // "obiekt X nie powstał" = object X was not created.
    if (!QueryValue(ServerCatalogQuery(Object.Type), {zarix::Variant(Object.Name)}))
        throw zarix::EDatabaseError("Moduł " + Module + ": obiekt " + Object.Name + " nie powstał.");
    zarix::TDBQuery note("INSERT INTO SchemaObjects (SOBType, SOBName, SOBDefinition) VALUES (?, ?, ?) "
                         "ON CONFLICT (SOBType, SOBName) DO UPDATE SET SOBDefinition = excluded.SOBDefinition",
                         kDBConnection);
    note.Bind(1, zarix::Variant(Object.Type));
    note.Bind(2, zarix::Variant(Object.Name));
    note.Bind(3, zarix::Variant(Collapsed(Object.Create)));
    note.ExecSQL();
}

/// The check's first pass: missing tables are created whatever the version (a module new to
/// this database starts from scratch); a missing column is added only when the database is
/// older than the module and the column can be added.
inline void CheckTables(const std::string& Module, const TModuleSchema& Schema, bool Older,
                        const std::string& ExistingDBVersion) {
    zarix::TDBInterface& db = zarix::DBInt();
    for (const TTable& table : Schema.Tables) {
        if (!StoredDefinition("table", table.Name)) db.ExecSQL(kDBConnection, table.Create);
        const std::vector<std::string> present = ColumnsOf(table.Name);
        for (const TColumn& column : table.Columns) {
            if (HasColumn(present, column.Name)) continue;
            // "w tabeli T brak kolumny C" = table T lacks column C; "choć baza danych ma
            // wersję V" = although the database is at version V; "a takiej kolumny nie można
            // dodać" = and such a column cannot be added.
            const std::string lacks = "Moduł " + Module + ": w tabeli " + table.Name + " brak kolumny " + column.Name;
            if (!Older) throw zarix::EDatabaseError(lacks + ", choć baza danych ma wersję " + ExistingDBVersion + ".");
            if (*column.AddAs == '\0') throw zarix::EDatabaseError(lacks + ", a takiej kolumny nie można dodać.");
            db.ExecSQL(kDBConnection, std::string("ALTER TABLE ") + table.Name + " ADD COLUMN " + column.Name + " " +
                                          column.AddAs);
        }
    }
}

/// The second pass: views and triggers. A definition that differs from the module's is
/// replaced only in a database older than the module; a newer database may carry a newer
/// module's definition, which is left alone.
inline void CheckObjects(const std::string& Module, const TModuleSchema& Schema, bool Older) {
    zarix::TDBInterface& db = zarix::DBInt();
    const bool server = OnServer();
    if (server && !Schema.Objects.empty()) db.ExecSQL(kDBConnection, kServerObjectsTable);
    for (const TSchemaObject& object : Schema.Objects) {
        const std::optional<std::string> stored = StoredDefinition(object.Type, object.Name);
        if (stored && (!Older || Collapsed(*stored) == Collapsed(object.Create))) continue;
        if (server) {
            CreateOnServer(Module, object, stored.has_value());
            continue;
        }
        if (stored) db.ExecSQL(kDBConnection, std::string("DROP ") + object.Type + " " + object.Name);
        db.ExecSQL(kDBConnection, object.Create);
    }
}

/// The third pass: dictionary rows always, sample rows into a new database's empty tables.
inline void CheckData(const TModuleSchema& Schema, bool NewDatabase) {
    for (const TSeed& seed : Schema.Seeds) {
        if (seed.SampleOnly &&
            (!NewDatabase || QueryValue(std::string("SELECT 1 FROM ") + seed.Table + " LIMIT 1").has_value()))
            continue;
        zarix::DBInt().ExecSQL(kDBConnection, seed.Insert);
    }
}

}  // namespace detail

/// Answers one pass of the database check for Plugin's module. ExistingDBVersion is the
/// version the host keeps for its database, empty for a new one; the database is older than
/// the module when that version compares below the module's RequiredDBVersion. Other kinds of
/// message are not the check's and are ignored. Raises EDatabaseError when the database
/// cannot be brought to what the module needs; the pass then leaves nothing changed.
inline void AnswerDatabaseCheck(const zarix::TZarixPlugin& Plugin, const TModuleSchema& Schema,
                                zarix::TPluginMessagesTypes Kind, const std::string& ExistingDBVersion) {
    if (Kind != zarix::pmDBTableRequired && Kind != zarix::pmDBProcRequired && Kind != zarix::pmDBDataRequired) return;
    const std::string module = zarix::GetNicePluginName(Plugin.GetPluginName());
    const bool newDatabase = ExistingDBVersion.empty();
    bool older = true;
    if (!newDatabase) {
        try {
            older = zarix::VersionCompare(zarix::VersionParser(ExistingDBVersion), Plugin.RequiredDBVersion()) == "<";
        } catch (const zarix::EConvertError& e) {
            // "nieprawidłowa wersja bazy danych" = not a valid database version.
            throw zarix::EDatabaseError("Moduł " + module + ": nieprawidłowa wersja bazy danych \"" +
                                        ExistingDBVersion + "\": " + e.Message());
        }
    }
    TSavepoint pass("sample_db_check");
    switch (Kind) {
        case zarix::pmDBTableRequired: detail::CheckTables(module, Schema, older, ExistingDBVersion); break;
        case zarix::pmDBProcRequired: detail::CheckObjects(module, Schema, older); break;
        default: detail::CheckData(Schema, newDatabase); break;
    }
    pass.Release();
}

}  // namespace samples
