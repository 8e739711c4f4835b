// The server database: a libpq connection to PostgreSQL and its statements, with the few
// rules that make a server transaction behave as the embedded database's does.
#include "services/db/db_backend.h"

#include "platform/rtl/strings.h"
#include "services/db/pg_sql_text.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <charconv>
#include <mutex>
#include <optional>

namespace zarix {

namespace {

// The key of the database-wide writer lock that BEGIN IMMEDIATE takes ("ZARIX" in ASCII).
constexpr const char* kWriterLock = "SELECT pg_advisory_xact_lock(387365865816)";

constexpr unsigned kBoolType = 16;  // pg_type's oid of boolean

struct TClearResult {
    void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using TResult = std::unique_ptr<PGresult, TClearResult>;

struct TFinishConnection {
    void operator()(PGconn* connection) const noexcept { PQfinish(connection); }
};
using TConnectionHandle = std::unique_ptr<PGconn, TFinishConnection>;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// libpq's own messages run over several indented lines; an error message is one.
std::string OneLine(const char* text) {
    std::string line;
    for (const char* c = text; *c != '\0'; ++c) {
        const bool blank = *c == '\n' || *c == '\t' || *c == ' ';
        if (!blank) line += *c;
        else if (!line.empty() && line.back() != ' ') line += ' ';
    }
    return Trimmed(std::move(line));
}

// The server's own sentence, without libpq's "ERROR:" label and the position lines.
std::string ResultError(const PGresult* result, PGconn* connection) {
    if (result != nullptr)
        if (const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) return primary;
    const std::string text = OneLine(PQerrorMessage(connection));
    return text.empty() ? "the server gave no reason" : text;
}

bool Succeeded(const PGresult* result) {
    const ExecStatusType status = PQresultStatus(result);
    return result != nullptr && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

std::optional<std::string> ParamText(const Variant& value, std::string& error) {
    switch (value.VarType()) {
    case TVarType::varEmpty:
    case TVarType::varNull: return std::nullopt;
    case TVarType::varBoolean: return std::string(value.AsBoolean() ? "1" : "0");
    case TVarType::varObject: error = "it holds an object, which is no database value"; return std::nullopt;
    case TVarType::varDouble: {
        char buffer[32];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.AsDouble());
        if (ec != std::errc()) error = "the number cannot be written";
        return std::string(buffer, end);
    }
    default: {
        std::string text = value.AsString();
        if (text.find('\0') != std::string::npos) error = "the text contains a NUL character";
        return text;
    }
    }
}

class TPgConnection;

class TPgStatement final : public TDBStatement {
public:
    TPgStatement(std::shared_ptr<TPgConnection> Connection, std::string Sql, TPgStatementText Text)
        : FConnection(std::move(Connection)), FSql(std::move(Sql)), FText(std::move(Text)),
          FValues(static_cast<std::size_t>(FText.ParamCount)) {}

    int ParamCount() const override { return FText.ParamCount; }
    int ParamIndex(const std::string& Name) const override {
        for (const auto& [name, index] : FText.Names)
            if (name == Name) return index;
        return 0;
    }
    std::string Bind(int Index, const Variant& Value) override {
        std::string error;
        std::optional<std::string> text = ParamText(Value, error);
        if (error.empty()) FValues[static_cast<std::size_t>(Index - 1)] = std::move(text);
        return error;
    }
    bool Step() override;
    int ColumnCount() const override { return FResult ? PQnfields(FResult.get()) : 0; }
    std::string ColumnName(int Index) const override;
    bool IsNull(int Index) const override { return PQgetisnull(FResult.get(), FRow, Index) != 0; }
    std::string Text(int Index) const override {
        const char* value = PQgetvalue(FResult.get(), FRow, Index);
        // Booleans read as the embedded database gives them.
        if (PQftype(FResult.get(), Index) == kBoolType && !IsNull(Index)) return *value == 't' ? "1" : "0";
        return std::string(value, static_cast<std::size_t>(PQgetlength(FResult.get(), FRow, Index)));
    }
    int Changes() const override {
        if (!FResult || std::string_view(PQcmdStatus(FResult.get())).starts_with("SELECT")) return 0;
        int changed = 0;
        const std::string_view tuples = PQcmdTuples(FResult.get());
        std::from_chars(tuples.data(), tuples.data() + tuples.size(), changed);
        return changed;
    }

private:
    std::shared_ptr<TPgConnection> FConnection;
    std::string FSql;
    TPgStatementText FText;
    std::vector<std::optional<std::string>> FValues;
    TResult FResult;
    int FRow = -1;
};

class TPgConnection final : public TDBConnection, public std::enable_shared_from_this<TPgConnection> {
public:
    TPgConnection(const std::string& Name, const std::string& Url, const std::string& ErrorPrefix);

