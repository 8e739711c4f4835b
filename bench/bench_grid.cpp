// Opening a data grid over a 100,000-row SQLite table to its first page, against a plain
// sqlite3 prepare and step of the same first page read as text, in the same run.
#include "bench_customer_table.h"
#include "bench_ratio.h"

#include "platform/ui/db_grid.h"
#include "services/db/query_rows.h"
#include "services/db/zarix_db.h"

#include <sqlite3.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace zarix;

constexpr int kRows = 100'000;
constexpr const char* kConnection = "BENCHGRID";
constexpr const char* kSelect = "SELECT * FROM Kontrahenci";

// The table, in a file both the framework and the plain reader open.
const std::string& DatabaseFile() {
    static const std::string file = MakeCustomerTable(kConnection, "grid", kRows);
    return file;
}

void BM_GridFirstPage(benchmark::State& state) {
    DatabaseFile();
    TDBGrid grid(nullptr);
    grid.SetRowSource(std::make_unique<TQueryRows>(kSelect, kConnection));
    for (auto _ : state) {
        grid.Open();
        benchmark::DoNotOptimize(grid.Cells(1, grid.RowCount() - 1));
    }
    if (grid.RowCount() != TDBGrid::DefaultPageSize) state.SkipWithError("the grid did not stop at its first page");
}

void BM_PlainSqliteFirstPage(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(DatabaseFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the benchmark database");
    std::vector<std::vector<std::string>> rows;
    for (auto _ : state) {
        rows.clear();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
        const int columns = sqlite3_column_count(stmt);
        while (static_cast<int>(rows.size()) < TDBGrid::DefaultPageSize && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string>& row = rows.emplace_back();
            for (int c = 0; c < columns; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.emplace_back(text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
            }
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(rows.back()[1]);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_GridFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainSqliteFirstPage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    const double plain = reporter.Time("BM_PlainSqliteFirstPage");
    if (plain > 0) reporter.PrintRatio("grid_first_page_over_plain_sqlite", reporter.Time("BM_GridFirstPage") / plain, 1.5);
    DBInt().CloseConnection(kConnection);
    std::filesystem::remove(DatabaseFile());
    return 0;
}
