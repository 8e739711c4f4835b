// The databases the command tests start from: the demo one with a user of its own, and one
// with a damaged table.
#pragma once

#include "zarixctl_run.h"

#include "services/db/integrity.h"
#include "services/db/zarix_db.h"

namespace zarixctl_test {

inline const std::string kPlugins = PLUGIN_DIR;

/// The demo database with one more user, 7, so a replacement by a new demo one shows.
inline void MakeDatabase(const fs::path& path) {
    ASSERT_EQ(Zarixctl({"demo-db", path}).Exit, 0);
    zarix::DBInt().OpenConnection("TEST", path);
    zarix::DBInt().ExecSQL("TEST", "INSERT INTO Users VALUES (7, 'ewa', 'Ewa Nowak', 0)");
    zarix::DBInt().CloseConnection("TEST");
}

/// A database whose table Notatki has its root page overwritten with garbage.
inline void MakeDamagedDatabase(const fs::path& path) {
    MakeDatabase(path);
    zarix::DBInt().OpenConnection("TEST", path);
    // Enough rows for the table's root to be an interior page over many leaves.
    zarix::DBInt().ExecSQL("TEST", "CREATE TABLE Notatki (a TEXT); "
                                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                                   "INSERT INTO Notatki SELECT printf('%0200d', i) FROM n");
    zarix::TDBQuery page("SELECT (SELECT rootpage FROM sqlite_master WHERE name = 'Notatki') AS root, "
                         "(SELECT page_size FROM pragma_page_size) AS size", "TEST");
    page.Open();
    const long root = std::stol(page.FieldByName("root")), size = std::stol(page.FieldByName("size"));
    page.Close();
    zarix::DBInt().CloseConnection("TEST");
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((root - 1) * size);
    file << std::string(static_cast<std::size_t>(size), '\x5a');
    file.close();
    zarix::DBInt().OpenConnection("TEST", path);
    const std::vector<std::string> problems = zarix::QuickCheck("TEST");
    zarix::DBInt().CloseConnection("TEST");
    ASSERT_FALSE(problems.empty()) << "the garbage page went unnoticed";
}

}  // namespace zarixctl_test
