// SQLite's quick check, on a named connection and on a file opened read-only for the purpose.
#include "services/db/integrity.h"

#include "services/db/zarix_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <memory>

namespace zarix {

namespace {

constexpr char kHeader[] = "SQLite format 3";  // with its NUL, the first 16 bytes of every database

struct TCloseDatabase {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using TDatabaseHandle = std::unique_ptr<sqlite3, TCloseDatabase>;
struct TFinalizeStatement {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using TStatementHandle = std::unique_ptr<sqlite3_stmt, TFinalizeStatement>;

std::string QuickCheckSql(int limit) { return "PRAGMA quick_check(" + std::to_string(limit < 1 ? 1 : limit) + ")"; }

// The rows of a finished check, one problem per line: "ok" alone means sound. SQLite puts
// several findings in one row, under a "*** in database main ***" heading.
std::vector<std::string> Problems(const std::vector<std::string>& rows) {
    if (rows.size() == 1 && rows.front() == "ok") return {};
    if (rows.empty()) return {"the quick check returned nothing"};
    std::vector<std::string> problems;
    for (const std::string& row : rows) {
        std::size_t start = 0;
        while (start <= row.size()) {
            const std::size_t end = std::min(row.find('\n', start), row.size());
            const std::string line = row.substr(start, end - start);
            if (!line.empty() && line.rfind("*** ", 0) != 0) problems.push_back(line);
            start = end + 1;
        }
    }
    return problems;
}

}  // namespace

std::vector<std::string> QuickCheck(const std::string& ConnectionName, int Limit) {
    if (!DBInt().HasConnection(ConnectionName))
        throw EDatabaseError("Connection \"" + ConnectionName + "\" is not open");
    // A server keeps its own files sound and offers no such check to its clients.
    if (DBInt().Dialect(ConnectionName) != TDBDialect::dbSQLite) return {};
    std::vector<std::string> rows;
    try {
        TDBQuery check(QuickCheckSql(Limit), ConnectionName);
        for (check.Open(); !check.Eof(); check.Next()) rows.push_back(check.FieldByName("quick_check"));
    } catch (const EDatabaseError& e) {
        // Damage bad enough stops the check itself; that is its answer.
        return {e.Message()};
    }
    return Problems(rows);
}

std::optional<std::string> DatabaseFileProblem(const std::string& FileName) {
    if (FileName.find('\0') != std::string::npos) return "the file name contains a NUL character";
    std::array<char, sizeof kHeader> header{};
    {
        std::ifstream in(FileName, std::ios::binary);
        if (!in) return "it cannot be read";
        in.read(header.data(), header.size());
        if (in.gcount() != static_cast<std::streamsize>(header.size()) ||
            std::memcmp(header.data(), kHeader, sizeof kHeader) != 0)
            return "it is not an SQLite database (no SQLite header)";
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(FileName.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const TDatabaseHandle db(raw);
    if (rc != SQLITE_OK) return std::string("it does not open: ") + (db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc));
    sqlite3_stmt* prepared = nullptr;
    const std::string sql = QuickCheckSql(3);
    const int prepareRc = sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &prepared, nullptr);
    const TStatementHandle statement(prepared);
    if (prepareRc != SQLITE_OK) return std::string("it does not open: ") + sqlite3_errmsg(db.get());
    std::vector<std::string> rows;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement.get(), 0);
        rows.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    if (step != SQLITE_DONE) return std::string("it is damaged: ") + sqlite3_errmsg(db.get());
    const std::vector<std::string> problems = Problems(rows);
    if (problems.empty()) return std::nullopt;
    std::string text = "it is damaged: " + problems.front();
    if (problems.size() > 1) text += " (and more)";
    return text;
}

}  // namespace zarix
