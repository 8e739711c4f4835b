// dbcheck: the plugins' three-pass database check on a database, its progress window drawn in
// the terminal, then what each module changed. The database's version is the host's business:
// it lives in the parameter "Administracja|WersjaBazy" of user 0, read before the check and
// raised to the highest version the loaded modules need after it.
#include "commands.h"

#include "database_file.h"
#include "dbcheck_guards.h"
#include "demo_database.h"
#include "host_session.h"
#include "json_output.h"
#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"
#include "plugin/plugin_utils.h"
#include "services/controls/progress_form.h"
#include "services/db/integrity.h"
#include "services/db/parameters.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"
#include "version_option.h"
#include "version_text.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

namespace zarixctl {

using namespace zarix;

namespace {

// What the tool compares before and after each module's step: the schema objects with their
// definitions, each table's columns and row count.
struct TSnapshot {
    std::map<std::string, std::string> Objects;  // "type name" -> definition
    std::map<std::string, std::vector<std::string>> Columns;
    std::map<std::string, int64_t> Rows;
};

// A server's schema objects, as the server spells them (names in lower case); functions of
// extensions are the extension's, not the modules'.
constexpr const char* kServerObjects = R"sql(
    SELECT 'table' AS type, table_name AS name, '' AS sql FROM information_schema.tables
    WHERE table_schema = current_schema() AND table_type = 'BASE TABLE'
    UNION ALL SELECT 'view', viewname, definition FROM pg_views WHERE schemaname = current_schema()
    UNION ALL SELECT 'trigger', t.tgname, pg_get_triggerdef(t.oid) FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid
    WHERE c.relnamespace = current_schema()::regnamespace AND NOT t.tgisinternal
    UNION ALL SELECT 'function', p.proname, pg_get_functiondef(p.oid) FROM pg_proc p
    WHERE p.pronamespace = current_schema()::regnamespace
      AND NOT EXISTS (SELECT 1 FROM pg_depend d WHERE d.objid = p.oid AND d.deptype = 'e')
    ORDER BY 1, 2)sql";

TSnapshot TakeSnapshot() {
    TSnapshot s;
    const bool server = DBInt().Dialect("DBCONN") == TDBDialect::dbPostgreSQL;
    TDBQuery objects(server ? kServerObjects
                            : "SELECT type, name, coalesce(sql, '') AS sql FROM sqlite_master "
                              "WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY type, name",
                     "DBCONN");
    std::vector<std::string> tables;
    for (objects.Open(); !objects.Eof(); objects.Next()) {
        s.Objects[objects.FieldByName("type") + " " + objects.FieldByName("name")] = objects.FieldByName("sql");
        if (objects.FieldByName("type") == "table") tables.push_back(objects.FieldByName("name"));
    }
    objects.Close();
    for (const std::string& table : tables) {
        TDBQuery columns(server ? "SELECT column_name AS name FROM information_schema.columns "
                                  "WHERE table_schema = current_schema() AND table_name = ? ORDER BY ordinal_position"
                                : "SELECT name FROM pragma_table_info(?)",
                         "DBCONN");
        columns.Bind(1, Variant(table));
        for (columns.Open(); !columns.Eof(); columns.Next()) s.Columns[table].push_back(columns.FieldByName("name"));
        // The name comes from the catalogue; quoting it keeps any name a valid identifier.
        std::string quoted = "\"";
        for (const char c : table) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        TDBQuery count("SELECT count(*) AS n FROM " + quoted + "\"", "DBCONN");
        count.Open();
        s.Rows[table] = StrToInt64(count.FieldByName("n"));
    }
    return s;
}

std::string Plural(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 || n == -1 ? one : many);
}

