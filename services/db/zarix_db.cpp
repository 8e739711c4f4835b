// Named SQLite connections, queries over one prepared statement each, and validation messages.
#include "services/db/zarix_db.h"

#include "platform/rtl/strings.h"
#include "platform/ui/message_box.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>
#include <variant>

namespace zarix {

ZARIX_DEFINE_EXCEPTION(EDatabaseError)

/// One open SQLite database. Shared by the interface and by the queries open on it, so closing
/// or replacing a connection never pulls the database out from under a statement.
class TDBConnection {
public:
    /// Opens FileName, or raises EDatabaseError with SQLite's reason.
    TDBConnection(std::string Name, std::string FileName, TDBOpenMode Mode);
    ~TDBConnection() { sqlite3_close_v2(FHandle); }
    TDBConnection(const TDBConnection&) = delete;
    TDBConnection& operator=(const TDBConnection&) = delete;

    const std::string& Name() const noexcept { return FName; }
    const std::string& FileName() const noexcept { return FFileName; }
    sqlite3* Handle() const noexcept { return FHandle; }

private:
    std::string FName;
    std::string FFileName;
    sqlite3* FHandle = nullptr;
};

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
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalize>;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

[[noreturn]] void RaiseOn(const TDBConnection& c, std::string_view what, const std::string& sql) {
    std::string message = "Database error on connection " + Quoted(c.Name()) + ": " + std::string(what);
    if (!sql.empty()) message += " (SQL: " + sql + ")";
    throw EDatabaseError(message);
}

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

// SQLite stops reading SQL at a NUL byte; refusing such text beats running half of it.
void CheckSqlText(const TDBConnection& c, const std::string& sql) {
    if (sql.find('\0') != std::string::npos) RaiseOn(c, "the SQL text contains a NUL character", {});
    if (sql.size() >= static_cast<std::size_t>(INT_MAX)) RaiseOn(c, "the SQL text is too long", {});
}

}  // namespace