    TDBDialect Dialect() const noexcept override { return TDBDialect::dbPostgreSQL; }

    void ExecScript(const std::string& Sql) override {
        CheckSqlText(*this, Sql);
        for (const std::string& statement : SplitStatements(Sql)) Run(statement, Sql, {}, 0, nullptr);
    }

    std::unique_ptr<TDBStatement> Prepare(const std::string& Sql) override {
        CheckSqlText(*this, Sql);
        const std::vector<std::string> statements = SplitStatements(Sql);
        if (statements.empty()) RaiseOn(*this, "no SQL statement to run", Sql);
        if (statements.size() > 1) RaiseOn(*this, "a query runs one statement, the text holds more", Sql);
        return std::make_unique<TPgStatement>(shared_from_this(), Sql, TranslateStatement(statements.front()));
    }

    /// Runs one statement as the transaction rules of the interface say; ShownSql is what an
    /// error quotes. Raises EDatabaseError with the server's message.
    TResult Run(const std::string& Statement, const std::string& ShownSql, const std::string& Translated, int Count,
                const char* const* Values);

private:
    // Sends one statement; a null result or the server's error is returned for the caller to judge.
    TResult Send(const std::string& Sql, int Count = 0, const char* const* Values = nullptr) {
        return TResult(PQexecParams(FHandle.get(), Sql.c_str(), Count, nullptr, Values, nullptr, nullptr, 0));
    }
    void SendOrRaise(const std::string& Sql, const std::string& ShownSql, bool InTransaction) {
        const TResult result = Send(Sql);
        if (!Succeeded(result.get())) RaiseFailure(result.get(), InTransaction, ShownSql);
    }
    /// The error of a statement that failed: the server's message, and when the connection went
    /// down inside a transaction, that the transaction went with it. Take it before sending
    /// anything else, which would replace libpq's message.
    std::string FailureText(const PGresult* Result, bool InTransaction);
    [[noreturn]] void RaiseFailure(const PGresult* Result, bool InTransaction, const std::string& ShownSql) {
        RaiseOn(*this, FailureText(Result, InTransaction), ShownSql);
    }
    /// Sql under a savepoint of its own, in one round trip: the first result that failed, else
    /// the statement's.
    TResult SendGuarded(const std::string& Sql, int Count, const char* const* Values);
    // The simple protocol, for a fixed text of several statements.
    TResult SendScript(const char* Sql) { return TResult(PQexec(FHandle.get(), Sql)); }
    bool InTransaction() const { return PQtransactionStatus(FHandle.get()) != PQTRANS_IDLE; }
    /// False when the server has closed the connection since the last statement.
    bool StillConnected();
    /// Makes sure the statement goes to a live connection: one that went down outside a
    /// transaction is connected again once; one that went down inside a transaction is not but
    /// noted as lost, since what the transaction did is gone and must not be replayed half-way.
    void Reconnect(const std::string& ShownSql);