// What changed between two snapshots, one line each.
std::vector<std::string> Differences(const TSnapshot& before, const TSnapshot& after) {
    std::vector<std::string> changes;
    for (const auto& [key, sql] : after.Objects) {
        const auto old = before.Objects.find(key);
        if (old == before.Objects.end()) changes.push_back("created " + key);
        else if (old->second != sql && key.rfind("table ", 0) != 0) changes.push_back("recreated " + key);
    }
    for (const auto& [key, sql] : before.Objects)
        if (!after.Objects.count(key)) changes.push_back("dropped " + key);
    for (const auto& [table, columns] : after.Columns) {
        const auto old = before.Columns.find(table);
        if (old == before.Columns.end()) continue;
        for (const std::string& column : columns)
            if (std::find(old->second.begin(), old->second.end(), column) == old->second.end())
                changes.push_back("added column " + table + "." + column);
    }
    for (const auto& [table, rows] : after.Rows) {
        const auto old = before.Rows.find(table);
        const int64_t delta = rows - (old == before.Rows.end() ? 0 : old->second);
        if (delta > 0) changes.push_back("inserted " + Plural(delta, "row", "rows") + " into " + table);
        if (delta < 0) changes.push_back("deleted " + Plural(-delta, "row", "rows") + " from " + table);
    }
    return changes;
}

// One step of the check as the progress window announced it: "Weryfikacja struktury modułu: "
// and the module's display name.
struct TStep {
    std::string Text;
    std::string Module;
    std::string Pass;
    std::vector<std::string> Changes;
};

// The progress window's three texts before the module's name: verifying the module's
// structure (tables), procedures (views, triggers and stored functions) and data.
TStep StepOf(const std::string& text) {
    static const std::pair<const char*, const char*> passes[] = {
        {"Weryfikacja struktury modułu: ", "tables"},
        {"Weryfikacja procedur modułu: ", "views and triggers"},
        {"Weryfikacja danych modułu: ", "data"},
    };
    for (const auto& [prefix, pass] : passes)
        if (text.rfind(prefix, 0) == 0) return {text, text.substr(std::string(prefix).size()), pass, {}};
    return {text, "", "", {}};
}

// Draws the progress window from the UI change handler: in place on a terminal, else one line
// each time its text changes, showing the bar as it stood when the step was done. Each change
// of text also closes the step before it, which gets what changed in the database since.
class TProgressView {
public:
    TProgressView(bool Terminal, bool Quiet) : FTerminal(Terminal), FQuiet(Quiet), FLast(TakeSnapshot()) {
        FPrevious = SetUIChangeHandler([this](const TUIChange& change) { Changed(change); });
    }
    ~TProgressView() { SetUIChangeHandler(std::move(FPrevious)); }
    TProgressView(const TProgressView&) = delete;
    TProgressView& operator=(const TProgressView&) = delete;

    /// Ends the drawing and gives the last step what it changed.
    void Finish() {
        CloseStep();
        Flush();
        if (FTerminal && FDrawn) std::cout << '\n';
        FDrawn = false;
    }
    const std::vector<TStep>& Steps() const noexcept { return FSteps; }
    const std::vector<std::string>& Lines() const noexcept { return FLines; }
    /// The text of the step that was running, empty before the first.
    std::string Current() const { return FText; }

private:
    void Changed(const TUIChange& change) {
        // Only the window's text and bar are drawn; its place and visibility are not.
        const auto* window = dynamic_cast<const TProgressFrm*>(change.Sender);
        if (window == nullptr || (change.What != "TextLine" && change.What != "Max" && change.What != "Position" &&
                                  change.What != "Step"))
            return;
        // The check sets the text once before each module's call, so every setting is a step,
        // even one that repeats the text of the step before it.
        if (change.What == "TextLine") {
            CloseStep();
            Flush();
            FText = window->TextLine();
            if (StepOf(FText).Module.empty()) FOpenStep.reset();
            else FOpenStep = StepOf(FText);
        }
        FBar = window->Bar();
        const std::string line = Render();
        if (FTerminal && !FQuiet) {
            std::cout << '\r' << line << "\x1b[K" << std::flush;
            FDrawn = true;
        }
        FPending = line;
    }
    std::string Render() const {
        constexpr int kWidth = 20;
        const int max = FBar.Max > 0 ? FBar.Max : 1;
        const int filled = std::clamp(FBar.Position, 0, max) * kWidth / max;
        std::ostringstream out;
        out << '[' << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << (FBar.Position < 10 ? " " : "")
            << FBar.Position << '/' << FBar.Max << "  " << FText;
        return out.str();
    }
    void Flush() {
        if (!FPending) return;
        FLines.push_back(FText);
        if (!FTerminal && !FQuiet) std::cout << *FPending << '\n';
        FPending.reset();
    }
    void CloseStep() {
        TSnapshot now = TakeSnapshot();
        if (FOpenStep) {
            FOpenStep->Changes = Differences(FLast, now);
            FSteps.push_back(std::move(*FOpenStep));
            FOpenStep.reset();
        }
        FLast = std::move(now);
    }

