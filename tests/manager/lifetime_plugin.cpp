// A plugin for the tests of a plugin's end of life, with two commands and a singleton of its
// own. LIFETIME_EXTERNAL_CLASS gives the plugin class external linkage, as an author's class
// usually has; LIFETIME_STATIC_OWNER owns the component in a function-local static and exports
// no destroy entry, as libraries made before the destroy entry did. LIFETIME_CALLBACKS leaves
// process-wide callbacks installed, as a careless plugin would, and never takes them out.
#include "journal.h"

#include "manager/ZarixPluginManager.h"
#include "platform/os/module_unload.h"
#include "platform/ui/application.h"
#include "platform/ui/ui_change.h"
#include "plugin/plugin_entry.h"
#include "services/exception_handler.h"
#include "services/singleton.h"

namespace {

// Journals without letting an allocation failure out of a destructor.
void Note(const char* what) noexcept {
    try {
        JournalAdd(std::string(what) + ":" + LIFETIME_NAME);
    } catch (...) {
    }
}

class TLifetimeState : public zarix::TSingleton {
public:
    ~TLifetimeState() override { Note("singleton-gone"); }
};

[[maybe_unused]] void FailureSeen(std::exception_ptr, const zarix::TUIChange&) noexcept { Note("failure"); }

}  // namespace

#ifndef LIFETIME_EXTERNAL_CLASS
namespace {
#endif
class TLifetimePlugin : public zarix::TZarixPlugin {
public:
    explicit TLifetimePlugin(zarix::TComponent* owner) : TZarixPlugin(owner) {
        SetPluginName(LIFETIME_NAME);
        SetPluginPriority(10);
        for (const char* caption : {"Pierwsza", "Druga"})
            AddCommand(true, caption, caption, "1|1", std::string("Koniec|") + caption,
                       [](zarix::TObject*) { Note("execute"); }, "", 0, true, 0, caption);
        zarix::TSingleton::Instance<TLifetimeState>();
#ifdef LIFETIME_CALLBACKS
        zarix::SetExceptionSink([](const zarix::TExceptionReport&) { Note("sink"); });
        zarix::SetUIChangeHandler([](const zarix::TUIChange&) { Note("change"); });
        zarix::SetUIChangeFailureHandler(&FailureSeen);
        zarix::Application().Queue([] { Note("message"); });
        zarix::AddModuleUnloadObserver([](const zarix::TModuleUnload&) { Note("observer"); });
#endif
    }
    ~TLifetimePlugin() override { Note("destroy"); }
#ifdef LIFETIME_CALLBACKS
    bool Initialize(zarix::TComponent* manager, zarix::TApplication* app, const std::string& file) override {
        auto* host = static_cast<zarix::TZarixPluginManager*>(manager);
        for (zarix::TNotifyEvent* handler :
             {&host->OnMenuMustRefresh, &host->OnToolBarMustRefresh, &host->OnMainCaptionRefresh})
            *handler = [](zarix::TObject*) { Note("refresh"); };
        return TZarixPlugin::Initialize(manager, app, file);
    }
#endif
};
#ifndef LIFETIME_EXTERNAL_CLASS
}  // namespace
#endif

#ifdef LIFETIME_STATIC_OWNER
template <class Plugin>
zarix::TZarixPlugin* StaticallyOwned() {
    static std::unique_ptr<Plugin> instance = std::make_unique<Plugin>(nullptr);
    return instance.get();
}
extern "C" __attribute__((visibility("default"))) zarix::TZarixPlugin* PluginRegister() {
    return StaticallyOwned<TLifetimePlugin>();
}
#else
ZARIX_PLUGIN(TLifetimePlugin)
#endif
