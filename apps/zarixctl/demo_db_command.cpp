// demo-db: a database with the framework's tables, filled for two users of the sample plugins.
// It never overwrites what is at its path; --force replaces a sound SQLite database only, kept
// as FILE.bak. The database is built under a temporary name and renamed into place at the end,
// so a failure or a kill leaves no half-made file at the path.
#include "commands.h"

#include "database_file.h"
#include "demo_database.h"
#include "host_session.h"
#include "json_output.h"
#include "services/db/zarix_db.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

void FillDemoDatabase(const std::string& file, bool server) {
    // Closed however the filling ends, before the staged file goes.
    const THostConnection connection(file, TDBOpenMode::omCreate);
    zarixctl::FillDemoDatabase(server);
}

void PrintDemoJson(const std::string& database, const char* done, const std::optional<std::string>& backup) {
    TJson document = JsonDocument("demo-db");
    SetPath(document, "database", database);
    document["done"] = done;
    if (backup) SetPath(document, "backup", *backup);
    else document["backup"] = nullptr;
    document["users"] = {{{"user", 1}, {"login", "admin"}, {"fullName", "Administrator"}},
                         {{"user", 2}, {"login", "jan"}, {"fullName", "Jan Kowalski"}}};
    PrintJson(document);
}

// A server database is filled in place, in one transaction; it is never emptied or replaced,
// so without --force it must hold no tables at all.
int DemoServerDatabase(const std::string& url, bool force, bool json) {
    if (!force) {
        const THostConnection connection(url, TDBOpenMode::omExistingOnly);
        TDBQuery tables("SELECT count(*) AS n FROM information_schema.tables WHERE table_schema = current_schema()",
                        "DBCONN");
        tables.Open();
        if (tables.FieldByName("n") != "0") {
            std::cerr << "zarixctl: " << DisplayedLocation(url) << " already holds " << tables.FieldByName("n")
                      << " tables; demo-db never overwrites anything. --force rewrites only the demo users' rows "
                         "in it\n";
            return 1;
        }
    }
    FillDemoDatabase(url, true);
    if (json) PrintDemoJson(DisplayedLocation(url), "filled", std::nullopt);
    else
        std::cout << "filled " << DisplayedLocation(url)
                  << ": users 1 (admin) and 2 (Jan Kowalski, own toolbar and privileges)\n";
    return 0;
}

}  // namespace

int DemoDbCommand(const TArgs& args) {
    const std::string& file = args.Positional[0];
    const bool force = args.Force;
    if (IsServerURL(file)) return DemoServerDatabase(file, force, args.Json);
    // Decided once, on what was checked: a file that turns up meanwhile is never replaced.
    bool replacing = false;
    if (const std::optional<std::string> kind = ExistingPathKind(file)) {
        if (!force) {
            std::cerr << "zarixctl: " << file << " already exists (" << *kind
                      << "); demo-db never overwrites anything. --force replaces an SQLite database, keeping it as "
                      << file << ".bak\n";
            return 1;
        }
        if (const std::optional<std::string> refusal = ReplaceRefusal(file)) {
            std::cerr << "zarixctl: " << file << " is not replaced: " << *refusal << '\n';
            return 1;
        }
        replacing = true;
    } else if (const std::optional<std::string> journal = JournalBeside(file)) {
        std::cerr << "zarixctl: " << file << " is not created: " << *journal << '\n';
        return 1;
    }
    TStagedFile staged(file);
    FillDemoDatabase(staged.Path(), false);
    if (replacing) staged.InstallReplacing();
    else staged.InstallNew();
    if (args.Json) {
        PrintDemoJson(file, replacing ? "replaced" : "created", replacing ? std::optional(file + ".bak") : std::nullopt);
        return 0;
    }
    std::cout << "created " << file << ": users 1 (admin) and 2 (Jan Kowalski, own toolbar and privileges)";
    if (replacing) std::cout << "; the old database is " << file << ".bak";
    std::cout << '\n';
    return 0;
}

}  // namespace zarixctl
