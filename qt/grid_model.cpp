// The grid model and view.
#include "qt/grid_model.h"

#include "qt/front_end.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace zarix::qt {

TGridModel::TGridModel(TDBGrid* Grid, QObject* Parent) : QAbstractTableModel(Parent), FGrid(Grid) {
    FRows = Grid->RowCount();
    FColumns = Grid->ColumnCount();
}

int TGridModel::rowCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FRows; }

int TGridModel::columnCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FColumns; }

QVariant TGridModel::data(const QModelIndex& Index, int Role) const {
    if (FGrid == nullptr || !Index.isValid() || (Role != Qt::DisplayRole && Role != Qt::ToolTipRole)) return {};
    if (Index.row() >= FGrid->RowCount() || Index.column() >= FGrid->ColumnCount()) return {};
    return QString::fromStdString(FGrid->Cells(Index.column(), Index.row()));
}

QVariant TGridModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (FGrid == nullptr || Role != Qt::DisplayRole) return {};
    if (Orientation == Qt::Vertical) return Section + 1;
    if (Section >= FGrid->ColumnCount()) return {};
    return QString::fromStdString(FGrid->Columns(Section).Title);
}

bool TGridModel::canFetchMore(const QModelIndex& Parent) const {
    return FGrid != nullptr && !Parent.isValid() && FGrid->CanFetchMore();
}

void TGridModel::fetchMore(const QModelIndex& Parent) {
    if (FGrid == nullptr || Parent.isValid()) return;
    TDBGrid* grid = FGrid;
    TQtFrontEnd::Guarded("TDBGrid.FetchMore", [grid] { grid->FetchMore(); });
    TakeAppendedRows();
}

void TGridModel::TakeAppendedRows() {
    if (FGrid == nullptr || FGrid->RowCount() <= FRows || FColumns != FGrid->ColumnCount()) return;
    beginInsertRows({}, FRows, FGrid->RowCount() - 1);
    FRows = FGrid->RowCount();
    endInsertRows();
}

void TGridModel::GridChanged(std::string_view What) {
    if (FGrid == nullptr) return;
    if (What == "RowsFetched" && FColumns == FGrid->ColumnCount()) {
        TakeAppendedRows();
    } else if (What == "Rows" || What == "Columns" || What == "Active" || What == "Sort" || What == "RowsFetched") {
        beginResetModel();
        FRows = FGrid->RowCount();
        FColumns = FGrid->ColumnCount();
        endResetModel();
    }
}

void TGridModel::Detach() {
    beginResetModel();
    FGrid = nullptr;
    FRows = FColumns = 0;
    endResetModel();
}

TGridView::TGridView(TDBGrid* Grid, QWidget* Parent) : QTableView(Parent), FGrid(Grid), FModel(new TGridModel(Grid, this)) {
    setModel(FModel);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    ShowColumns();
    ShowRow();
    QObject::connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                     [this](const QModelIndex& current) {
                         if (FUpdating || FGrid == nullptr || !current.isValid()) return;
                         TDBGrid* grid = FGrid;
                         const int row = current.row();
                         TQtFrontEnd::Guarded("TDBGrid.SetRow", [grid, row] { grid->SetRow(row); });
                     });
    QObject::connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (FGrid == nullptr || !index.isValid()) return;
        TDBGrid* grid = FGrid;
        const int row = index.row();
        TQtFrontEnd::Guarded("TDBGrid.DblClick", [grid, row] { grid->DblClick(row); });
    });
    QObject::connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (FGrid == nullptr) return;
        TDBGrid* grid = FGrid;
        TQtFrontEnd::Guarded("TDBGrid.TitleClick", [grid, column] { grid->TitleClick(column); });
    });
    QObject::connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (FUpdating || FGrid == nullptr || column >= FGrid->ColumnCount()) return;
        TDBGrid* grid = FGrid;
        TQtFrontEnd::Guarded("TDBGrid.SetColumnWidth", [grid, column, width] { grid->SetColumnWidth(column, width); });
    });
}

TGridView::~TGridView() = default;

void TGridView::Detach() {
    FGrid = nullptr;
    FModel->Detach();
}

void TGridView::ShowColumns() {
    if (FGrid == nullptr) return;
    FUpdating = true;
    for (int i = 0; i < FGrid->ColumnCount(); ++i) setColumnWidth(i, FGrid->Columns(i).Width);
    if (FGrid->SortColumn() >= 0)
        horizontalHeader()->setSortIndicator(FGrid->SortColumn(), FGrid->SortDescending() ? Qt::DescendingOrder
                                                                                          : Qt::AscendingOrder);
    horizontalHeader()->setSortIndicatorShown(FGrid->SortColumn() >= 0);
    FUpdating = false;
}

void TGridView::ShowRow() {
    if (FGrid == nullptr) return;
    FUpdating = true;
    if (FGrid->Row() >= 0 && FGrid->Row() < FModel->rowCount()) {
        const QModelIndex index = FModel->index(FGrid->Row(), std::max(currentIndex().column(), 0));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    FUpdating = false;
}

void TGridView::GridChanged(std::string_view What) {
    if (FGrid == nullptr) return;
    FModel->GridChanged(What);
    if (What != "Row" && What != "RowsFetched") ShowColumns();
    if (What != "RowsFetched" || FGrid->Row() >= 0) ShowRow();
}

void TGridView::keyPressEvent(QKeyEvent* Event) {
    // The keys the grid acts on itself go to it first; it moves its row and the view follows.
    uint16_t key = 0;
    switch (Event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: key = VK_RETURN; break;
        case Qt::Key_Up: key = VK_UP; break;
        case Qt::Key_Down: key = VK_DOWN; break;
        case Qt::Key_PageUp: key = VK_PRIOR; break;
        case Qt::Key_PageDown: key = VK_NEXT; break;
        case Qt::Key_Home: key = VK_HOME; break;
        case Qt::Key_End: key = VK_END; break;
        default: QTableView::keyPressEvent(Event); return;
    }
    if (FGrid == nullptr) return;
    TShiftState shift = 0;
    if (Event->modifiers() & Qt::ShiftModifier) shift |= ssShift;
    if (Event->modifiers() & Qt::ControlModifier) shift |= ssCtrl;
    if (Event->modifiers() & Qt::AltModifier) shift |= ssAlt;
    TDBGrid* grid = FGrid;
    TQtFrontEnd::Guarded("TDBGrid.KeyDown", [grid, &key, shift] { grid->KeyDown(key, shift); });
    Event->accept();
}

}  // namespace zarix::qt
