// A data grid over a 100,000-row SQLite table mirrored into Qt, from opening it to the first
// paint of its rows, against Qt's own QSqlQueryModel in a QTableView over the same table: the
// time, and the heap each holds once painted.
#include "bench_customer_table.h"
#include "bench_ratio.h"
#include "qt_first_paint.h"

#include "platform/ui/db_grid.h"
#include "platform/ui/forms.h"
#include "qt/front_end.h"
#include "services/db/query_rows.h"
#include "services/db/zarix_db.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace zarix;

constexpr int kRows = 100'000;
constexpr const char* kConnection = "BENCHQTGRID";
constexpr const char* kQtConnection = "benchqtgrid";
constexpr const char* kSelect = "SELECT * FROM Kontrahenci";

const std::string& DatabaseFile() {
    static const std::string file = [] {
        const std::string path = MakeCustomerTable(kConnection, "qt_grid", kRows);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(kQtConnection));
        db.setDatabaseName(QString::fromStdString(path));
        if (!db.open()) std::fprintf(stderr, "cannot open the table through Qt's SQLite driver\n");
        return path;
    }();
    return file;
}

// The paint that shows the rows: the viewport of a table view.
bool IsTableViewport(QObject* Object) {
    auto* widget = qobject_cast<QWidget*>(Object);
    auto* view = widget != nullptr ? qobject_cast<QTableView*>(widget->parentWidget()) : nullptr;
    return view != nullptr && view->viewport() == widget;
}

// The framework's way: a window holding a grid over the query, which the front-end shows.
struct TMirroredGrid {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TDBGrid* Grid = nullptr;
    bool Open() {
        Form->SetBounds(0, 0, 800, 600);
        Grid = new TDBGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetAlign(alClient);
        Grid->SetRowSource(std::make_unique<TQueryRows>(kSelect, kConnection));
        return ShowUntilPainted(
            [&] {
                Grid->Open();
                Form->Show();
            },
            IsTableViewport);
    }
};

// Qt's way over the same table.
struct TQtGrid {
    std::unique_ptr<QSqlQueryModel> Model = std::make_unique<QSqlQueryModel>();
    std::unique_ptr<QTableView> View = std::make_unique<QTableView>();
    bool Open() {
        View->resize(800, 600);
        return ShowUntilPainted(
            [&] {
                Model->setQuery(QSqlQuery(QString::fromLatin1(kSelect), QSqlDatabase::database(QString::fromLatin1(kQtConnection))));
                View->setModel(Model.get());
                View->show();
            },
            IsTableViewport);
    }
};

template <class TGrid>
void OpenToFirstPaint(benchmark::State& state) {
    DatabaseFile();
    qt::TQtFrontEnd frontEnd;
    for (auto _ : state) {
        auto grid = std::make_unique<TGrid>();
        const bool painted = grid->Open();
        state.PauseTiming();
        grid.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!painted) {
            state.SkipWithError("the grid was not painted");
            break;
        }
        state.ResumeTiming();
    }
}

void BM_MirroredGridFirstPaint(benchmark::State& state) { OpenToFirstPaint<TMirroredGrid>(state); }
void BM_QSqlQueryModelFirstPaint(benchmark::State& state) { OpenToFirstPaint<TQtGrid>(state); }
BENCHMARK(BM_MirroredGridFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_QSqlQueryModelFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();

// The heap a grid holds once painted, the second time it is opened: the first warms the
// connection's page cache and Qt's own caches, which are not the grid's.
template <class TGrid>
std::size_t HeapOfOpenGrid() {
    qt::TQtFrontEnd frontEnd;
    for (int pass = 0; pass < 2; ++pass) {
        const std::size_t before = HeapInUse();
        auto grid = std::make_unique<TGrid>();
        grid->Open();
        const std::size_t after = HeapInUse();
        grid.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (pass == 1) return after > before ? after - before : 0;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    TBenchApplication app(argc, argv);
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    const double qtTime = reporter.Time("BM_QSqlQueryModelFirstPaint/real_time");
    if (qtTime > 0)
        reporter.PrintRatio("grid_first_paint_over_qsqlquerymodel", reporter.Time("BM_MirroredGridFirstPaint/real_time") / qtTime, 1.5);
    const std::size_t ours = HeapOfOpenGrid<TMirroredGrid>();
    const std::size_t theirs = HeapOfOpenGrid<TQtGrid>();
    std::printf("heap of an open grid: %zu bytes mirrored, %zu bytes QSqlQueryModel\n", ours, theirs);
    if (theirs > 0) reporter.PrintRatio("grid_heap_over_qsqlquerymodel", static_cast<double>(ours) / theirs, 1.5);
    QSqlDatabase::database(QString::fromLatin1(kQtConnection)).close();
    QSqlDatabase::removeDatabase(QString::fromLatin1(kQtConnection));
    DBInt().CloseConnection(kConnection);
    std::filesystem::remove(DatabaseFile());
    return 0;
}
