// Rows of a database query for a data grid: the query stays open and is read a page at a time,
// so a grid over a large table reads only the rows it shows.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/variant.h"
#include "platform/ui/row_source.h"
#include "services/db/zarix_db.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zarix {

/// A row source over one SELECT statement on a named connection. Sorting wraps the statement
/// as "SELECT * FROM (<statement>) AS ... ORDER BY <column number> [DESC]", so the database
/// sorts and the rows are still read lazily; the statement must therefore be one query that
/// can stand as a subquery (no trailing statement after it).
class ZARIX_API TQueryRows : public TRowSource {
public:
    TQueryRows(std::string Sql, std::string ConnectionName);
    ~TQueryRows() override;

    /// Binds the one-based parameter Index; kept for every later Open.
    void Bind(int Index, const Variant& Value);

    void Open(int SortColumn, bool Descending) override;
    void Close() noexcept override;
    bool Active() const noexcept override { return FQuery && FQuery->Active(); }
    int ColumnCount() const override { return static_cast<int>(FColumns.size()); }
    /// Raises EListError when Index is out of range (none while closed).
    std::string ColumnName(int Index) const override;
    int Fetch(int Count, std::vector<TGridRow>& Rows) override;
    bool AtEnd() const noexcept override { return !Active() || FQuery->Eof(); }
    bool CanSort() const noexcept override { return true; }

    /// The statement as given, and the one the last Open ran.
    const std::string& SQL() const noexcept { return FSql; }
    const std::string& OpenedSQL() const noexcept { return FOpenedSql; }

private:
    std::string FSql;
    std::string FConnectionName;
    std::vector<std::pair<int, Variant>> FParams;
    std::unique_ptr<TDBQuery> FQuery;
    std::vector<std::string> FColumns;
    std::string FOpenedSql;
};

}  // namespace zarix
