// The customers table the grid benchmarks read, made once per program in a file of its own.
#pragma once

#include "services/db/zarix_db.h"

#include <unistd.h>

#include <filesystem>
#include <string>

/// Opens `connection` on a new file named after `tag` and fills it with `rows` customers in one
/// statement; returns the file's path so other readers can open the same table.
inline std::string MakeCustomerTable(const std::string& connection, const std::string& tag, int rows) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("zarix_bench_" + tag + "_" + std::to_string(::getpid()) + ".db"))
            .string();
    std::filesystem::remove(path);
    zarix::DBInt().OpenConnection(connection, path);
    zarix::DBInt().ExecSQL(connection,
                           "CREATE TABLE Kontrahenci (KNTOrigid INTEGER PRIMARY KEY, KNTSkrot TEXT, KNTNazwa TEXT, "
                           "KNTNip TEXT, KNTEmail TEXT, KNTObrot INTEGER);"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                               std::to_string(rows) +
                               ") INSERT INTO Kontrahenci SELECT i, 'K' || i, 'Kontrahent numer ' || i, "
                               "printf('%010d', i * 7), 'k' || i || '@example.com', i * 100 FROM n");
    return path;
}
