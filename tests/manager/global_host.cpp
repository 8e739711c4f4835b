// A host that keeps its plugin manager in a global, as hosts do: the manager is destroyed after
// main returns, when the plugin libraries' own static objects are being destroyed as well.
// Arguments: plugin files, and folders (ending in "/") whose plugins are all loaded. Exits with
// 3 when anything was reported on the way out, and 2 when loading failed.
#include "journal.h"

#include "manager/ZarixPluginManager.h"
#include "services/exception_handler.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Constructed before the manager, so destroyed after it: it sees the manager's whole end.
struct TReportWatch {
    TReportWatch() {
        zarix::SetExceptionSink([this](const zarix::TExceptionReport& report) {
            std::fprintf(stderr, "%s\n", zarix::FormatExceptionReport(report).c_str());
            ++Reports;
        });
    }
    ~TReportWatch() {
        if (Reports != 0) std::_Exit(3);
    }
    int Reports = 0;
};

TReportWatch gWatch;
zarix::TZarixPluginManager gManager(nullptr);

}  // namespace

int main(int argc, char** argv) {
    // The host holds the fixtures' journal, so it is not unloaded with the last of them.
    JournalTake();
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string path = argv[i];
            if (path.ends_with('/')) {
                gManager.SetPluginFolder(path);
                gManager.LoadPlugins();
            } else {
                gManager.LoadPlugin(path, true);
            }
        }
        gManager.SetCommandsBasedMenu(nullptr, nullptr, nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return gManager.PluginCount() > 0 ? 0 : 2;
}