    TConnectionHandle FHandle;
    std::mutex FLock;
    // The savepoints open since a SAVEPOINT began the transaction, innermost last; releasing
    // the outermost commits, as on SQLite. Empty when no savepoint began the transaction.
    std::vector<std::string> FSavepoints;
    // Why the transaction was lost with the connection; every statement but the end of the
    // transaction raises until the caller ends it. Empty when none was lost.
    std::string FLostTransaction;
    // The server's last words on a session it ends between statements, which libpq hands to
    // the notice receiver rather than to a result.
    std::string FGoodbye;
};

TPgConnection::TPgConnection(const std::string& Name, const std::string& Url, const std::string& ErrorPrefix)
    : TDBConnection(Name, Url) {
    // The URL comes last, so what it says wins over these defaults. A host that is down must
    // not hang a desktop for minutes.
    const char* keywords[] = {"connect_timeout", "client_encoding", "application_name", "dbname", nullptr};
    const char* values[] = {"10", "UTF8", "zarix", Url.c_str(), nullptr};
    FHandle.reset(PQconnectdbParams(keywords, values, 1));
    if (!FHandle) throw EDatabaseError(ErrorPrefix + "out of memory");
    if (PQstatus(FHandle.get()) != CONNECTION_OK) {
        // libpq quotes a URL it cannot read, password and all.
        std::string reason = Trimmed(PQerrorMessage(FHandle.get()));
        const std::string shown = DisplayedLocation(Url);
        for (std::size_t at = reason.find(Url); at != std::string::npos; at = reason.find(Url, at + shown.size()))
            reason.replace(at, Url.size(), shown);
        throw EDatabaseError(ErrorPrefix + reason);
    }
    // Notices ("relation already exists, skipping") are no news to the host or its user; the
    // reason the server gives for ending the session is.
    PQsetNoticeReceiver(
        FHandle.get(),
        [](void* self, const PGresult* notice) {
            const char* severity = PQresultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
            const char* message = PQresultErrorField(notice, PG_DIAG_MESSAGE_PRIMARY);
            if (severity != nullptr && message != nullptr &&
                (std::string_view(severity) == "FATAL" || std::string_view(severity) == "PANIC"))
                static_cast<TPgConnection*>(self)->FGoodbye = message;
        },
        this);
}

TResult TPgConnection::Run(const std::string& Statement, const std::string& ShownSql, const std::string& Translated,
                           int Count, const char* const* Values) {
    std::lock_guard guard(FLock);
    const std::vector<std::string> words = LeadingWords(Statement, 4);
    const std::string first = words.empty() ? std::string() : words[0];
    const std::string second = words.size() > 1 ? words[1] : std::string();
    const std::string& sql = Translated.empty() ? Statement : Translated;

    Reconnect(ShownSql);
    if (!FLostTransaction.empty()) {
        // Only ending the lost transaction goes on; a rollback is what the server already did.
        const bool rollback = first == "ABORT" || (first == "ROLLBACK" && second != "TO");
        const bool ends = rollback || first == "COMMIT" || first == "END" ||
                          (first == "RELEASE" && !FSavepoints.empty() &&
                           words.back() == FSavepoints.front());
        const std::string lost = FLostTransaction;
        if (ends) {
            FLostTransaction.clear();
            FSavepoints.clear();
        }
        if (rollback) return nullptr;
        RaiseOn(*this, lost, ShownSql);
    }
    const bool inTransaction = InTransaction();

    if (first == "BEGIN" && (second == "DEFERRED" || second == "IMMEDIATE" || second == "EXCLUSIVE")) {
        SendOrRaise("BEGIN", ShownSql, false);
        if (second != "DEFERRED") {
            const TResult locked = Send(kWriterLock);
            if (!Succeeded(locked.get())) {
                // The BEGIN fails as a whole, so no transaction is lost with it.
                const std::string error = FailureText(locked.get(), false);
                Send("ROLLBACK");
                RaiseOn(*this, error, ShownSql);
            }
        }
        FSavepoints.clear();
        return nullptr;
    }
    if (first == "SAVEPOINT" && !second.empty()) {
        const bool begins = !inTransaction;
        if (begins) SendOrRaise("BEGIN", ShownSql, false);
        const TResult result = Send(sql);
        if (!Succeeded(result.get())) {
            const std::string error = FailureText(result.get(), inTransaction);
            if (begins) Send("ROLLBACK");
            RaiseOn(*this, error, ShownSql);
        }
        if (begins || !FSavepoints.empty()) FSavepoints.push_back(second);
        return nullptr;
    }
    const bool control = first == "BEGIN" || first == "START" || first == "COMMIT" || first == "END" ||
                         first == "ROLLBACK" || first == "ABORT" || first == "RELEASE";
    // Inside a transaction a failing statement would spoil the whole transaction on this
    // server; under a savepoint of its own it undoes only itself, as on SQLite.
    const bool guarded = !control && PQtransactionStatus(FHandle.get()) == PQTRANS_INTRANS;
    TResult result = guarded ? SendGuarded(sql, Count, Values) : Send(sql, Count, Values);
    if (!Succeeded(result.get())) {
        // A statement that ends the transaction takes it along however it fails.
        const bool ending = first == "COMMIT" || first == "END" || first == "ABORT" || (first == "ROLLBACK" && second != "TO");
        const std::string error = FailureText(result.get(), inTransaction && !ending);
        if (guarded) SendScript("ROLLBACK TO zarix_statement; RELEASE zarix_statement");
        RaiseOn(*this, error, ShownSql);
    }

    if (first == "COMMIT" || first == "END" || first == "ABORT" || (first == "ROLLBACK" && second != "TO")) {
        FSavepoints.clear();
    } else if (!FSavepoints.empty() && (first == "RELEASE" || first == "ROLLBACK")) {
        // RELEASE [SAVEPOINT] name drops name and those inside it; ROLLBACK TO [SAVEPOINT] name
        // keeps name itself.
        std::size_t at = first == "RELEASE" ? 1 : 2;
        if (at < words.size() && words[at] == "SAVEPOINT") ++at;
        const std::string name = at < words.size() ? words[at] : std::string();
        const auto it = std::find(FSavepoints.rbegin(), FSavepoints.rend(), name);
        if (it != FSavepoints.rend()) {
            FSavepoints.erase(first == "RELEASE" ? std::prev(it.base()) : it.base(), FSavepoints.end());
            if (FSavepoints.empty() && first == "RELEASE") SendOrRaise("COMMIT", ShownSql, false);
        }
    }
    return result;
}

std::string TPgConnection::FailureText(const PGresult* Result, bool InTransaction) {
    std::string error = ResultError(Result, FHandle.get());
    const bool fromServer = Result != nullptr && PQresultErrorField(Result, PG_DIAG_MESSAGE_PRIMARY) != nullptr;
    if (PQstatus(FHandle.get()) == CONNECTION_BAD && !fromServer && !FGoodbye.empty()) error = FGoodbye;
    if (PQstatus(FHandle.get()) == CONNECTION_BAD && InTransaction) {
        error = "the connection to the server was lost inside a transaction (" + error +
                "); the server rolled the transaction back, so nothing of it was kept; end it with ROLLBACK";
        FLostTransaction = error;
    }
    return error;
}

TResult TPgConnection::SendGuarded(const std::string& Sql, int Count, const char* const* Values) {
    PGconn* connection = FHandle.get();
    // The savepoint makes a statement inside a transaction undo only itself when it fails.
    const char* const statements[] = {"SAVEPOINT zarix_statement", Sql.c_str(), "RELEASE zarix_statement"};
    // The server runs a pipeline's statements in order and skips the rest after one fails; the
    // caller then rolls back to the savepoint, as when they went one by one.
    bool sent = PQenterPipelineMode(connection) == 1;
    for (int i = 0; sent && i < 3; ++i)
        sent = PQsendQueryParams(connection, statements[i], i == 1 ? Count : 0, nullptr, i == 1 ? Values : nullptr,
                                 nullptr, nullptr, 0) == 1;
    sent = sent && PQpipelineSync(connection) == 1;
    TResult answer, failed;
    for (int i = 0; sent && i < 3; ++i) {
        TResult result(PQgetResult(connection));
        if (!result) break;
        // Each statement's results end with a null one.
        while (const TResult more{PQgetResult(connection)}) {
        }
        if (!failed && !Succeeded(result.get())) failed = std::move(result);
        else if (i == 1) answer = std::move(result);
    }
    for (TResult result(PQgetResult(connection)); result && PQresultStatus(result.get()) != PGRES_PIPELINE_SYNC;
         result.reset(PQgetResult(connection))) {
    }
    // Leaving fails only with results still unread, which a connection that went down drops.
    PQexitPipelineMode(connection);
    if (!sent || failed) return failed;
    return answer;
}

bool TPgConnection::StillConnected() {
    PGconn* connection = FHandle.get();
    if (PQstatus(connection) != CONNECTION_OK) return false;
    // Between statements the server sends nothing but its own notes; a server that went away
    // has left its last words and the end of the stream at the socket.
    pollfd socket{PQsocket(connection), POLLIN, 0};
    while (::poll(&socket, 1, 0) > 0 && PQconsumeInput(connection) != 0) {
        // Parses what came, so a message saying the server is ending the session is read now.
        while (!PQisBusy(connection)) {
            const TResult pending(PQgetResult(connection));
            if (!pending) break;
        }
    }
    return PQstatus(connection) == CONNECTION_OK;
}

void TPgConnection::Reconnect(const std::string& ShownSql) {
    if (!FLostTransaction.empty()) return;
    const bool inTransaction = PQstatus(FHandle.get()) == CONNECTION_OK && InTransaction();
    if (StillConnected()) return;
    if (inTransaction) {
        FailureText(nullptr, true);
        return;
    }
    FGoodbye.clear();
    PQreset(FHandle.get());
    if (PQstatus(FHandle.get()) != CONNECTION_OK)
        RaiseOn(*this, "the connection to the server was lost and cannot be made again: " +
                           OneLine(PQerrorMessage(FHandle.get())),
                ShownSql);
}

bool TPgStatement::Step() {
    if (!FResult) {
        std::vector<const char*> values;
        for (const std::optional<std::string>& value : FValues) values.push_back(value ? value->c_str() : nullptr);
        FResult = FConnection->Run(FSql, FSql, FText.Sql, FText.ParamCount, values.data());
        // A transaction statement answers nothing; it still counts as run.
        if (!FResult) FResult.reset(PQmakeEmptyPGresult(nullptr, PGRES_COMMAND_OK));
        FRow = 0;
    } else {
        ++FRow;
    }
    return FRow < PQntuples(FResult.get());
}

std::string TPgStatement::ColumnName(int Index) const {
    // The server folds unquoted names to lower case; the spelling in the statement is the
    // one its author meant.
    std::string name = PQfname(FResult.get(), Index);
    for (const std::string& identifier : FText.Identifiers)
        if (identifier != name && SameText(identifier, name)) return identifier;
    return name;
}

}  // namespace

std::shared_ptr<TDBConnection> OpenPgConnection(const std::string& Name, const std::string& Url,
                                                const std::string& ErrorPrefix) {
    return std::make_shared<TPgConnection>(Name, Url, ErrorPrefix);
}

}  // namespace zarix
