// A host that keeps its plugin manager in a global, as hosts do: the manager is destroyed after
// main returns, among the plugin libraries' own static objects. Loads one plugin file, or every
// plugin of a folder (ending in "/"); exits with 2 when loading fails and 3 when anything was
// reported on the way out.
#include "journal.h"

#include "manager/ZarixPluginManager.h"
#include "services/exception_handler.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Made before the manager, so destroyed after it: it sees the manager's whole end.
struct TReportWatch {
    TReportWatch() {
        zarix::SetExceptionSink([this](const zarix::TExceptionReport& r) {
            std::fprintf(stderr, "%s\n", zarix::FormatExceptionReport(r).c_str());
            ++Reports;
        });
    }
    ~TReportWatch() {
        if (Reports != 0) std::_Exit(3);
    }
    int Reports = 0;
} gWatch;

zarix::TZarixPluginManager gManager(nullptr);

}  // namespace

int main(int argc, char** argv) {
    JournalTake();  // the host holds the fixtures' journal, so it is not unloaded with them
    if (argc != 2) return 2;
    try {
        const std::string path = argv[1];
        gManager.SetAllowUnstampedPlugins(true);  // the hand-built fixtures carry no stamp
        if (path.ends_with('/')) gManager.SetPluginFolder(path);
        if (path.ends_with('/')) gManager.LoadPlugins();
        else gManager.LoadPlugin(path, true);
        gManager.SetCommandsBasedMenu(nullptr, nullptr, nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return gManager.PluginCount() > 0 ? 0 : 2;
}
