// A plugin for the tests of a plugin's end of life. Compile definitions choose how it is made:
// LIFETIME_NAME; LIFETIME_EXTERNAL_CLASS gives the plugin class external linkage, as a plugin
// author's class usually has; LIFETIME_STATIC_OWNER owns the component in a function-local
// static and exports no destroy entry, as libraries built before the destroy entry did.
#include "journal.h"

#include "plugin/plugin_entry.h"
#include "plugin/zarixplugin.h"
#include "services/singleton.h"

#include <memory>
#include <string>

namespace {

// Journals without letting an allocation failure out of a destructor.
void Note(const char* what) noexcept {
    try {
        JournalAdd(std::string(what) + ":" + LIFETIME_NAME);
    } catch (...) {
    }
}

// State of the plugin's own that the process-wide singleton registry holds.
class TLifetimeState : public zarix::TSingleton {
public:
    ~TLifetimeState() override;
};
TLifetimeState::~TLifetimeState() { Note("singleton-gone"); }

}  // namespace

#ifndef LIFETIME_EXTERNAL_CLASS
namespace {
#endif

class TLifetimePlugin : public zarix::TZarixPlugin {
public:
    explicit TLifetimePlugin(zarix::TComponent* owner) : TZarixPlugin(owner) {
        SetName(std::string("Lifetime_") + LIFETIME_NAME);
        SetPluginName(LIFETIME_NAME);
        SetPluginPriority(10);
        for (const char* caption : {"Pierwsza", "Druga"})
            AddCommand(true, caption, caption, "1|1", "Koniec|" + std::string(caption),
                       [](zarix::TObject*) { Note("execute"); }, "", 0, true, 0, caption);
        zarix::TSingleton::Instance<TLifetimeState>();
        Note("create");
    }
    ~TLifetimePlugin() override { Note("destroy"); }
};

#ifndef LIFETIME_EXTERNAL_CLASS
}  // namespace
#endif

#ifdef LIFETIME_STATIC_OWNER
template <class Plugin>
zarix::TZarixPlugin* StaticallyOwned() {
    static std::unique_ptr<Plugin> instance;
    if (!instance) instance = std::make_unique<Plugin>(nullptr);
    return instance.get();
}
extern "C" __attribute__((visibility("default"))) zarix::TZarixPlugin* PluginRegister() {
    return StaticallyOwned<TLifetimePlugin>();
}
#else
ZARIX_PLUGIN(TLifetimePlugin)
#endif
