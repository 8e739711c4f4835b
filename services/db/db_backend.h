// The private seam between the database interface and the databases behind it: an open
// connection that runs scripts and prepares statements, one implementation per database.
#pragma once

#include "services/db/zarix_db.h"

#include <memory>
#include <string>

namespace zarix {

/// One prepared statement of a connection. It runs at its first Step; its rows are read
/// through the column calls while Step answers true.
class TDBStatement {
public:
    virtual ~TDBStatement() = default;

    /// The number of parameters the statement takes; they count from 1.
    virtual int ParamCount() const = 0;
    /// The index of the parameter written as Name (":Name", "@Name", "$Name"); 0 when absent.
    virtual int ParamIndex(const std::string& Name) const = 0;
    /// Binds Index; returns the database's reason when it refuses, else the empty text.
    virtual std::string Bind(int Index, const Variant& Value) = 0;

    /// Runs the statement on its first call and moves to the next row after that: true while a
    /// row is current. Raises EDatabaseError with the database's message.
    virtual bool Step() = 0;

    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int Index) const = 0;
    virtual bool IsNull(int Index) const = 0;
    /// The column of the current row as text; NULL as "".
    virtual std::string Text(int Index) const = 0;
    /// Rows the finished statement changed; 0 for one that only reads.
    virtual int Changes() const = 0;
};

/// One open database. Shared by the interface and by the queries open on it, so closing or
/// replacing a connection never pulls the database out from under a statement.
class TDBConnection {
public:
    TDBConnection(std::string Name, std::string FileName) : FName(std::move(Name)), FFileName(std::move(FileName)) {}
    virtual ~TDBConnection() = default;
    TDBConnection(const TDBConnection&) = delete;
    TDBConnection& operator=(const TDBConnection&) = delete;

    const std::string& Name() const noexcept { return FName; }
    /// The file or URL the connection was opened on, as given.
    const std::string& FileName() const noexcept { return FFileName; }
    virtual TDBDialect Dialect() const noexcept = 0;

    /// Runs statements separated by ";" one after another, discarding rows; the statements
    /// before a failing one stay done. Raises EDatabaseError.
    virtual void ExecScript(const std::string& Sql) = 0;
    /// Prepares the one statement Sql; raises EDatabaseError for none, several or a bad one.
    virtual std::unique_ptr<TDBStatement> Prepare(const std::string& Sql) = 0;

private:
    std::string FName;
    std::string FFileName;
};

/// Raises "Database error on connection "N": What (SQL: Sql)".
[[noreturn]] void RaiseOn(const TDBConnection& Connection, std::string_view What, const std::string& Sql);

/// The NUL and length checks every SQL text passes before a database sees it.
void CheckSqlText(const TDBConnection& Connection, const std::string& Sql);

/// Opens the SQLite database file FileName (or ":memory:"); raises EDatabaseError with the prefix
/// ErrorPrefix and SQLite's reason.
std::shared_ptr<TDBConnection> OpenSQLiteConnection(const std::string& Name, const std::string& FileName,
                                                    TDBOpenMode Mode, const std::string& ErrorPrefix);

/// Connects to the PostgreSQL server database that the libpq URL Url names; raises
/// EDatabaseError with the prefix ErrorPrefix and the server's or libpq's reason.
std::shared_ptr<TDBConnection> OpenPgConnection(const std::string& Name, const std::string& Url,
                                                const std::string& ErrorPrefix);

}  // namespace zarix
