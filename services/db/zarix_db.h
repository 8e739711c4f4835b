// The database library: the process-wide interface with named connections to an embedded SQLite
// file or a PostgreSQL server, queries read as text, and the validation messages the host
// collects and shows.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"
#include "platform/rtl/variant.h"
#include "services/singleton.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// Every failure of the database library: the message carries the database's own text and,
/// where it helps, the connection name and the SQL.
ZARIX_DECLARE_EXCEPTION(EDatabaseError, Exception, ZARIX_API);

/// The connection the host opens on its database; parameters, privileges and the user's toolbar
/// are read through it.
inline constexpr std::string_view HostConnectionName = "DBCONN";

class TDBConnection;

/// The database behind a connection, for the few statements that must be written for each.
enum class TDBDialect : uint8_t {
    dbSQLite,      ///< an embedded SQLite file
    dbPostgreSQL,  ///< a PostgreSQL server database shared by many desktops
};

/// True when Location names a server database (a "postgresql://" or "postgres://" URL) rather
/// than an SQLite file.
ZARIX_API bool IsServerURL(std::string_view Location);

/// Location as it may be shown to people: a server URL without its password.
ZARIX_API std::string DisplayedLocation(const std::string& Location);

/// Whether opening a database may create its file.
enum class TDBOpenMode : uint8_t {
    omCreate,        ///< open the file, or create an empty database when there is none
    omExistingOnly,  ///< open an existing database file only; a missing one raises and nothing is made
};

/// The process-wide database interface: connections known by name, names compared without
/// regard to ASCII case. Get it with DBInt().
///
/// A connection opens from a location: a file path or "sqlite:PATH" for SQLite, or a libpq URL
/// ("postgresql://user@host/db", "postgresql:///db?host=/socket/dir") for a server database.
/// On a server, SAVEPOINT outside a transaction begins one that RELEASE of that savepoint
/// commits, and a failing statement inside a transaction undoes only itself, as on SQLite;
/// BEGIN IMMEDIATE and BEGIN EXCLUSIVE take the database-wide writer lock (an advisory lock
/// held to the end of the transaction), as SQLite's do. A server connection that the server
/// closed is made again once at its next use outside a transaction; inside one it is not, and
/// every statement raises until the caller ends the transaction, whose ROLLBACK passes.
class ZARIX_API TDBInterface : public TSingleton {
    ZARIX_CLASS(TDBInterface, TSingleton)
    ~TDBInterface() override;

    /// Opens or creates the database at FileName (":memory:" for a private in-memory SQLite one,
    /// or a server URL) as connection Name, replacing a connection of that name only once the
    /// new one works. A server database is never created: it must exist.
    void OpenConnection(const std::string& Name, const std::string& FileName);
    /// The same, where omExistingOnly refuses a path that is missing, a folder or anything but a
    /// regular file: "Cannot open database "F" as connection "N": no such database file".
    void OpenConnection(const std::string& Name, const std::string& FileName, TDBOpenMode Mode);
    /// Closing an unknown name does nothing. Queries still open on the connection keep it
    /// alive until they are closed.
    void CloseConnection(const std::string& Name);
    bool HasConnection(const std::string& Name) const;
    /// Runs one or more statements separated by ";", discarding any rows.
    void ExecSQL(const std::string& Name, const std::string& Sql);
    /// The file or URL the connection was opened on.
    std::string ConnectionFileName(const std::string& Name) const;
    /// The database behind the connection Name.
    TDBDialect Dialect(const std::string& Name) const;

private:
    friend class TSingleton;
    friend class TDBQuery;
    TDBInterface();
    /// The open connection Name; raises EDatabaseError "Connection "X" is not open".
    std::shared_ptr<TDBConnection> Connection(const std::string& Name) const;

    mutable std::mutex FLock;
    std::map<std::string, std::shared_ptr<TDBConnection>> FConnections;  // keyed by upper-case name
};

/// The one database interface of the process, created on first use.
ZARIX_API TDBInterface& DBInt();

/// One SQL statement on a named connection. Open executes it and stands on the first row;
/// FieldByName reads a column of the current row as text. Parameters bound with Bind or
/// ParamByName take effect at the next Open or ExecSQL.
class ZARIX_API TDBQuery {
public:
    TDBQuery(const std::string& Sql, const std::string& ConnectionName);
    ~TDBQuery();
    TDBQuery(const TDBQuery&) = delete;
    TDBQuery& operator=(const TDBQuery&) = delete;
    TDBQuery(TDBQuery&& Other) noexcept;
    TDBQuery& operator=(TDBQuery&& Other) noexcept;

    const std::string& SQL() const noexcept;
    const std::string& ConnectionName() const noexcept;

    /// Prepares and executes the statement (again, when it was open) and stands on its first row.
    void Open();
    /// Runs a statement that returns no rows; returns the number of rows it changed.
    int ExecSQL();
    /// Releases the statement; the query can be opened again.
    void Close() noexcept;
    bool Active() const noexcept;

    /// True when no current row is left; a closed query has none.
    bool Eof() const noexcept;
    /// Moves to the next row; raises EDatabaseError when the query is closed or at its end.
    void Next();

    /// Columns of the open statement; 0 when the query is closed.
    int FieldCount() const noexcept;
    /// Name of the column at zero-based Index.
    std::string FieldName(int Index) const;
    /// The column Name of the current row as text: NULL as "", integers in decimal, floats as
    /// the database prints them. Raises EDatabaseError when closed, at the end, or for an unknown name.
    std::string FieldByName(const std::string& Name) const;
    /// The column at zero-based Index of the current row as text, as FieldByName reads it;
    /// raises EDatabaseError when closed, at the end, or for an Index out of range.
    std::string Fields(int Index) const;
    /// True when the column Name of the current row is NULL.
    bool FieldIsNull(const std::string& Name) const;

    /// Binds the one-based parameter Index ("?" or "?NNN"); empty and null bind NULL, booleans 1 or 0.
    /// A parameter left unbound is NULL.
    void Bind(int Index, const Variant& Value);
    /// Binds a named parameter (":Name", "@Name" or "$Name"; a bare Name means ":Name").
    void ParamByName(const std::string& Name, const Variant& Value);
    void ClearParams() noexcept;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

/// Validation messages collected while the host checks its data, shown together in one
/// message box.
class ZARIX_API TValidation : public TComponent {
    ZARIX_CLASS(TValidation, TComponent)
    explicit TValidation(TComponent* AOwner = nullptr);
    ~TValidation() override;

    void Add(const std::string& Msg);
    int Count() const noexcept { return static_cast<int>(FMessages.size()); }
    const std::vector<std::string>& Messages() const noexcept { return FMessages; }
    void Clear() noexcept { FMessages.clear(); }

    /// Shows every collected message, one per line, in one message box and then forgets them;
    /// shows nothing when none was collected.
    void Show();

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value) { FCaption = Value; }

private:
    std::vector<std::string> FMessages;
    std::string FCaption;
};

}  // namespace zarix