TDBConnection::TDBConnection(std::string Name, std::string FileName, TDBOpenMode Mode)
    : FName(std::move(Name)), FFileName(std::move(FileName)) {
    const std::string prefix = "Cannot open database " + Quoted(FFileName) + " as connection " + Quoted(FName) + ": ";
    if (FFileName.find('\0') != std::string::npos)
        throw EDatabaseError(prefix + "the file name contains a NUL character");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (Mode == TDBOpenMode::omCreate) {
        flags |= SQLITE_OPEN_CREATE;
    } else if (const std::optional<std::string> wrong = NotADatabasePath(FFileName)) {
        // Without the create flag SQLite would say only "unable to open database file". The
        // flag, not this look, is what keeps the file from being made.
        throw EDatabaseError(prefix + *wrong);
    }
    const int rc = sqlite3_open_v2(FFileName.c_str(), &FHandle, flags, nullptr);
    // A constructor that throws runs no destructor, so every failure below closes the handle,
    // which SQLite hands back even when opening fails.
    const auto fail = [&](const std::string& reason) {
        sqlite3_close_v2(FHandle);
        throw EDatabaseError(prefix + reason);
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

// ---------------------------------------------------------------------------------------------
// TDBInterface

ZARIX_DEFINE_CLASS(TDBInterface)

TDBInterface::TDBInterface() = default;

TDBInterface::~TDBInterface() {
    std::lock_guard guard(FLock);
    FConnections.clear();
}

TDBInterface& DBInt() { return TSingleton::Instance<TDBInterface>(); }

void TDBInterface::OpenConnection(const std::string& Name, const std::string& FileName) {
    OpenConnection(Name, FileName, TDBOpenMode::omCreate);
}

void TDBInterface::OpenConnection(const std::string& Name, const std::string& FileName, TDBOpenMode Mode) {
    if (Name.empty()) throw EDatabaseError("Cannot open a connection without a name");
    if (FileName.empty()) throw EDatabaseError("Cannot open connection " + Quoted(Name) + ": no database file given");

    auto connection = std::make_shared<TDBConnection>(Name, FileName, Mode);

    // The replaced connection is released after the lock, since closing it may wait on SQLite.
    std::shared_ptr<TDBConnection> previous;
    {
        std::lock_guard guard(FLock);
        previous = std::exchange(FConnections[UpperCase(Name)], std::move(connection));
    }
}

void TDBInterface::CloseConnection(const std::string& Name) {
    std::shared_ptr<TDBConnection> closing;
    {
        std::lock_guard guard(FLock);
        const auto it = FConnections.find(UpperCase(Name));
        if (it == FConnections.end()) return;
        // Released after the lock, like a replaced connection.
        closing = std::move(it->second);
        FConnections.erase(it);
    }
}

bool TDBInterface::HasConnection(const std::string& Name) const {
    std::lock_guard guard(FLock);
    return FConnections.contains(UpperCase(Name));
}

std::shared_ptr<TDBConnection> TDBInterface::Connection(const std::string& Name) const {
    std::lock_guard guard(FLock);
    const auto it = FConnections.find(UpperCase(Name));
    if (it == FConnections.end()) throw EDatabaseError("Connection " + Quoted(Name) + " is not open");
    return it->second;
}

std::string TDBInterface::ConnectionFileName(const std::string& Name) const { return Connection(Name)->FileName(); }

void TDBInterface::ExecSQL(const std::string& Name, const std::string& Sql) {
    const std::shared_ptr<TDBConnection> c = Connection(Name);
    CheckSqlText(*c, Sql);
    TConnectionLock lock(c->Handle());
    char* error = nullptr;
    if (sqlite3_exec(c->Handle(), Sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : sqlite3_errmsg(c->Handle());
        sqlite3_free(error);
        RaiseOn(*c, text, Sql);
    }
}

// ---------------------------------------------------------------------------------------------
// TDBQuery

struct TDBQuery::TImpl {
    std::string Sql;
    std::string ConnectionName;
    // Declared before the statement so it is released after it.
    std::shared_ptr<TDBConnection> Connection;
    TStatement Statement;
    std::vector<std::string> Columns;
    bool HasRow = false;
    std::vector<std::pair<std::variant<int, std::string>, Variant>> Params;

    [[noreturn]] void Raise(std::string_view what) const {
        std::string message = "Query on connection " + Quoted(ConnectionName) + ": " + std::string(what);
        message += " (SQL: " + Sql + ")";
        throw EDatabaseError(message);
    }

    void RequireOpen(std::string_view action) const {
        if (!Statement) Raise(std::string(action) + " needs an open query");
    }

    int ColumnIndex(const std::string& name) const {
        RequireOpen("Reading field " + Quoted(name));
        for (std::size_t i = 0; i < Columns.size(); ++i)
            if (SameText(Columns[i], name)) return static_cast<int>(i);
        Raise("Field " + Quoted(name) + " not found");
    }

    int CurrentColumn(const std::string& name) const {
        const int index = ColumnIndex(name);
        if (!HasRow) Raise("Cannot read field " + Quoted(name) + ": no current row, the query is at its end");
        return index;
    }

    void Prepare() {
        sqlite3* db = Connection->Handle();
        CheckSqlText(*Connection, Sql);
        TConnectionLock lock(db);
        const char* tail = nullptr;
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, Sql.c_str(), static_cast<int>(Sql.size()), &raw, &tail) != SQLITE_OK)
            RaiseOn(*Connection, sqlite3_errmsg(db), Sql);
        TStatement statement(raw);
        if (!statement) RaiseOn(*Connection, "no SQL statement to run", Sql);
        // A query holds one statement; silently dropping the rest of a script would lose work.
        const char* end = Sql.c_str() + Sql.size();
        if (tail != nullptr && tail < end) {
            sqlite3_stmt* next = nullptr;
            const int rc = sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &next, nullptr);
            TStatement rest(next);
            if (rc != SQLITE_OK) RaiseOn(*Connection, sqlite3_errmsg(db), Sql);
            if (rest) RaiseOn(*Connection, "a query runs one statement, the text holds more", Sql);
        }
        for (const auto& [key, value] : Params) BindOne(statement.get(), key, value);
        const int count = sqlite3_column_count(statement.get());
        Columns.clear();
        for (int i = 0; i < count; ++i) {
            const char* name = sqlite3_column_name(statement.get(), i);
            Columns.emplace_back(name ? name : "");
        }
        Statement = std::move(statement);
    }

    void BindOne(sqlite3_stmt* stmt, const std::variant<int, std::string>& key, const Variant& value) const {
        int index = 0;
        if (const int* position = std::get_if<int>(&key)) {
            index = *position;
            const int count = sqlite3_bind_parameter_count(stmt);
            if (index < 1 || index > count)
                Raise("Parameter " + IntToStr(index) + " out of range, the statement has " + IntToStr(count));
        } else {
            const std::string& name = std::get<std::string>(key);
            if (!name.empty() && (name[0] == ':' || name[0] == '@' || name[0] == '$'))
                index = sqlite3_bind_parameter_index(stmt, name.c_str());
            else
                for (const char* prefix : {":", "@", "$"})
                    if (index == 0) index = sqlite3_bind_parameter_index(stmt, (prefix + name).c_str());
            if (index == 0) Raise("Parameter " + Quoted(name) + " not found");
        }
        int rc = SQLITE_OK;
        switch (value.VarType()) {
        case TVarType::varEmpty:
        case TVarType::varNull: rc = sqlite3_bind_null(stmt, index); break;
        case TVarType::varInteger:
        case TVarType::varInt64: rc = sqlite3_bind_int64(stmt, index, value.AsInt64()); break;
        case TVarType::varBoolean: rc = sqlite3_bind_int64(stmt, index, value.AsBoolean() ? 1 : 0); break;
        case TVarType::varDouble: rc = sqlite3_bind_double(stmt, index, value.AsDouble()); break;
        case TVarType::varString: {
            const std::string text = value.AsString();
            rc = sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        case TVarType::varObject: Raise("Parameter " + IntToStr(index) + " holds an object, which is no database value");
        }
        if (rc != SQLITE_OK) Raise(std::string("Cannot bind parameter ") + IntToStr(index) + ": " + sqlite3_errstr(rc));
    }

    // Moves to the next row. On an error the statement is released first, so a failed query is
    // simply closed rather than left half-way.
    void Step() {
        sqlite3* db = Connection->Handle();
        std::string error;
        {
            TConnectionLock lock(db);
            const int rc = sqlite3_step(Statement.get());
            if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
                HasRow = rc == SQLITE_ROW;
                return;
            }
            error = sqlite3_errmsg(db);
        }
        const std::shared_ptr<TDBConnection> connection = Connection;
        Release();
        RaiseOn(*connection, error, Sql);
    }

    void Release() noexcept {
        Statement.reset();
        Connection.reset();
        Columns.clear();
        HasRow = false;
    }

    void SetParam(std::variant<int, std::string> key, const Variant& value) {
        for (auto& param : Params)
            if (param.first == key) {
                param.second = value;
                return;
            }
        Params.emplace_back(std::move(key), value);
    }
};

