// The row source interface and the source over rows a program holds.
#include "platform/ui/row_source.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <utility>

namespace zarix {

TRowSource::~TRowSource() = default;

TRowList::TRowList(std::vector<std::string> Columns, std::vector<TGridRow> Rows)
    : FColumns(std::move(Columns)), FRows(std::move(Rows)) {
    for (TGridRow& row : FRows) row.resize(FColumns.size());
}

TRowList::~TRowList() = default;

void TRowList::Open(int, bool) {
    FNext = 0;
    FActive = true;
}

void TRowList::Close() noexcept { FActive = false; }

std::string TRowList::ColumnName(int Index) const {
    if (Index < 0 || Index >= ColumnCount()) throw EListError("Row list column index out of bounds (" + IntToStr(Index) + ")");
    return FColumns[static_cast<std::size_t>(Index)];
}

int TRowList::Fetch(int Count, std::vector<TGridRow>& Rows) {
    if (!FActive || Count <= 0) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(Count), FRows.size() - FNext);
    Rows.insert(Rows.end(), FRows.begin() + static_cast<std::ptrdiff_t>(FNext),
                FRows.begin() + static_cast<std::ptrdiff_t>(FNext + n));
    FNext += n;
    return static_cast<int>(n);
}

}  // namespace zarix
