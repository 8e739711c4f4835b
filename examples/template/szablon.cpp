// SZABLON: a small but complete plugin to copy. Rename the module, the class and the texts, and
// build it against the installed framework (see CMakeLists.txt beside it).
#include "mdi/ZarixMDIContainer.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_entry.h"
#include "plugin/plugin_utils.h"
#include "services/db/zarix_db.h"
#include "zarix/version.h"

#include <iostream>

static_assert(ZARIX_VERSION_MAJOR == 1, "this template is written for framework 1.x");

namespace {

using namespace zarix;

// A window of the module: an MDI child (TZarixMdiForm) that answers the host's window contract
// (IMDIInterface). Its class name is how the host's registry finds it again.
class TNotatki : public TZarixMdiForm, public IMDIInterface {
    ZARIX_CLASS(TNotatki, TZarixMdiForm)
    explicit TNotatki(TComponent* Owner) : TZarixMdiForm(Owner) {}
    void MDIRefresh() override {}
    bool MDICanClose(const std::string&, int32_t, std::string&) override { return true; }
    void MDIParentClosing(const std::string&, int32_t) override { Close(); }
    void MDIReceiveResult(const std::string&, int32_t) override {}
};
ZARIX_DEFINE_CLASS(TNotatki)

class TSzablonPlugin : public TZarixPlugin {
    ZARIX_CLASS(TSzablonPlugin, TZarixPlugin)
    explicit TSzablonPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("SzablonPlugin");  // the component's name: a plugin without one cannot be found
        SetPluginName("Szablon");  // the module's name, which dependencies and calls use
        SetPluginPriority(50);     // lower numbers start first; 0 means "not ready" and is refused
        // Another module this one needs, at least in this version. A module that is not
        // installed at all does not stop this one; an older one unloads it.
        AddDependency("Klient", "1.0.0.0");
        // The database version this build expects: the database check passes its modules the
        // stored version, and each brings its own tables up to date.
        SetRequiredDBVersion(VersionParser("1.0.0.0"));

        // A menu item "Narzędzia > Notatki" (position 9|1 orders it among the others) with the
        // host's image 0, and the tenth tool button, captioned "Notatki", for everyone.
        AddCommand(true, "&Notatki", "Notatki do dokumentów", "9|1", "Narzędzia|Notatki",
                   [this](TObject*) { OpenNotes(); }, "", 0, true, 9, "Notatki");
        // Only for users granted the privilege SZABLON_CZYSC: disabled for everyone else, and
        // on a fresh database, where nobody has it yet.
        AddCommand(true, "Wyczyść notatki", "Usuwa wszystkie notatki", "9|2", "Narzędzia|Wyczyść notatki",
                   [](TObject*) { DBInt().ExecSQL(std::string(HostConnectionName), "DELETE FROM SzablonNotatki"); },
                   "SZABLON_CZYSC", 0, true, -1, "");
    }

    // Every broadcast arrives here. The database check comes as three passes (tables, then
    // procedures and triggers, then data); AMessage holds the database's stored version, empty
    // for a new database. An exception stops the check and rolls back this module's pass.
    void OnMessage(TPluginMessagesTypes Kind, const std::string&, TConstArray) override {
        if (Kind == pmDBTableRequired)
            DBInt().ExecSQL(std::string(HostConnectionName),
                            "CREATE TABLE IF NOT EXISTS SzablonNotatki (Tresc TEXT NOT NULL)");
    }

    /// Published: another module calls it by name, without linking this one:
    ///   Variant n = manager.methodByName("Szablon", "NotesCount", {}, parentForm);
    Variant NotesCount(TConstArray, TForm*) {
        TDBQuery count("SELECT COUNT(*) AS N FROM SzablonNotatki", std::string(HostConnectionName));
        count.Open();
        return Variant(StrToInt(count.FieldByName("N")));
    }

private:
    // One notes window: a second click brings the open one forward instead of opening another.
    void OpenNotes() {
        if (TForm* open = IsMDIForm("TNotatki", 0, nullptr, askBottom)) {
            RestoreMDI(open);
            return;
        }
        auto* window = new TNotatki(this);  // owned by the plugin, freed with it
        window->SetName("Notatki");
        AddMDIForm("Notatki", window, 480, 320, nullptr, 0, alCascade, 0);
        window->Show();
        std::cout << "Notatki otwarte\n";
    }
};
ZARIX_DEFINE_CLASS(TSzablonPlugin, ZARIX_METHOD(NotesCount))

}  // namespace

// Exports the entry points the host looks for: PluginRegister and PluginDestroy.
ZARIX_PLUGIN(TSzablonPlugin)
