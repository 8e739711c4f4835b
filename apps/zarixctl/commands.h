// The tool's subcommands and what the command line gave them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zarixctl {

/// The command line after parsing: each option once, absent when not given; the operands in order.
struct TArgs {
    std::optional<std::string> Folder, Ext, Db, User, Version, Bitmaps;
    bool Force = false;
    bool Isolated = false;
    bool Json = false;
    std::vector<std::string> Positional;
};

int PluginsCommand(const TArgs& args);
int MenuCommand(const TArgs& args);
int ToolBarCommand(const TArgs& args);
int DemoDbCommand(const TArgs& args);
int SessionCommand(const TArgs& args);
int DbCheckCommand(const TArgs& args);
int CallsCommand(const TArgs& args);
int VersionCommand(const TArgs& args);
int ParseCommand(const TArgs& args);
int CompareCommand(const TArgs& args);
int NameCommand(const TArgs& args);
int PaletteCommand(const TArgs& args);
int FormCommand(const TArgs& args);

}  // namespace zarixctl
