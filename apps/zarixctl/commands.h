// The tool's subcommands.
#pragma once

#include <string>
#include <vector>

namespace zarixctl {

/// Options after the subcommand: "--name value" pairs, "--flag" switches and the rest.
struct TArgs {
    std::vector<std::string> Positional;
    std::vector<std::pair<std::string, std::string>> Options;
    bool Json = false;

    const std::string* Option(const std::string& name) const {
        for (const auto& [key, value] : Options)
            if (key == name) return &value;
        return nullptr;
    }
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
