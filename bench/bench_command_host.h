// A manager over copies of the bench plugin, each carrying numbered commands instead of its own,
// so the menu and toolbar benchmarks of every program measure the same shapes.
#pragma once

#include "manager/ZarixPluginManager.h"
#include "plugin/plugin_utils.h"
#include "services/db/tables.h"
#include "services/db/zarix_db.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

/// What each command carries besides its menu place: an image and a toolbar caption, and a
/// toolbar position. Menus alone need neither.
enum class TBenchCommands { MenuOnly, WithImages, OnToolBar };

/// `plugins` copies of the bench plugin loaded from a folder of their own, each carrying
/// `perPlugin` commands "Moduł k|Polecenie j" at positions "k|j" (already in order).
class TBenchCommandHost {
public:
    TBenchCommandHost(const std::string& tag, int plugins, int perPlugin, TBenchCommands what) {
        Folder = std::filesystem::temp_directory_path() / ("zarix_bench_" + tag + "_" + std::to_string(::getpid()) +
                                                           "_" + std::to_string(plugins) + "_" + std::to_string(perPlugin));
        std::filesystem::create_directories(Folder);
        for (int i = 0; i < plugins; ++i)
            std::filesystem::copy_file(BENCH_PLUGIN_PATH, Folder / ("modul" + std::to_string(i) + ".bpl"),
                                       std::filesystem::copy_options::overwrite_existing);
        Manager = std::make_unique<zarix::TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(Folder.string());
        Manager->LoadPlugins();
        const bool images = what != TBenchCommands::MenuOnly;
        for (int k = 0; k < Manager->PluginCount(); ++k) {
            zarix::TZarixPlugin* plugin = Manager->GetPlugins(k);
            plugin->Commands()->Clear();
            for (int j = 0; j < perPlugin; ++j) {
                const std::string n = std::to_string(j);
                plugin->AddCommand(true, "Polecenie " + n, "Opis polecenia " + n, std::to_string(k) + "|" + n,
                                   "Moduł " + std::to_string(k) + "|Polecenie " + n, [](zarix::TObject*) {}, "",
                                   images ? j : -1, true, what == TBenchCommands::OnToolBar ? j : -1,
                                   images ? "Polecenie_" + n : "");
            }
        }
    }
    ~TBenchCommandHost() {
        Manager.reset();
        std::filesystem::remove_all(Folder);
    }
    TBenchCommandHost(const TBenchCommandHost&) = delete;
    TBenchCommandHost& operator=(const TBenchCommandHost&) = delete;

    std::filesystem::path Folder;
    std::unique_ptr<zarix::TZarixPluginManager> Manager;
};

/// Opens "DBCONN" at `location` with the framework's tables, and gives each of users 1 to 5 a
/// toolbar of every fourth command of a host made with 10 plugins of 20 commands: 50 rows each.
inline void OpenToolBarDatabase(const std::string& location) {
    zarix::DBInt().OpenConnection("DBCONN", location);
    zarix::CreateZarixTables("DBCONN");
    std::string rows = "begin;";
    for (int u = 1; u <= 5; ++u)
        for (int k = 0; k < 10; ++k)
            for (int j = 0; j < 20; j += 4)
                rows += "insert into UserToolBar values (" + std::to_string(u) + ", 'Moduł " + std::to_string(k) +
                        "|Polecenie " + std::to_string(j) + "');";
    zarix::DBInt().ExecSQL("DBCONN", rows + "commit;");
}
