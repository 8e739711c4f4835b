// The data grid: opening, lazy fetching, sorting, the current row and the person's actions.
#include "platform/ui/db_grid.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui_change.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>
#include <utility>

namespace zarix {

ZARIX_DEFINE_CLASS(TDBGrid, ZARIX_PROPERTY(PageSize, PageSize, SetPageSize), ZARIX_PROPERTY(Row, Row, SetRow),
                   ZARIX_PROPERTY(SortColumn, SortColumn), ZARIX_PROPERTY(SortDescending, SortDescending),
                   ZARIX_PROPERTY(RowCount, RowCount), ZARIX_PROPERTY(Active, Active))

namespace {

const std::string kNoValue;

std::optional<double> NumberIn(const std::string& Text) {
    if (Text.empty()) return std::nullopt;
    double value = 0;
    const char* end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// Numbers by value come first, then other texts by their bytes (UTF-8 keeps code-point order).
bool SortsBefore(const std::string& a, const std::string& b) {
    const std::optional<double> x = NumberIn(a);
    const std::optional<double> y = NumberIn(b);
    if (x && y) return *x < *y;
    if (x || y) return x.has_value();
    return a < b;
}

}  // namespace

TDBGrid::TDBGrid(TComponent* AOwner) : TInputControl(AOwner) { SetBounds(0, 0, 320, 120); }

// The source goes with the grid; the front-end learns of that from the grid's own freeing.
TDBGrid::~TDBGrid() = default;

void TDBGrid::RangeError(const char* What, int Index) {
    throw EListError(std::string("Grid ") + What + " index out of bounds (" + IntToStr(Index) + ")");
}

void TDBGrid::SetRowSource(std::unique_ptr<TRowSource> Source) {
    Close();
    FSource = std::move(Source);
    FColumnFields.assign(FColumns.size(), -1);
    if (!FOwnColumns && !FColumns.empty()) {
        FColumns.clear();
        FColumnFields.clear();
        FSortColumn = -1;
        NotifyUIChange(this, "Columns");
    }
}

void TDBGrid::Open() {
    if (!FSource) {
        const std::string name = Name().empty() ? std::string("TDBGrid") : Name();
        throw EInvalidOperation("Grid " + name + " has no row source to open");
    }
    Reopen(FPageSize, 0);
}

void TDBGrid::Close() noexcept {
    if (FSource) FSource->Close();
    if (!FActive && FRows.empty()) return;
    FActive = false;
    FRows.clear();
    FRow = -1;
    NotifyUIChange(this, "Active");
    NotifyUIChange(this, "Rows");
    NotifyUIChange(this, "Row");
}

void TDBGrid::Refresh() {
    if (!FActive) {
        Open();
        return;
    }
    Reopen(std::max(RowCount(), FPageSize), FRow);
}

void TDBGrid::Reopen(int MinimumRows, int KeepRow) {
    const int before = FRow;
    const auto wantedField = [this] {
        return FSortColumn >= 0 && FSortColumn < static_cast<int>(FColumnFields.size())
                   ? FColumnFields[static_cast<std::size_t>(FSortColumn)]
                   : -1;
    };
    const bool sourceSorts = FSource->CanSort();
    FRows.clear();
    FActive = false;
    FRow = -1;
    try {
        int field = wantedField();
        FSource->Open(sourceSorts ? field : -1, FSortDescending);
        ResolveColumns();
        // The grid's columns were first known now: open again in the order asked for.
        if (sourceSorts && wantedField() != field) {
            field = wantedField();
            FSource->Open(field, FSortDescending);
        }
        FetchRows(std::max(MinimumRows, 1));
        if (!sourceSorts && wantedField() >= 0) SortFetchedRows();
    } catch (...) {
        FSource->Close();
        FRows.clear();
        NotifyUIChange(this, "Active");
        NotifyUIChange(this, "Rows");
        if (before != -1) NotifyUIChange(this, "Row");
        throw;
    }
    FActive = true;
    NotifyUIChange(this, "Active");
    NotifyUIChange(this, "Rows");
    FRow = FRows.empty() ? -1 : std::clamp(KeepRow, 0, RowCount() - 1);
    NotifyUIChange(this, "Row");
    if (FRow != before && OnRowChange) {
        const TNotifyEvent handler = OnRowChange;
        handler(this);
    }
}

int TDBGrid::FetchRows(int Count) {
    int added = 0;
    while (added < Count && !FSource->AtEnd()) {
        const int n = FSource->Fetch(Count - added, FRows);
        if (n <= 0) break;
        added += n;
    }
    return added;
}

void TDBGrid::SortFetchedRows() {
    FetchRows(INT_MAX);
    const int field = FColumnFields[static_cast<std::size_t>(FSortColumn)];
    const auto value = [field](const TGridRow& row) -> const std::string& {
        return field < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(field)] : kNoValue;
    };
    if (FSortDescending)
        std::stable_sort(FRows.begin(), FRows.end(),
                         [&](const TGridRow& a, const TGridRow& b) { return SortsBefore(value(b), value(a)); });
    else
        std::stable_sort(FRows.begin(), FRows.end(),
                         [&](const TGridRow& a, const TGridRow& b) { return SortsBefore(value(a), value(b)); });
}

int TDBGrid::SourceColumn(const std::string& FieldName) const {
    if (!FSource || !FSource->Active()) return -1;
    for (int i = 0; i < FSource->ColumnCount(); ++i)
        if (SameText(FSource->ColumnName(i), FieldName)) return i;
    return -1;
}

void TDBGrid::ResolveColumns() {
    if (!FOwnColumns) {
        std::vector<TGridColumn> columns;
        for (int i = 0; i < FSource->ColumnCount(); ++i) {
            const std::string name = FSource->ColumnName(i);
            // A width the person chose survives reading the rows again.
            const auto same = std::find_if(FColumns.begin(), FColumns.end(),
                                           [&](const TGridColumn& c) { return c.FieldName == name; });
            columns.push_back({name, name, same != FColumns.end() ? same->Width : DefaultColumnWidth});
        }
        const bool changed = columns.size() != FColumns.size() ||
                             !std::equal(columns.begin(), columns.end(), FColumns.begin(), [](const auto& a, const auto& b) {
                                 return a.FieldName == b.FieldName && a.Title == b.Title && a.Width == b.Width;
                             });
        if (changed) {
            if (FSortColumn >= static_cast<int>(columns.size())) FSortColumn = -1;
            FColumns = std::move(columns);
            NotifyUIChange(this, "Columns");
        }
    }
    FColumnFields.clear();
    for (const TGridColumn& c : FColumns) FColumnFields.push_back(SourceColumn(c.FieldName));
}

void TDBGrid::SetPageSize(int Value) { ChangeProperty(this, FPageSize, std::max(Value, 1), "PageSize"); }

const TGridColumn& TDBGrid::Columns(int Index) const {
    if (Index < 0 || Index >= ColumnCount()) RangeError("column", Index);
    return FColumns[static_cast<std::size_t>(Index)];
}

void TDBGrid::AddColumn(const std::string& FieldName, const std::string& Title, int Width) {
    if (!FOwnColumns) {
        FColumns.clear();
        FColumnFields.clear();
        FSortColumn = -1;
        FOwnColumns = true;
    }
    FColumns.push_back({FieldName, Title, std::max(Width, 0)});
    FColumnFields.push_back(SourceColumn(FieldName));
    NotifyUIChange(this, "Columns");
}

void TDBGrid::ClearColumns() {
    FOwnColumns = false;
    FColumns.clear();
    FColumnFields.clear();
    FSortColumn = -1;
    if (FActive) ResolveColumns();
    NotifyUIChange(this, "Columns");
}

void TDBGrid::SetColumnTitle(int Index, const std::string& Value) {
    if (Index < 0 || Index >= ColumnCount()) RangeError("column", Index);
    ChangeProperty(this, FColumns[static_cast<std::size_t>(Index)].Title, Value, "Columns");
}

void TDBGrid::SetColumnWidth(int Index, int Value) {
    if (Index < 0 || Index >= ColumnCount()) RangeError("column", Index);
    ChangeProperty(this, FColumns[static_cast<std::size_t>(Index)].Width, std::max(Value, 0), "Columns");
}

const std::string& TDBGrid::Cells(int Column, int Row) const {
    if (Column < 0 || Column >= ColumnCount()) RangeError("column", Column);
    if (Row < 0 || Row >= RowCount()) RangeError("row", Row);
    const int field = FColumnFields[static_cast<std::size_t>(Column)];
    const TGridRow& row = FRows[static_cast<std::size_t>(Row)];
    return field >= 0 && field < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(field)] : kNoValue;
}