    bool FTerminal, FQuiet, FDrawn = false;
    TSnapshot FLast;
    TUIChangeHandler FPrevious;
    std::string FText;
    TProgressBar FBar;
    std::optional<std::string> FPending;
    std::optional<TStep> FOpenStep;
    std::vector<TStep> FSteps;
    std::vector<std::string> FLines;
};

// The modules in the order of the steps, each with its passes' changes.
void PrintSummary(const std::vector<TStep>& steps) {
    if (steps.empty()) std::cout << "  (no module was loaded)\n";
    std::vector<std::string> modules;
    for (const TStep& s : steps)
        if (std::find(modules.begin(), modules.end(), s.Module) == modules.end()) modules.push_back(s.Module);
    for (const std::string& module : modules) {
        std::vector<std::string> lines;
        for (const TStep& s : steps)
            if (s.Module == module)
                for (const std::string& c : s.Changes) lines.push_back(s.Pass + ": " + c);
        std::cout << "  " << module << (lines.empty() ? ": nothing to do" : "") << '\n';
        for (const std::string& line : lines) std::cout << "    " << line << '\n';
    }
}

TJson CheckDocument(const std::string& db, const std::optional<std::string>& error) {
    TJson document = JsonDocument("dbcheck");
    SetPath(document, "database", db);
    document["error"] = error ? TJson(*error) : TJson(nullptr);
    return document;
}

void PrintCheckJson(const std::string& db, const std::string& before, const std::string& after,
                    const TProgressView& view, const std::optional<std::string>& error) {
    TJson document = CheckDocument(db, error);
    document["versionBefore"] = before;
    document["versionAfter"] = after;
    document["progress"] = view.Lines();
    document["steps"] = TJson::array();
    for (const TStep& s : view.Steps())
        document["steps"].push_back({{"module", s.Module}, {"pass", s.Pass}, {"changes", s.Changes}});
    PrintJson(document);
}

