// The command line, parsed by CLI11: one subcommand per command, each taking only the options
// that apply to it, so a mistyped or misplaced option is a usage error instead of being ignored.
#include "command_line.h"

#include "commands.h"
#include "zarix/version.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <regex>
#include <vector>

namespace zarixctl {

namespace {

constexpr const char* kExitCodes =
    "Exit status: 0 success; 1 a failure the tool reported (a refused plugin, a failed check, a\n"
    "database it would not touch); 2 wrong usage (an unknown command or option, an option the\n"
    "command does not take, a missing value or argument). Errors go to standard error.";

constexpr const char* kJsonNotes =
    "With --json every command writes one JSON object whose \"schema\" names its shape\n"
    "(\"zarixctl.COMMAND/1\"); keys are camelCase. Bytes of a text that are not UTF-8 become\n"
    "U+FFFD; a path that is not UTF-8 also comes as hex bytes in the key beside it ending in\n"
    "\"Bytes\" (\"file\" and \"fileBytes\"), so it is never lost.";

constexpr const char* kDatabaseHelp =
    "an SQLite database file, or a server database: postgresql://user@host/db or "
    "postgresql:///db?host=/socket/folder";

struct TCommand {
    CLI::App* App;
    int (*Run)(const TArgs&);
};

CLI::Option* AddText(CLI::App& command, const char* name, std::optional<std::string>& into, const char* type,
                     const std::string& help) {
    return command.add_option_function<std::string>(name, [&into](const std::string& value) { into = value; }, help)
        ->type_name(type);
}

CLI::Option* AddOperand(CLI::App& command, const char* name, std::vector<std::string>& into, const std::string& help) {
    return command
        .add_option_function<std::string>(name, [&into](const std::string& value) { into.push_back(value); }, help)
        ->required()
        ->type_name("");
}

// One or more operands, all into Into.
void AddOperands(CLI::App& command, const char* name, std::vector<std::string>& into, const std::string& help) {
    command.add_option(name, into, help)->required()->type_name("");
}

void AddFolder(CLI::App& command, TArgs& args) {
    AddText(command, "--folder", args.Folder, "DIR", "the plugin folder; by default the program's own folder");
    if (command.get_name() != "session")
        AddText(command, "--ext", args.Ext, "EXT", "the plugin files' extension, \"bpl\" by default");
}

void AddJson(CLI::App& command, TArgs& args) {
    command.add_flag("--json", args.Json,
                     "write the result as one JSON object with the schema \"zarixctl." + command.get_name() + "/1\"");
}

CLI::App* AddCommand(CLI::App& app, std::vector<TCommand>& commands, const char* name, int (*run)(const TArgs&),
                     const std::string& description, const std::string& details = "") {
    CLI::App* command = app.add_subcommand(name, description);
    command->footer(details.empty() ? std::string(kExitCodes) : details + "\n\n" + kExitCodes);
    commands.push_back({command, run});
    return command;
}

// The whole tool: each command, what it takes and what it says in its help.
std::vector<TCommand> DefineCommands(CLI::App& app, TArgs& args) {
    std::vector<TCommand> commands;
    CLI::App* c = AddCommand(app, commands, "plugins", PluginsCommand,
                             "Load a plugin folder as the application would and list each plugin in initialisation "
                             "order, with what failed and why.");
    AddFolder(*c, args);
    c->add_flag("--isolated", args.Isolated,
                "first try each library in a child process, so one that crashes while it starts is reported "
                "instead of ending the run");
    AddJson(*c, args);

    c = AddCommand(app, commands, "version", VersionCommand,
                   "A library file's version resource and framework ABI stamp, read without loading it.");
    AddOperand(*c, "FILE", args.Positional, "the library file");
    AddJson(*c, args);

    c = AddCommand(app, commands, "menu", MenuCommand,
                   "The main menu built from the plugins' commands, as an indented tree.",
                   "With a database and a user, items are enabled by that user's privileges.");
    AddFolder(*c, args);
    AddText(*c, "--db", args.Db, "FILE|URL", std::string("the database the user is in: ") + kDatabaseHelp);
    AddText(*c, "--user", args.User, "N", "the user's number (1 or more); needs --db");
    AddJson(*c, args);

    c = AddCommand(app, commands, "toolbar", ToolBarCommand,
                   "The toolbar the user gets: the stored selection, or the default buttons.");
    AddText(*c, "--db", args.Db, "FILE|URL", std::string("the database the user is in: ") + kDatabaseHelp)->required();
    AddText(*c, "--user", args.User, "N", "the user's number (1 or more)")->required();
    AddFolder(*c, args);
    AddJson(*c, args);

    c = AddCommand(app, commands, "session", SessionCommand,
                   "A scripted session over the sample windows, with the window tree after each step.");
    AddFolder(*c, args);
    AddJson(*c, args);

    c = AddCommand(app, commands, "dbcheck", DbCheckCommand,
                   "The plugins' database check with its progress, then what each module changed.",
                   "The database may be new or old. The whole check is one transaction: a damaged database is\n"
                   "refused, a failed check is rolled back, and nothing is written.");
    AddText(*c, "--db", args.Db, "FILE|URL",
            std::string("the database; a new SQLite file is made in a folder that exists: ") + kDatabaseHelp)
        ->required();
    AddFolder(*c, args);
    AddText(*c, "--version", args.Version, "X",
            "the database's version when not the stored one, never older than it");
    AddJson(*c, args);

    c = AddCommand(app, commands, "calls", CallsCommand,
                   "The sample modules calling one another by name, with the results.");
    AddText(*c, "--db", args.Db, "FILE|URL", std::string("a database the check has prepared: ") + kDatabaseHelp)
        ->required();
    AddFolder(*c, args);
    AddJson(*c, args);

    c = AddCommand(app, commands, "demo-db", DemoDbCommand,
                   "Create a database with the framework's tables and two demo users.",
                   "FILE must not exist, except with --force, which replaces an SQLite database, kept as\n"
                   "FILE.bak; a server database must hold no tables, except with --force, which rewrites\n"
                   "only the two demo users' rows in it.");
    AddOperand(*c, "FILE|URL", args.Positional, std::string("the new database: ") + kDatabaseHelp);
    c->add_flag("--force", args.Force, "replace a sound SQLite database, keeping it as FILE.bak");
    AddJson(*c, args);

    c = AddCommand(app, commands, "parse", ParseCommand,
                   "Parse version texts as the dependency check reads them.");
    AddOperands(*c, "TEXT", args.Positional, "a version text");
    AddJson(*c, args);

    c = AddCommand(app, commands, "compare", CompareCommand,
                   "Compare two versions the way the dependency check does.",
                   "The check compares versions by their concatenated digits.");
    AddOperand(*c, "A", args.Positional, "the first version");
    AddOperand(*c, "B", args.Positional, "the second version");
    AddJson(*c, args);

    c = AddCommand(app, commands, "name", NameCommand, "The normalised plugin name of each text and its display name.");
    AddOperands(*c, "TEXT", args.Positional, "a plugin name as written");
    AddJson(*c, args);

    c = AddCommand(app, commands, "palette", PaletteCommand,
                   "The components the library installs on the palette, and its unit table.");
    AddText(*c, "--bitmaps", args.Bitmaps, "DIR", "write each picture as a .bmp file into DIR (made when missing)");
    AddJson(*c, args);

    c = AddCommand(app, commands, "form", FormCommand, "The plugin manager form's controls and their properties.");
    AddJson(*c, args);
    return commands;
}

// CLI11's message, said the way the rest of the tool says things.
std::string UsageMessage(const CLI::ParseError& e) {
    static const std::regex missingValue("^(-\\S+): 1 required (\\S+) missing$");
    std::string message = std::regex_replace(e.what(), missingValue, "$1 needs a value ($2)");
    if (message == "A subcommand is required") message = "a command is required";
    return message;
}

// The deepest command the parse reached, as the user typed it: "zarixctl" or "zarixctl menu".
std::string CommandPath(const CLI::App& app) {
    std::string path = app.get_name();
    for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
        at = at->get_subcommands().front();
        path += " " + at->get_name();
    }
    return path;
}

int UsageError(const CLI::App& app, const CLI::ParseError& e, const char* first) {
    const std::string path = CommandPath(app);
    // CLI11 only says a command is missing when the first word is no command it knows.
    const std::string message = app.get_subcommands().empty() && first != nullptr && first[0] != '-'
                                    ? std::string("no command ") + first
                                    : UsageMessage(e);
    std::cerr << path << ": " << message << "\nRun \"" << path << " --help\" for the usage.\n";
    return 2;
}

int Help(const CLI::App& app, const std::string& topic) {
    if (topic.empty()) {
        std::cout << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
        return 0;
    }
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
        if (command->get_name() == topic) {
            std::cout << command->get_formatter()->make_help(command, app.get_name() + " " + topic,
                                                             CLI::AppFormatMode::Normal);
            return 0;
        }
    std::cerr << app.get_name() << " help: no command " << topic << "\nRun \"" << app.get_name()
              << " --help\" for the commands.\n";
    return 2;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    CLI::App app("Inspect plugin folders, menus, toolbars and databases of a zarixplugins application.", "zarixctl");
    app.footer(std::string(kJsonNotes) + "\n\n" + kExitCodes);
    app.set_version_flag("--version", std::string("zarixctl ") + ZARIX_VERSION_STRING + " (framework ABI " +
                                          std::to_string(ZARIX_ABI_NUMBER) + ")",
                         "print the framework's version and ABI number and exit");
    app.require_subcommand(1);
    TArgs args;
    const std::vector<TCommand> commands = DefineCommands(app, args);
    std::string topic;
    CLI::App* help = app.add_subcommand("help", "The usage of the tool, or of one COMMAND.");
    help->add_option("COMMAND", topic, "the command to explain");
    help->footer(kExitCodes);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and the version are answers, not errors: CLI11 prints them on standard output.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        return UsageError(app, e, argc > 1 ? argv[1] : nullptr);
    }
    if (help->parsed()) return Help(app, topic);
    for (const TCommand& command : commands)
        if (command.App->parsed()) return command.Run(args);
    return 2;  // require_subcommand makes sure one was parsed
}

}  // namespace zarixctl
