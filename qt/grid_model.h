// A data grid as a QAbstractTableModel over the grid's fetched rows, answering canFetchMore and
// fetchMore in the grid's pages, shown in a QTableView.
#pragma once

#include "platform/ui/db_grid.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

#include <string_view>

namespace zarix::qt {

class TGridModel : public QAbstractTableModel {
public:
    explicit TGridModel(TDBGrid* Grid, QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
    bool canFetchMore(const QModelIndex& Parent) const override;
    void fetchMore(const QModelIndex& Parent) override;

    /// The grid reported a change: the rows, the columns or the sort order.
    void GridChanged(std::string_view What);
    /// The grid is going: nothing may read it any more.
    void Detach();

private:
    void TakeAppendedRows();

    TDBGrid* FGrid;
    int FRows = 0;     // the rows the views were told of
    int FColumns = 0;
};

/// The view of a grid: clicks, double clicks, keys, title clicks and column drags go to the
/// grid's own methods; the grid's current row and column widths come back to the view.
class TGridView : public QTableView {
public:
    explicit TGridView(TDBGrid* Grid, QWidget* Parent);
    ~TGridView() override;
    /// Shows a change of the grid.
    void GridChanged(std::string_view What);
    void Detach();

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void ShowRow();
    void ShowColumns();

    TDBGrid* FGrid;
    TGridModel* FModel;
    bool FUpdating = false;
};

}  // namespace zarix::qt