int RunCheck(const TArgs& args, const std::string& file) {
    const std::optional<std::string>& given = args.Version;
    THostSession session(args, TDBOpenMode::omCreate);
    if (!session.Failures.empty()) {
        // A module that did not load would miss its upgrade while the database's version moved on.
        session.PrintFailures();
        std::cerr << "zarixctl: the check needs every module; nothing was done\n";
        return 1;
    }

    // The whole check is one transaction: a module that fails leaves the database as it was.
    DBInt().ExecSQL("DBCONN", "BEGIN IMMEDIATE");
    std::string before, after;
    std::optional<std::string> error;
    std::optional<TProgressView> view;
    bool modulesDone = false;  // after that, a failure is no module's step
    try {
        CreateZarixTables("DBCONN");
        const std::string stored = ParameterMgr().GetParameterValue(kVersionParameter, 0, 0, 0, 0, 0);
        if (given) RequireNotBackwards(*given, stored);
        before = given ? *given : stored;
        if (!args.Json)
            std::cout << "Database " << DisplayedLocation(file) << ", version " << (before.empty() ? "(new database)" : before) << ", "
                      << Plural(session.Manager->PluginCount(), "module", "modules") << " to check\n";
        view.emplace(isatty(STDOUT_FILENO) == 1, args.Json);
        try {
            session.Manager->DatabaseCheckBroadcast(before, true);
        } catch (...) {
            // The module's error is the one to report, not a failure to draw what came before it.
            try {
                view->Finish();
            } catch (const std::exception&) {
            }
            throw;
        }
        view->Finish();
        modulesDone = true;
        after = NewVersion(*session.Manager, before);
        if (!after.empty() && after != stored) ParameterMgr().SetParameterValue(kVersionParameter, 0, after);
        // What the modules wrote must leave a sound database; a damaged one is never committed.
        if (const std::vector<std::string> problems = QuickCheck("DBCONN"); !problems.empty())
            throw Exception("the checked database fails SQLite's quick check: " + ProblemsText(problems));
        DBInt().ExecSQL("DBCONN", "COMMIT");
    } catch (const std::exception& e) {
        // SQLite may have ended the transaction itself after some errors; then there is
        // nothing left to roll back.
        try {
            DBInt().ExecSQL("DBCONN", "ROLLBACK");
        } catch (const EDatabaseError&) {
        }
        const std::string where =
            view && !modulesDone && !view->Current().empty() ? " at \"" + view->Current() + "\"" : "";
        error = "the check stopped" + where + ": " + e.what();
        after = before;
    }

    // The error goes to standard error in both forms; the document carries it as well.
    if (error) std::cerr << "zarixctl: " << *error << "\nzarixctl: nothing was written; the database is as it was\n";
    if (args.Json) {
        if (view) PrintCheckJson(DisplayedLocation(file), before, after, *view, error);
        else PrintJson(CheckDocument(DisplayedLocation(file), error));
    } else if (!error) {
        std::cout << "What each module did:\n";
        PrintSummary(view->Steps());
        std::cout << "Database version: " << (before.empty() ? "(new database)" : before);
        if (after != before) std::cout << " -> " << after;
        else std::cout << " (unchanged)";
        std::cout << '\n';
    }
    return error ? 1 : 0;
}

}  // namespace

int DbCheckCommand(const TArgs& args) {
    const std::optional<std::string>& file = args.Db;
    if (!file) throw Exception("dbcheck needs --db FILE");
    if (const std::optional<std::string>& given = args.Version; given && !given->empty())
        if (const std::optional<std::string> problem = VersionOptionProblem(*given)) {
            std::cerr << "zarixctl: --version \"" << *given << "\" is not a version: " << *problem << '\n';
            return 2;
        }
    RequirePluginFolder(args);

    // FILE may be new, but only in a folder that exists: a mistyped folder is an error. A server
    // database always exists already and is never removed; the server keeps it sound.
    const bool server = IsServerURL(*file);
    const bool existed = server || ExistingPathKind(*file).has_value();
    if (existed && !server) {
        if (const std::vector<std::string> problems = ExistingDatabaseProblems(*file); !problems.empty()) {
            const std::string error = "the database is damaged (" + ProblemsText(problems) + ")";
            std::cerr << "zarixctl: " << *file << ": " << error
                      << "; the check was not started and nothing was written\n";
            if (args.Json) PrintJson(CheckDocument(*file, error));
            return 1;
        }
    } else if (const std::filesystem::path folder = std::filesystem::path(*file).parent_path();
               !server && !folder.empty() && !std::filesystem::is_directory(folder)) {
        std::cerr << "zarixctl: " << *file << ": no such folder " << folder.string() << '\n';
        return 1;
    }
    // A database this run made and could not check is no database at all.
    const auto forgetNew = [&] {
        if (existed) return;
        std::filesystem::remove(*file);
        std::filesystem::remove(*file + "-journal");
    };
    int status = 1;
    try {
        status = RunCheck(args, *file);
    } catch (...) {
        forgetNew();
        throw;
    }
    if (status != 0) forgetNew();
    return status;
}

}  // namespace zarixctl
