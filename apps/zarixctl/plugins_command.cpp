// plugins: load a plugin folder as the application would and say what became of each library.
#include "commands.h"

#include "json.h"
#include "manager/ZarixPluginManager.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "version_text.h"

#include <algorithm>
#include <iostream>
#include <optional>

namespace zarixctl {

using namespace zarix;

namespace {

struct TDependencyRow {
    std::string Name;
    std::string Required;
    std::optional<std::string> Loaded;  // the version of the plugin of that name, when one is loaded
    bool Satisfied = true;
};

struct TPluginRow {
    std::string Component, Name, DisplayName, Version, File;
    int Priority = 0;
    int Commands = 0;
    std::vector<TDependencyRow> Dependencies;
    bool Initialized = false;
    std::string Problem;  // why it is not initialised
};

struct TFailureRow {
    std::string File, Error, Message;
};

// Reads what the dependency check will decide for each dependency, against the plugins loaded
// at the moment the check runs.
std::vector<TDependencyRow> DependencyRows(const TZarixPluginManager& manager, const TZarixPlugin& plugin) {
    std::vector<TDependencyRow> rows;
    for (const TPluginDependency& dependency : plugin.PluginDependencies()) {
        TDependencyRow row{dependency.PluginName, VersionText(dependency.RequiredVersion), std::nullopt, true};
        for (int i = 0; i < manager.PluginCount(); ++i) {
            const TZarixPlugin* other = manager.GetPlugins(i);
            if (other->GetPluginName() != dependency.PluginName) continue;
            row.Loaded = VersionText(other->Version());
            try {
                row.Satisfied = row.Satisfied && VersionCompare(other->Version(), dependency.RequiredVersion) != "<";
            } catch (const std::exception&) {
                row.Satisfied = false;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

TPluginRow Describe(const TZarixPluginManager& manager, const TZarixPlugin& plugin) {
    TPluginRow row;
    row.Component = plugin.Name();
    row.Name = plugin.GetPluginName();
    row.DisplayName = GetNicePluginName(row.Name);
    row.Version = VersionText(plugin.Version());
    row.File = plugin.Filename();
    row.Priority = plugin.PluginPriority();
    row.Commands = plugin.Commands()->Count();
    row.Dependencies = DependencyRows(manager, plugin);
    return row;
}

void PrintText(const std::string& folder, const std::vector<TPluginRow>& plugins, const std::vector<TFailureRow>& failures) {
    std::cout << "Plugin folder: " << folder << "\n\n";
    int position = 0;
    for (const TPluginRow& p : plugins) {
        std::cout << (p.Initialized ? std::to_string(++position) + "." : "-") << ' ' << p.DisplayName << " ("
                  << p.Name << ")  version " << p.Version << ", priority " << p.Priority << ", " << p.Commands
                  << (p.Commands == 1 ? " command" : " commands") << '\n';
        std::cout << "   component " << p.Component << ", file " << p.File << '\n';
        for (const TDependencyRow& d : p.Dependencies) {
            std::cout << "   needs " << d.Name << " >= " << d.Required << ": ";
            if (!d.Loaded) std::cout << "not loaded, so not checked\n";
            else std::cout << (d.Satisfied ? "satisfied" : "NOT satisfied") << " (loaded " << *d.Loaded << ")\n";
        }
        if (!p.Initialized) std::cout << "   not initialised: " << p.Problem << '\n';
    }
    if (plugins.empty()) std::cout << "No plugins loaded.\n";
    for (const TFailureRow& f : failures)
        std::cout << "FAILED " << f.File << ": " << f.Error << ": " << f.Message << '\n';
}

void PrintJson(const std::string& folder, const std::string& extension, const std::vector<TPluginRow>& plugins,
               const std::vector<TFailureRow>& failures) {
    std::cout << "{\n  \"folder\": " << JsonString(folder) << ",\n  \"extension\": " << JsonString(extension)
              << ",\n  \"plugins\": [";
    for (std::size_t i = 0; i < plugins.size(); ++i) {
        const TPluginRow& p = plugins[i];
        std::cout << (i ? "," : "") << "\n    {\"component\": " << JsonString(p.Component)
                  << ", \"name\": " << JsonString(p.Name) << ", \"displayName\": " << JsonString(p.DisplayName)
                  << ", \"version\": " << JsonString(p.Version) << ", \"priority\": " << p.Priority
                  << ", \"commands\": " << p.Commands << ", \"file\": " << JsonString(p.File)
                  << ", \"initialized\": " << JsonBool(p.Initialized)
                  << ", \"problem\": " << (p.Initialized ? "null" : JsonString(p.Problem)) << ", \"dependencies\": [";
        for (std::size_t j = 0; j < p.Dependencies.size(); ++j) {
            const TDependencyRow& d = p.Dependencies[j];
            std::cout << (j ? ", " : "") << "{\"name\": " << JsonString(d.Name)
                      << ", \"requiredVersion\": " << JsonString(d.Required)
                      << ", \"loadedVersion\": " << JsonOptional(d.Loaded) << ", \"satisfied\": " << JsonBool(d.Satisfied)
                      << "}";
        }
        std::cout << "]}";
    }
    std::cout << (plugins.empty() ? "" : "\n  ") << "],\n  \"failures\": [";
    for (std::size_t i = 0; i < failures.size(); ++i)
        std::cout << (i ? "," : "") << "\n    {\"file\": " << JsonString(failures[i].File)
                  << ", \"error\": " << JsonString(failures[i].Error)
                  << ", \"message\": " << JsonString(failures[i].Message) << "}";
    std::cout << (failures.empty() ? "" : "\n  ") << "]\n}\n";
}

}  // namespace

int PluginsCommand(const TArgs& args) {
    TZarixPluginManager manager(nullptr);
    if (const std::string* folder = args.Option("--folder")) manager.SetPluginFolder(*folder);
    if (const std::string* ext = args.Option("--ext")) manager.SetExtension(*ext);

    // LoadPlugins stops at the first library that fails; a tool that reports on an installation
    // goes on with the next one, through the same per-library operation.
    std::vector<TFailureRow> failures;
    for (const std::string& file : manager.FindPluginFiles()) {
        try {
            manager.LoadPlugin(file, false);
        } catch (const std::exception& e) {
            failures.push_back({file, ExceptionClassName(e), e.what()});
        }
    }
    manager.RebuildPriorities();

    // The same walk as the manager's, described as it goes.
    std::vector<TPluginRow> rows;
    std::vector<TObject*> order;
    for (int i = 0; i < manager.PluginPriorities()->Count(); ++i) order.push_back(manager.PluginPriorities()->Objects(i));
    for (TObject* entry : order) {
        if (manager.PluginPriorities()->IndexOfObject(entry) < 0) continue;
        int index = -1;
        for (int i = 0; i < manager.PluginCount(); ++i)
            if (manager.GetPlugins(i) == entry) index = i;
        if (index < 0) continue;
        TPluginRow row = Describe(manager, *manager.GetPlugins(index));
        try {
            manager.InitializePlugin(index);
            row.Initialized = manager.PluginPriorities()->IndexOfObject(entry) >= 0;
            if (!row.Initialized) row.Problem = "a dependency is not satisfied; the plugin was unloaded";
        } catch (const std::exception& e) {
            row.Problem = ExceptionClassName(e) + ": " + e.what();
        }
        rows.push_back(std::move(row));
    }

    const std::string folder =
        manager.GetPluginFolder().empty() ? std::string("(the executable's folder)") : manager.GetPluginFolder();
    if (args.Json) PrintJson(folder, manager.GetExtension(), rows, failures);
    else PrintText(folder, rows, failures);
    return failures.empty() ? 0 : 1;
}

}  // namespace zarixctl
