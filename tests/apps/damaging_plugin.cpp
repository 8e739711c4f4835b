// USZKODZ: a faulty module whose database check leaves two tables sharing one b-tree inside
// the check's transaction; only SQLite's quick check sees it before the host commits.
#include "plugin/plugin_entry.h"
#include "services/db/zarix_db.h"

namespace {

using namespace zarix;

class TUszkodzPlugin : public TZarixPlugin {
    ZARIX_CLASS(TUszkodzPlugin, TZarixPlugin)
    explicit TUszkodzPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetPluginName("Uszkodz");
        SetPluginPriority(10);
    }
    void OnMessage(TPluginMessagesTypes AMessageType, const std::string&, TConstArray) override {
        if (AMessageType == pmDBTableRequired) DBInt().ExecSQL("DBCONN", "CREATE TABLE A (a); CREATE TABLE B (b)");
        if (AMessageType == pmDBDataRequired)
            DBInt().ExecSQL("DBCONN", "PRAGMA writable_schema = ON; UPDATE sqlite_master SET rootpage = "
                                      "(SELECT rootpage FROM sqlite_master WHERE name = 'A') WHERE name = 'B'; "
                                      "PRAGMA writable_schema = RESET");
    }
};
ZARIX_DEFINE_CLASS(TUszkodzPlugin)

}  // namespace

ZARIX_PLUGIN(TUszkodzPlugin)
