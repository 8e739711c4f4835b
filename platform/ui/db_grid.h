// The data grid: rows of a row source in columns with titles and widths, a current row, sorting
// by a column and lazy fetching in pages, so a grid over a large table opens at once. A
// front-end shows the rows fetched so far and asks for more as the person scrolls, the way a
// table model answers canFetchMore and fetchMore.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/key_events.h"
#include "platform/ui/row_source.h"
#include "platform/ui/std_controls.h"

#include <memory>
#include <string>
#include <vector>

namespace zarix {

/// A column of the grid: the source column it shows, its title and its width in pixels.
struct TGridColumn {
    std::string FieldName;
    std::string Title;
    int Width = 64;
};

/// A grid bound to a row source. Changes reported through the seam: "Active", "Columns",
/// "Rows" (the rows were replaced: read them all again), "RowsFetched" (rows were appended
/// after the ones shown), "Row" (the current row) and "Sort".
///
/// Sorting: a source that CanSort (a query) is opened again in the new order and fetched
/// lazily as before; the rows of any other source are all fetched and sorted by the grid
/// (numbers by value before other texts, texts by their bytes, equal rows kept in order).
/// Either way the first row becomes current.
class ZARIX_API TDBGrid : public TInputControl {
    ZARIX_CLASS(TDBGrid, TInputControl)
    explicit TDBGrid(TComponent* AOwner);
    ~TDBGrid() override;

    static constexpr int DefaultPageSize = 100;
    static constexpr int DefaultColumnWidth = 64;

    /// Binds the grid to Source (closing it first); the grid owns the source. nullptr unbinds.
    void SetRowSource(std::unique_ptr<TRowSource> Source);
    TRowSource* RowSource() const noexcept { return FSource.get(); }

    /// Opens the source in the present sort order and fetches the first page; the first row
    /// becomes current. Raises EInvalidOperation without a source and what the source raises;
    /// the grid is then closed.
    void Open();
    void Close() noexcept;
    bool Active() const noexcept { return FActive; }
    /// Reads the rows again (after the data changed), at least as many as were fetched, and
    /// keeps the current row's place (clamped to the rows there are).
    void Refresh();

    /// Rows fetched per page; values below 1 are taken as 1.
    int PageSize() const noexcept { return FPageSize; }
    void SetPageSize(int Value);

    /// The columns shown. Columns added by program are kept across openings; without any, each
    /// opening shows every column of the source, titled with its name.
    int ColumnCount() const noexcept { return static_cast<int>(FColumns.size()); }
    /// Raises EListError for an Index out of range (here and below).
    const TGridColumn& Columns(int Index) const;
    void AddColumn(const std::string& FieldName, const std::string& Title, int Width = DefaultColumnWidth);
    void ClearColumns();
    void SetColumnTitle(int Index, const std::string& Value);
    /// Also the person's action of dragging a column's edge; negative widths are taken as 0.
    void SetColumnWidth(int Index, int Value);

    /// Rows fetched so far.
    int RowCount() const noexcept { return static_cast<int>(FRows.size()); }
    /// The text in grid column Column of fetched row Row; raises EListError out of range.
    const std::string& Cells(int Column, int Row) const;
    /// The value of source column FieldName (compared without regard to ASCII case) in fetched
    /// row Row; raises EListError for a row out of range or an unknown column.
    const std::string& FieldValue(int Row, const std::string& FieldName) const;
    /// The same in the current row; raises EListError when there is none.
    const std::string& CurrentValue(const std::string& FieldName) const;

    /// The current row, -1 when there is none.
    int Row() const noexcept { return FRow; }
    /// Makes Row current (-1: none) and fires OnRowChange when it changed; raises EListError
    /// for a row not fetched. Also the person's click on a row.
    void SetRow(int Value);

    /// The column the rows are sorted by (a grid column), -1 for the source's own order.
    int SortColumn() const noexcept { return FSortColumn; }
    bool SortDescending() const noexcept { return FSortDescending; }
    /// Sorts by grid column Column (-1: the source's own order) and reopens an active grid.
    void SortBy(int Column, bool Descending);

    /// True while the source has rows not fetched yet.
    bool CanFetchMore() const noexcept;
    /// Fetches the next page (the person scrolled towards the end); returns the rows added.
    int FetchMore();

    TNotifyEvent OnRowChange;
    TNotifyEvent OnDblClick;
    /// Enter, arrows and page keys come here first; a handler that zeroes the key keeps the
    /// grid from moving its current row.
    TKeyEvent OnKeyDown;

    /// The person double-clicked fetched row Row: it becomes current, then OnDblClick fires.
    /// Nothing happens when the grid is disabled or hidden.
    void DblClick(int Row);
    /// The person pressed Key: OnKeyDown fires, then Up, Down, Page Up, Page Down, Home and End
    /// move the current row (Down and Page Down past the last fetched row fetch the next page;
    /// End goes to the last row fetched).
    void KeyDown(uint16_t& Key, TShiftState Shift);
    /// The person clicked column Column's title: sorts by it, ascending, or the other way when it
    /// is already sorted by it.
    void TitleClick(int Column);

private:
    void Reopen(int MinimumRows, int KeepRow);
    int FetchRows(int Count);
    int SourceColumn(const std::string& FieldName) const;
    void ResolveColumns();
    void SortFetchedRows();
    void MoveTo(int Value);
    [[noreturn]] static void RangeError(const char* What, int Index);

    std::unique_ptr<TRowSource> FSource;
    bool FActive = false;
    bool FOwnColumns = false;  // columns were added by program
    int FPageSize = DefaultPageSize;
    std::vector<TGridColumn> FColumns;
    std::vector<int> FColumnFields;  // the source column each grid column shows, -1 for none
    std::vector<TGridRow> FRows;
    int FRow = -1;
    int FSortColumn = -1;
    bool FSortDescending = false;
};

}  // namespace zarix
