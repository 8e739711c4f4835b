// Opening only an existing database, and the quick check of a file and of a connection.
#include "db_fixture.h"

#include "services/db/integrity.h"

#include <gmock/gmock.h>

#include <fstream>

namespace integrity_test {

using namespace zarix;
using ::testing::HasSubstr;
using Integrity = DatabaseTest;

TEST_F(Integrity, OpeningAnExistingDatabaseOnlyRefusesOtherPathsAndMakesNothing) {
    const std::string missing = TempFile("missing.sqlite");
    const std::string folder = TempFile("folder.sqlite");
    std::filesystem::create_directory(folder);
    const struct {
        std::string Path;
        const char* Reason;
    } rows[] = {
        {missing, "no such database file"},
        {missing + "/below.sqlite", "no such database file"},
        {folder, "it is a folder, not a database file"},
        {"/dev/null", "it is not a regular file"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ErrorOf([&] { DBInt().OpenConnection("Tylko", row.Path, TDBOpenMode::omExistingOnly); }),
                  "Cannot open database \"" + row.Path + "\" as connection \"Tylko\": " + row.Reason);
        EXPECT_FALSE(DBInt().HasConnection("Tylko"));
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    DBInt().OpenConnection("Tylko", missing);  // the ordinary mode still creates it
    DBInt().CloseConnection("Tylko");
    DBInt().OpenConnection("Tylko", missing, TDBOpenMode::omExistingOnly);
    EXPECT_TRUE(QuickCheck("Tylko").empty());
    DBInt().CloseConnection("Tylko");
    EXPECT_THROW(QuickCheck("Tylko"), EDatabaseError);
}

TEST_F(Integrity, AFileIsASoundDatabaseOnlyWithTheHeaderAndAPassingCheck) {
    const std::string sound = TempFile("sound.sqlite"), text = TempFile("text.sqlite"), empty = TempFile("empty"),
                      damaged = TempFile("damaged.sqlite");
    DBInt().OpenConnection("Plik", sound);
    DBInt().ExecSQL("Plik", "CREATE TABLE t (a); INSERT INTO t VALUES (1)");
    DBInt().CloseConnection("Plik");
    std::ofstream(text) << "SQLite format 2 but really a text file, long enough to fill a header of one hundred bytes";
    std::ofstream{empty};
    // The header's page size (bytes 16-17) of 3 is none SQLite accepts.
    std::filesystem::copy_file(sound, damaged);
    std::fstream(damaged, std::ios::in | std::ios::out | std::ios::binary).seekp(16).write("\0\3", 2);

    EXPECT_EQ(DatabaseFileProblem(sound), std::nullopt);
    EXPECT_THAT(DatabaseFileProblem(text).value_or(""), HasSubstr("no SQLite header"));
    EXPECT_THAT(DatabaseFileProblem(empty).value_or(""), HasSubstr("no SQLite header"));
    EXPECT_THAT(DatabaseFileProblem(damaged).value_or(""), HasSubstr("not a database"));
    EXPECT_THAT(DatabaseFileProblem(TempFile("none")).value_or(""), HasSubstr("cannot be read"));
    EXPECT_FALSE(std::filesystem::exists(TempFile("none")));
}

}  // namespace integrity_test
