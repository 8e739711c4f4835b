// The query-backed row source.
#include "services/db/query_rows.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <cctype>

namespace zarix {
namespace {

// A statement ending in ";" or blanks cannot stand inside parentheses.
std::string WithoutTail(std::string Sql) {
    while (!Sql.empty() && (Sql.back() == ';' || std::isspace(static_cast<unsigned char>(Sql.back())))) Sql.pop_back();
    return Sql;
}

}  // namespace

TQueryRows::TQueryRows(std::string Sql, std::string ConnectionName)
    : FSql(std::move(Sql)), FConnectionName(std::move(ConnectionName)) {}

TQueryRows::~TQueryRows() = default;

void TQueryRows::Bind(int Index, const Variant& Value) {
    for (auto& [index, value] : FParams)
        if (index == Index) {
            value = Value;
            return;
        }
    FParams.emplace_back(Index, Value);
}

void TQueryRows::Open(int SortColumn, bool Descending) {
    Close();
    // Column numbers in ORDER BY are one-based; the sorted statement is built only from the
    // caller's own SQL and a number, never from a column's name or data.
    FOpenedSql = SortColumn >= 0 ? "SELECT * FROM (" + WithoutTail(FSql) + ") AS zarix_rows ORDER BY " +
                                       IntToStr(SortColumn + 1) + (Descending ? " DESC" : "")
                                 : FSql;
    auto query = std::make_unique<TDBQuery>(FOpenedSql, FConnectionName);
    for (const auto& [index, value] : FParams) query->Bind(index, value);
    query->Open();
    std::vector<std::string> columns;
    for (int i = 0; i < query->FieldCount(); ++i) columns.push_back(query->FieldName(i));
    FQuery = std::move(query);
    FColumns = std::move(columns);
}

void TQueryRows::Close() noexcept {
    FQuery.reset();
    FColumns.clear();
}

std::string TQueryRows::ColumnName(int Index) const {
    if (Index < 0 || Index >= ColumnCount())
        throw EListError("Query column index out of bounds (" + IntToStr(Index) + ")");
    return FColumns[static_cast<std::size_t>(Index)];
}

int TQueryRows::Fetch(int Count, std::vector<TGridRow>& Rows) {
    int added = 0;
    while (added < Count && !AtEnd()) {
        TGridRow row;
        row.reserve(FColumns.size());
        // By place, not by name: two columns of a join may share a name.
        for (int i = 0; i < static_cast<int>(FColumns.size()); ++i) row.push_back(FQuery->Fields(i));
        Rows.push_back(std::move(row));
        ++added;
        FQuery->Next();
    }
    return added;
}

}  // namespace zarix