const std::string& TDBGrid::FieldValue(int Row, const std::string& FieldName) const {
    if (Row < 0 || Row >= RowCount()) RangeError("row", Row);
    const int field = SourceColumn(FieldName);
    const TGridRow& row = FRows[static_cast<std::size_t>(Row)];
    if (field < 0 || field >= static_cast<int>(row.size()))
        throw EListError("Grid has no column \"" + FieldName + "\"");
    return row[static_cast<std::size_t>(field)];
}

const std::string& TDBGrid::CurrentValue(const std::string& FieldName) const {
    if (FRow < 0) throw EListError("Grid has no current row to read \"" + FieldName + "\" from");
    return FieldValue(FRow, FieldName);
}

void TDBGrid::SetRow(int Value) {
    if (Value < -1 || Value >= RowCount()) RangeError("row", Value);
    if (Value == FRow) return;
    FRow = Value;
    NotifyUIChange(this, "Row");
    if (OnRowChange) {
        const TNotifyEvent handler = OnRowChange;
        handler(this);
    }
}

void TDBGrid::SortBy(int Column, bool Descending) {
    if (Column < -1 || Column >= ColumnCount()) RangeError("column", Column);
    if (Column == -1) Descending = false;
    if (Column == FSortColumn && Descending == FSortDescending) return;
    FSortColumn = Column;
    FSortDescending = Descending;
    NotifyUIChange(this, "Sort");
    if (FActive) Reopen(FPageSize, 0);
}

