// The embedded database: a connection on an SQLite file and its prepared statements.
#include "services/db/db_backend.h"

#include "platform/rtl/strings.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>

namespace zarix {

namespace {

// Holds the connection's own mutex across a call and the reading of its error text, so
// another thread's call on the same connection cannot replace the message in between.
class TConnectionLock {
public:
    explicit TConnectionLock(sqlite3* db) : FMutex(sqlite3_db_mutex(db)) { sqlite3_mutex_enter(FMutex); }
    ~TConnectionLock() { sqlite3_mutex_leave(FMutex); }
    TConnectionLock(const TConnectionLock&) = delete;
    TConnectionLock& operator=(const TConnectionLock&) = delete;

private:
    sqlite3_mutex* FMutex;
};

struct TFinalize {
    void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using TStatementHandle = std::unique_ptr<sqlite3_stmt, TFinalize>;

// Why a path that must already hold a database cannot: missing, a folder, or not a regular file.
std::optional<std::string> NotADatabasePath(const std::string& path) {
    if (path == ":memory:") return std::nullopt;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::string("no such database file") : std::string(std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return "it is a folder, not a database file";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    return std::nullopt;
}

class TSQLiteConnection;

class TSQLiteStatement final : public TDBStatement {
public:
    TSQLiteStatement(std::shared_ptr<const TSQLiteConnection> Connection, TStatementHandle Handle)
        : FConnection(std::move(Connection)), FHandle(std::move(Handle)) {}

    int ParamCount() const override { return sqlite3_bind_parameter_count(FHandle.get()); }
    int ParamIndex(const std::string& Name) const override {
        return sqlite3_bind_parameter_index(FHandle.get(), Name.c_str());
    }
    std::string Bind(int Index, const Variant& Value) override;
    bool Step() override;
    int ColumnCount() const override { return sqlite3_column_count(FHandle.get()); }
    std::string ColumnName(int Index) const override {
        const char* name = sqlite3_column_name(FHandle.get(), Index);
        return name ? name : "";
    }
    bool IsNull(int Index) const override { return sqlite3_column_type(FHandle.get(), Index) == SQLITE_NULL; }
    std::string Text(int Index) const override;
    int Changes() const override;

private:
    std::shared_ptr<const TSQLiteConnection> FConnection;
    TStatementHandle FHandle;
};

class TSQLiteConnection final : public TDBConnection, public std::enable_shared_from_this<TSQLiteConnection> {
public:
    TSQLiteConnection(const std::string& Name, const std::string& FileName, const std::string& Path, TDBOpenMode Mode,
                      const std::string& ErrorPrefix);
    ~TSQLiteConnection() override { sqlite3_close_v2(FHandle); }

    TDBDialect Dialect() const noexcept override { return TDBDialect::dbSQLite; }
    sqlite3* Handle() const noexcept { return FHandle; }

    void ExecScript(const std::string& Sql) override {
        CheckSqlText(*this, Sql);
        TConnectionLock lock(FHandle);
        char* error = nullptr;
        if (sqlite3_exec(FHandle, Sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string text = error ? error : sqlite3_errmsg(FHandle);
            sqlite3_free(error);
            RaiseOn(*this, text, Sql);
        }
    }

    std::unique_ptr<TDBStatement> Prepare(const std::string& Sql) override {
        CheckSqlText(*this, Sql);
        TConnectionLock lock(FHandle);
        const char* tail = nullptr;
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(FHandle, Sql.c_str(), static_cast<int>(Sql.size()), &raw, &tail) != SQLITE_OK)
            RaiseOn(*this, sqlite3_errmsg(FHandle), Sql);
        TStatementHandle statement(raw);
        if (!statement) RaiseOn(*this, "no SQL statement to run", Sql);
        // A query holds one statement; silently dropping the rest of a script would lose work.
        const char* end = Sql.c_str() + Sql.size();
        if (tail != nullptr && tail < end) {
            sqlite3_stmt* next = nullptr;
            const int rc = sqlite3_prepare_v2(FHandle, tail, static_cast<int>(end - tail), &next, nullptr);
            TStatementHandle rest(next);
            if (rc != SQLITE_OK) RaiseOn(*this, sqlite3_errmsg(FHandle), Sql);
            if (rest) RaiseOn(*this, "a query runs one statement, the text holds more", Sql);
        }
        return std::make_unique<TSQLiteStatement>(shared_from_this(), std::move(statement));
    }

private:
    sqlite3* FHandle = nullptr;
};

TSQLiteConnection::TSQLiteConnection(const std::string& Name, const std::string& FileName, const std::string& Path,
                                     TDBOpenMode Mode, const std::string& ErrorPrefix)
    : TDBConnection(Name, FileName) {
    if (Path.find('\0') != std::string::npos)
        throw EDatabaseError(ErrorPrefix + "the file name contains a NUL character");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (Mode == TDBOpenMode::omCreate) {
        flags |= SQLITE_OPEN_CREATE;
    } else if (const std::optional<std::string> wrong = NotADatabasePath(Path)) {
        // Without the create flag SQLite would say only "unable to open database file". The
        // flag, not this look, is what keeps the file from being made.
        throw EDatabaseError(ErrorPrefix + *wrong);
    }
    const int rc = sqlite3_open_v2(Path.c_str(), &FHandle, flags, nullptr);
    // A constructor that throws runs no destructor, so every failure below closes the handle,
    // which SQLite hands back even when opening fails.
    const auto fail = [&](const std::string& reason) {
        sqlite3_close_v2(FHandle);
        throw EDatabaseError(ErrorPrefix + reason);
    };
    if (rc != SQLITE_OK) fail(FHandle ? sqlite3_errmsg(FHandle) : sqlite3_errstr(rc));
    // The host and its tools may share the file; wait for a short lock instead of failing.
    sqlite3_busy_timeout(FHandle, 5000);
    // Opening is lazy: a file that is not a database only fails at its first read, so read now,
    // while the interface still keeps the old connection of this name.
    char* error = nullptr;
    if (sqlite3_exec(FHandle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string reason = error ? error : sqlite3_errmsg(FHandle);
        sqlite3_free(error);
        fail(reason);
    }
}

std::string TSQLiteStatement::Bind(int Index, const Variant& Value) {
    sqlite3_stmt* stmt = FHandle.get();
    int rc = SQLITE_OK;
    switch (Value.VarType()) {
    case TVarType::varEmpty:
    case TVarType::varNull: rc = sqlite3_bind_null(stmt, Index); break;
    case TVarType::varInteger:
    case TVarType::varInt64: rc = sqlite3_bind_int64(stmt, Index, Value.AsInt64()); break;
    case TVarType::varBoolean: rc = sqlite3_bind_int64(stmt, Index, Value.AsBoolean() ? 1 : 0); break;
    case TVarType::varDouble: rc = sqlite3_bind_double(stmt, Index, Value.AsDouble()); break;
    case TVarType::varString: {
        const std::string text = Value.AsString();
        rc = sqlite3_bind_text64(stmt, Index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
    return rc == SQLITE_OK ? std::string() : std::string(sqlite3_errstr(rc));
}

bool TSQLiteStatement::Step() {
    sqlite3* db = FConnection->Handle();
    std::string error;
    {
        TConnectionLock lock(db);
        const int rc = sqlite3_step(FHandle.get());
        if (rc == SQLITE_ROW || rc == SQLITE_DONE) return rc == SQLITE_ROW;
        error = sqlite3_errmsg(db);
    }
    RaiseOn(*FConnection, error, sqlite3_sql(FHandle.get()));
}

std::string TSQLiteStatement::Text(int Index) const {
    sqlite3_stmt* stmt = FHandle.get();
    if (sqlite3_column_type(stmt, Index) == SQLITE_NULL) return {};
    // The text conversion is SQLite's own, so integers and floats read as SQLite prints them.
    const unsigned char* text = sqlite3_column_text(stmt, Index);
    const int size = sqlite3_column_bytes(stmt, Index);
    if (text == nullptr) throw EDatabaseError("Cannot read a field: out of memory");
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

int TSQLiteStatement::Changes() const {
    return sqlite3_stmt_readonly(FHandle.get()) ? 0 : sqlite3_changes(FConnection->Handle());
}

}  // namespace

std::shared_ptr<TDBConnection> OpenSQLiteConnection(const std::string& Name, const std::string& FileName,
                                                    TDBOpenMode Mode, const std::string& ErrorPrefix) {
    constexpr std::string_view kScheme = "sqlite:";
    const std::string path = FileName.starts_with(kScheme) ? FileName.substr(kScheme.size()) : FileName;
    if (path.empty()) throw EDatabaseError(ErrorPrefix + "no database file given");
    return std::make_shared<TSQLiteConnection>(Name, FileName, path, Mode, ErrorPrefix);
}

}  // namespace zarix
