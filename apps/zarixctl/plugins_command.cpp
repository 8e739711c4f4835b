// plugins: load a plugin folder as the application would and say what became of each library.
#include "commands.h"

#include "json_output.h"
#include "manager/ZarixPluginManager.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "services/exception_handler.h"
#include "version_text.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <map>
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

// Two libraries that declare one plugin name both load; calls by name reach only the first.
struct TNameClash {
    std::string Name;
    std::vector<std::string> Files;
};

std::vector<TNameClash> NameClashes(const TZarixPluginManager& manager) {
    std::map<std::string, std::vector<std::string>> files;
    std::vector<std::string> order;
    for (int i = 0; i < manager.PluginCount(); ++i) {
        const TZarixPlugin* plugin = manager.GetPlugins(i);
        auto& list = files[plugin->GetPluginName()];
        if (list.empty()) order.push_back(plugin->GetPluginName());
        list.push_back(plugin->Filename());
    }
    std::vector<TNameClash> clashes;
    for (const std::string& name : order)
        if (files[name].size() > 1) clashes.push_back({name, files[name]});
    return clashes;
}

std::string ClashText(const TNameClash& clash) {
    std::string text = "plugin name " + clash.Name + " is declared by ";
    for (std::size_t i = 0; i < clash.Files.size(); ++i)
        text += (i == 0 ? "" : i + 1 == clash.Files.size() ? " and " : ", ") + clash.Files[i];
    return text + "; calls by name reach the first";
}

// What a probe found, as a failure row: the class of the error, or the signal, or the timeout.
TFailureRow ProbeFailure(const TProbeResult& probe) {
    std::string error = probe.ErrorClass;
    if (probe.TimedOut) error = "timeout";
    else if (probe.Signal != 0) error = std::string("SIG") + (sigabbrev_np(probe.Signal) ? sigabbrev_np(probe.Signal) : "?");
    else if (error.empty()) error = "exit";
    return {probe.File, error, probe.Message};
}

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

void PrintText(const std::string& folder, const std::vector<TPluginRow>& plugins, const std::vector<TFailureRow>& failures,
               const std::vector<TNameClash>& clashes) {
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
    for (const TNameClash& clash : clashes) std::cout << "WARNING " << ClashText(clash) << '\n';
}

void PrintJsonDocument(const std::string& folder, const std::string& extension, const std::vector<TPluginRow>& plugins,
                       const std::vector<TFailureRow>& failures, const std::vector<TNameClash>& clashes) {
    TJson document = JsonDocument("plugins");
    SetPath(document, "folder", folder);
    document["extension"] = extension;
    document["plugins"] = TJson::array();
    for (const TPluginRow& p : plugins) {
        TJson row = {{"component", p.Component}, {"name", p.Name}, {"displayName", p.DisplayName},
                     {"version", p.Version}, {"priority", p.Priority}, {"commands", p.Commands}};
        SetPath(row, "file", p.File);
        row["initialized"] = p.Initialized;
        row["problem"] = p.Initialized ? TJson(nullptr) : TJson(p.Problem);
        row["dependencies"] = TJson::array();
        for (const TDependencyRow& d : p.Dependencies)
            row["dependencies"].push_back({{"name", d.Name}, {"requiredVersion", d.Required},
                                           {"loadedVersion", d.Loaded ? TJson(*d.Loaded) : TJson(nullptr)},
                                           {"satisfied", d.Satisfied}});
        document["plugins"].push_back(std::move(row));
    }
    document["failures"] = TJson::array();
    for (const TFailureRow& f : failures) {
        TJson row = TJson::object();
        SetPath(row, "file", f.File);
        row["error"] = f.Error;
        row["message"] = f.Message;
        document["failures"].push_back(std::move(row));
    }
    document["warnings"] = TJson::array();
    for (const TNameClash& clash : clashes) document["warnings"].push_back(ClashText(clash));
    PrintJson(document);
}

// Loads and lists the folder in this process. With isolated, each library is first loaded in a
// child process, and one that fails there is listed without being loaded here.
int ListPlugins(const TArgs& args, bool isolated) {
    TZarixPluginManager manager(nullptr);
    if (const std::optional<std::string>& folder = args.Folder) manager.SetPluginFolder(*folder);
    if (const std::optional<std::string>& ext = args.Ext) manager.SetExtension(*ext);

    // LoadPlugins stops at the first library that fails; a tool that reports on an installation
    // goes on with the next one, through the same per-library operation. What the manager
    // reports without raising (a library that registers no plugin) counts as a failure too.
    std::vector<TFailureRow> failures;
    std::vector<std::string> files = manager.FindPluginFiles();
    if (isolated) {
        std::vector<std::string> passed;
        for (const TProbeResult& probe : manager.ProbePluginFiles(files)) {
            if (probe.Passed) passed.push_back(probe.File);
            else failures.push_back(ProbeFailure(probe));
        }
        files = std::move(passed);
    }
    {
        TCapturingExceptionSink reports;
        for (const std::string& file : files) {
            try {
                manager.LoadPlugin(file, false);
            } catch (const std::exception& e) {
                failures.push_back({file, ExceptionClassName(e), e.what()});
            }
            for (const TExceptionReport& report : reports.Reports())
                failures.push_back({file, report.ExceptionClass, report.Message});
            reports.Clear();
        }
    }
    manager.RebuildPriorities();

    // The same walk as the manager's, described as it goes.
    bool initialisationFailed = false;
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
            // The manager unloads such a plugin silently: it is part of how plugins are meant to
            // go together, not a failure of the installation.
            if (!row.Initialized) row.Problem = "a dependency is not satisfied; the plugin was unloaded";
        } catch (const std::exception& e) {
            row.Problem = ExceptionClassName(e) + ": " + e.what();
            initialisationFailed = true;
        }
        rows.push_back(std::move(row));
    }

    const std::vector<TNameClash> clashes = NameClashes(manager);
    const std::string folder =
        manager.GetPluginFolder().empty() ? std::string("(the executable's folder)") : manager.GetPluginFolder();
    if (args.Json) PrintJsonDocument(folder, manager.GetExtension(), rows, failures, clashes);
    else PrintText(folder, rows, failures, clashes);
    std::cout.flush();
    const std::size_t failed = failures.size() + (initialisationFailed ? 1 : 0);
    if (failed == 0) return 0;
    std::cerr << "zarixctl plugins: " << failures.size() << (failures.size() == 1 ? " library" : " libraries")
              << " failed to load" << (initialisationFailed ? ", and an initialisation failed" : "") << "\n";
    return 1;
}

}  // namespace

int PluginsCommand(const TArgs& args) {
    const bool isolated = args.Isolated;
    if (isolated) return ListPlugins(args, true);
    // Loaded as the application loads them, but in a child of this process: a library that
    // crashes the loading takes only the child, and then each library is probed on its own.
    std::cout.flush();
    std::cerr.flush();
    const pid_t child = ::fork();
    if (child < 0) return ListPlugins(args, false);
    if (child == 0) {
        int code = 1;
        try {
            code = ListPlugins(args, false);
        } catch (const std::exception& e) {
            std::cerr << "zarixctl: " << e.what() << "\n";
        }
        std::cout.flush();
        std::cerr.flush();
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return 1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    const int signal = WTERMSIG(status);
    std::cerr << "zarixctl plugins: loading the folder ended with SIG" << (sigabbrev_np(signal) ? sigabbrev_np(signal) : "?")
              << "; each library is now probed on its own\n";
    return std::max(ListPlugins(args, true), 1);
}

}  // namespace zarixctl