namespace {

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

// A moved-from query has no state; every operation on it raises or answers "closed".
template <class Impl>
Impl& LiveQuery(const std::unique_ptr<Impl>& impl) {
    if (!impl) throw EDatabaseError("The query was moved to another object");
    return *impl;
}

}  // namespace

TDBQuery::TDBQuery(const std::string& Sql, const std::string& ConnectionName) : FImpl(std::make_unique<TImpl>()) {
    FImpl->Sql = Sql;
    FImpl->ConnectionName = ConnectionName;
}

TDBQuery::~TDBQuery() = default;
TDBQuery::TDBQuery(TDBQuery&& Other) noexcept = default;
TDBQuery& TDBQuery::operator=(TDBQuery&& Other) noexcept = default;

const std::string& TDBQuery::SQL() const noexcept { return FImpl ? FImpl->Sql : EmptyText(); }
const std::string& TDBQuery::ConnectionName() const noexcept { return FImpl ? FImpl->ConnectionName : EmptyText(); }

void TDBQuery::Open() {
    TImpl& q = LiveQuery(FImpl);
    q.Release();
    try {
        q.Connection = DBInt().Connection(q.ConnectionName);
        q.Prepare();
        q.Step();
    } catch (...) {
        q.Release();
        throw;
    }
}