bool TDBGrid::CanFetchMore() const noexcept { return FActive && !FSource->AtEnd(); }

int TDBGrid::FetchMore() {
    if (!CanFetchMore()) return 0;
    const std::size_t before = FRows.size();
    try {
        FetchRows(FPageSize);
    } catch (...) {
        // The rows read before the failure stay and are shown.
        if (FRows.size() != before) NotifyUIChange(this, "RowsFetched");
        throw;
    }
    if (FRows.size() != before) NotifyUIChange(this, "RowsFetched");
    return static_cast<int>(FRows.size() - before);
}

void TDBGrid::MoveTo(int Value) {
    while (Value >= RowCount() && CanFetchMore())
        if (FetchMore() == 0) break;
    if (RowCount() == 0) return;
    SetRow(std::clamp(Value, 0, RowCount() - 1));
}

void TDBGrid::DblClick(int Row) {
    if (!CanAct()) return;
    SetRow(Row);
    if (OnDblClick) {
        const TNotifyEvent handler = OnDblClick;
        handler(this);
    }
}

void TDBGrid::KeyDown(uint16_t& Key, TShiftState Shift) {
    if (!CanAct()) return;
    if (OnKeyDown) {
        const TKeyEvent handler = OnKeyDown;
        handler(this, Key, Shift);
    }
    switch (Key) {
        case VK_UP: MoveTo(std::max(FRow - 1, 0)); break;
        case VK_DOWN: MoveTo(FRow + 1); break;
        case VK_PRIOR: MoveTo(std::max(FRow - FPageSize, 0)); break;
        case VK_NEXT: MoveTo(FRow + FPageSize); break;
        case VK_HOME: MoveTo(0); break;
        case VK_END: MoveTo(RowCount() - 1); break;
        default: break;
    }
}

void TDBGrid::TitleClick(int Column) {
    if (!CanAct()) return;
    SortBy(Column, Column == FSortColumn && !FSortDescending);
}

}  // namespace zarix
