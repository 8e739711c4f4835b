// zarixctl: the command-line tool for people who run or package a plugin application.
#include "commands.h"

#include <iostream>
#include <string>

namespace {

int Usage() {
    std::cerr << "usage:\n"
                 "  zarixctl plugins [--folder DIR] [--ext EXT] [--isolated] [--json]\n"
                 "      load a plugin folder as the application would and list each plugin in\n"
                 "      initialisation order, with what failed and why\n"
                 "  zarixctl version FILE [--json]\n"
                 "      the version resource and framework ABI stamp of a library file, read without loading it\n"
                 "  zarixctl menu [--folder DIR] [--ext EXT] [--db FILE --user N] [--json]\n"
                 "      the main menu built from the plugins' commands, as an indented tree; with a\n"
                 "      database and a user, items are enabled by that user's privileges\n"
                 "  zarixctl toolbar --db FILE --user N [--folder DIR] [--ext EXT] [--json]\n"
                 "      the toolbar that user gets: the stored selection, or the default buttons\n"
                 "  zarixctl session [--folder DIR]\n"
                 "      a short scripted session over the sample windows, with the window tree\n"
                 "  zarixctl dbcheck --db FILE [--folder DIR] [--ext EXT] [--version X] [--json]\n"
                 "      the plugins' database check on FILE (new or old) with its progress, then what\n"
                 "      each module changed; X is the database's version when not the stored one, never\n"
                 "      older than it. A damaged database is refused and nothing is written\n"
                 "  zarixctl calls --db FILE [--folder DIR] [--ext EXT]\n"
                 "      the sample modules calling one another by name, with the results\n"
                 "  zarixctl demo-db FILE [--force]\n"
                 "      create a database with the framework's tables and two demo users; FILE must not\n"
                 "      exist, except with --force, which replaces an SQLite database, kept as FILE.bak;\n"
                 "      a server database (postgresql://...) must hold no tables, except with --force,\n"
                 "      which rewrites only the two demo users' rows in it\n"
                 "  every FILE of --db may also be a server URL: postgresql://user@host/db or\n"
                 "  postgresql:///db?host=/socket/folder\n"
                 "  zarixctl parse TEXT...        parse version texts as the dependency check reads them\n"
                 "  zarixctl compare A B          compare two versions the way the dependency check does\n"
                 "  zarixctl name TEXT...         the normalised plugin name and its display name\n"
                 "  zarixctl palette [--bitmaps DIR] [--json]\n"
                 "      the components the library installs on the palette, with their pictures\n"
                 "      (written as .bmp files into DIR), and the library's unit table\n"
                 "  zarixctl form [--json]        the plugin manager form's controls and their properties\n";
    return 2;
}

bool TakesValue(const std::string& option) {
    return option == "--folder" || option == "--ext" || option == "--db" || option == "--user" ||
           option == "--version" || option == "--bitmaps";
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    zarixctl::TArgs args;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") args.Json = true;
        else if (arg == "--force" || arg == "--isolated") args.Options.emplace_back(arg, "");
        else if (TakesValue(arg) && i + 1 < argc)
            args.Options.emplace_back(arg, argv[++i]);
        else if (TakesValue(arg)) {
            std::cerr << "zarixctl: " << arg << " needs a value\n";
            return Usage();
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "zarixctl: unknown option " << arg << "\n";
            return Usage();
        } else args.Positional.push_back(arg);
    }
    if (command == "plugins" && args.Positional.empty()) return zarixctl::PluginsCommand(args);
    if (command == "version" && args.Positional.size() == 1) return zarixctl::VersionCommand(args);
    if (command == "menu" && args.Positional.empty()) return zarixctl::MenuCommand(args);
    if (command == "toolbar" && args.Positional.empty()) return zarixctl::ToolBarCommand(args);
    if (command == "demo-db" && args.Positional.size() == 1) return zarixctl::DemoDbCommand(args);
    if (command == "session" && args.Positional.empty()) return zarixctl::SessionCommand(args);
    if (command == "dbcheck" && args.Positional.empty()) return zarixctl::DbCheckCommand(args);
    if (command == "calls" && args.Positional.empty()) return zarixctl::CallsCommand(args);
    if (command == "parse" && !args.Positional.empty()) return zarixctl::ParseCommand(args);
    if (command == "compare" && args.Positional.size() == 2) return zarixctl::CompareCommand(args);
    if (command == "name" && !args.Positional.empty()) return zarixctl::NameCommand(args);
    if (command == "palette" && args.Positional.empty()) return zarixctl::PaletteCommand(args);
    if (command == "form" && args.Positional.empty()) return zarixctl::FormCommand(args);
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever a command or a plugin raises ends here as a message and exit code 1, never as
    // std::terminate.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "zarixctl: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "zarixctl: unknown error\n";
    }
    return 1;
}