int TDBQuery::ExecSQL() {
    TImpl& q = LiveQuery(FImpl);
    Open();
    while (q.HasRow) q.Step();
    sqlite3* db = q.Connection->Handle();
    const int changed = sqlite3_stmt_readonly(q.Statement.get()) ? 0 : sqlite3_changes(db);
    q.Release();
    return changed;
}

void TDBQuery::Close() noexcept {
    if (FImpl) FImpl->Release();
}

bool TDBQuery::Active() const noexcept { return FImpl && FImpl->Statement; }
bool TDBQuery::Eof() const noexcept { return !FImpl || !FImpl->HasRow; }

void TDBQuery::Next() {
    TImpl& q = LiveQuery(FImpl);
    q.RequireOpen("Next");
    if (!q.HasRow) q.Raise("Next called at the end of the rows");
    q.Step();
}

int TDBQuery::FieldCount() const noexcept { return FImpl ? static_cast<int>(FImpl->Columns.size()) : 0; }

std::string TDBQuery::FieldName(int Index) const {
    TImpl& q = LiveQuery(FImpl);
    q.RequireOpen("FieldName");
    if (Index < 0 || Index >= static_cast<int>(q.Columns.size()))
        q.Raise("Field index " + IntToStr(Index) + " out of range, the query has " + IntToStr(q.Columns.size()) +
                " fields");
    return q.Columns[static_cast<std::size_t>(Index)];
}

std::string TDBQuery::FieldByName(const std::string& Name) const {
    TImpl& q = LiveQuery(FImpl);
    const int index = q.CurrentColumn(Name);
    sqlite3_stmt* stmt = q.Statement.get();
    if (sqlite3_column_type(stmt, index) == SQLITE_NULL) return {};
    // The text conversion is SQLite's own, so integers and floats read as SQLite prints them.
    const unsigned char* text = sqlite3_column_text(stmt, index);
    const int size = sqlite3_column_bytes(stmt, index);
    if (text == nullptr) q.Raise("Cannot read field " + Quoted(Name) + ": out of memory");
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

bool TDBQuery::FieldIsNull(const std::string& Name) const {
    TImpl& q = LiveQuery(FImpl);
    return sqlite3_column_type(q.Statement.get(), q.CurrentColumn(Name)) == SQLITE_NULL;
}

void TDBQuery::Bind(int Index, const Variant& Value) {
    TImpl& q = LiveQuery(FImpl);
    if (Index < 1) q.Raise("Parameter index " + IntToStr(Index) + " out of range, parameters count from 1");
    q.SetParam(Index, Value);
}

void TDBQuery::ParamByName(const std::string& Name, const Variant& Value) {
    TImpl& q = LiveQuery(FImpl);
    if (Name.empty()) q.Raise("A parameter needs a name");
    q.SetParam(Name, Value);
}

void TDBQuery::ClearParams() noexcept {
    if (FImpl) FImpl->Params.clear();
}

// ---------------------------------------------------------------------------------------------
// TValidation

ZARIX_DEFINE_CLASS(TValidation, ZARIX_PROPERTY(Caption, Caption, SetCaption), ZARIX_PROPERTY(Count, Count))

TValidation::TValidation(TComponent* AOwner) : TComponent(AOwner) {}
TValidation::~TValidation() = default;

void TValidation::Add(const std::string& Msg) { FMessages.push_back(Msg); }

void TValidation::Show() {
    if (FMessages.empty()) return;
    std::string text;
    for (const std::string& message : FMessages) {
        if (!text.empty()) text += '\n';
        text += message;
    }
    MessageBox(text, FCaption, MB_OK);
    // Cleared only once shown: a message box that fails leaves the messages for another try.
    FMessages.clear();
}

}  // namespace zarix
