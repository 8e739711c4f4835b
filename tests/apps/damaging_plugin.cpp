// USZKODZ: a faulty module whose database check leaves two tables sharing one b-tree, inside
// the check's transaction. Only SQLite's quick check sees it, so the host must run one before
// it commits.
#include "plugin/plugin_entry.h"
#include "services/db/zarix_db.h"

namespace {

using namespace zarix;

class TUszkodzPlugin : public TZarixPlugin {
    ZARIX_CLASS(TUszkodzPlugin, TZarixPlugin)
    explicit TUszkodzPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("UszkodzPlugin");
        SetPluginName("Uszkodz");
        SetPluginPriority(10);
    }
    void OnMessage(TPluginMessagesTypes AMessageType, const std::string&, TConstArray) override {
        if (AMessageType == pmDBTableRequired)
            DBInt().ExecSQL("DBCONN", "CREATE TABLE IF NOT EXISTS UszkodzA (a); CREATE TABLE IF NOT EXISTS UszkodzB (b)");
        if (AMessageType == pmDBDataRequired)
            DBInt().ExecSQL("DBCONN", "PRAGMA writable_schema = ON; "
                                      "UPDATE sqlite_master SET rootpage = (SELECT rootpage FROM sqlite_master "
                                      "WHERE name = 'UszkodzA') WHERE name = 'UszkodzB'; "
                                      "PRAGMA writable_schema = RESET");
    }
};
ZARIX_DEFINE_CLASS(TUszkodzPlugin)

}  // namespace

ZARIX_PLUGIN(TUszkodzPlugin)
