// Where a data grid takes its rows from: an abstract source read forward in pages, so a grid
// over a large table reads only what is shown. The toolkit knows no database; the query-backed
// source lives with the database library, and TRowList serves rows a program already holds.
#pragma once

#include "platform/rtl/export.h"

#include <string>
#include <vector>

namespace zarix {

/// One row as text, one value per column of its source.
using TGridRow = std::vector<std::string>;

/// A forward-only reader of rows with named columns.
class ZARIX_API TRowSource {
public:
    virtual ~TRowSource();

    /// (Re)starts reading from the first row. A source that CanSort orders its rows by column
    /// SortColumn (zero-based; -1 for its own order), descending when Descending; one that
    /// cannot sort ignores both. Raises what the source raises; it is then closed.
    virtual void Open(int SortColumn, bool Descending) = 0;
    virtual void Close() noexcept = 0;
    virtual bool Active() const noexcept = 0;
    /// The columns of the open source.
    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int Index) const = 0;
    /// Appends at most Count next rows to Rows; returns how many it appended.
    virtual int Fetch(int Count, std::vector<TGridRow>& Rows) = 0;
    /// True when every row has been fetched, or the source is closed.
    virtual bool AtEnd() const noexcept = 0;
    /// True when Open can order the rows; a grid sorts the rows of any other source itself.
    virtual bool CanSort() const noexcept = 0;
};

/// Rows a program already holds, served in their order.
class ZARIX_API TRowList : public TRowSource {
public:
    /// Every row should have one value per column; missing values read as "", extra ones are dropped.
    TRowList(std::vector<std::string> Columns, std::vector<TGridRow> Rows);
    ~TRowList() override;

    void Open(int SortColumn, bool Descending) override;
    void Close() noexcept override;
    bool Active() const noexcept override { return FActive; }
    int ColumnCount() const override { return static_cast<int>(FColumns.size()); }
    /// Raises EListError when Index is out of range.
    std::string ColumnName(int Index) const override;
    int Fetch(int Count, std::vector<TGridRow>& Rows) override;
    bool AtEnd() const noexcept override { return !FActive || FNext >= FRows.size(); }
    bool CanSort() const noexcept override { return false; }

private:
    std::vector<std::string> FColumns;
    std::vector<TGridRow> FRows;
    std::size_t FNext = 0;
    bool FActive = false;
};

}  // namespace zarix
