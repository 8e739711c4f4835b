// Messages to every plugin, and the three-pass database check.
#include "manager/ZarixPluginManager.h"

#include "platform/ui/application.h"
#include "plugin/plugin_utils.h"
#include "services/controls/progress_form.h"
#include "services/exception_handler.h"
#include "services/log_point.h"

#include <algorithm>

namespace zarix {

namespace {
// The pass as the db log names it.
std::string PassName(TPluginMessagesTypes Pass) {
    switch (Pass) {
        case pmDBTableRequired: return "pass pmDBTableRequired";
        case pmDBProcRequired: return "pass pmDBProcRequired";
        case pmDBDataRequired: return "pass pmDBDataRequired";
        default: return "message " + std::to_string(static_cast<int>(Pass));
    }
}
}  // namespace

class TZarixPluginManager::TBroadcastScope {
public:
    explicit TBroadcastScope(TZarixPluginManager& Manager) noexcept : FManager(Manager) { ++FManager.FBroadcastDepth; }
    ~TBroadcastScope() {
        if (--FManager.FBroadcastDepth > 0) return;
        FManager.FUnloadedInBroadcast.clear();
        FManager.FUnloadedListIncomplete = false;
        FManager.RunDeferredUnloads();
    }
    TBroadcastScope(const TBroadcastScope&) = delete;
    TBroadcastScope& operator=(const TBroadcastScope&) = delete;

private:
    TZarixPluginManager& FManager;
};

TZarixPluginManager::TPriorityOrder TZarixPluginManager::PriorityOrder() const {
    TPriorityOrder order;
    if (!FPluginPriorities) return order;
    const int count = FPluginPriorities->Count();
    order.Plugins.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) order.Plugins.push_back(static_cast<TZarixPlugin*>(FPluginPriorities->Objects(i)));
    return order;
}

bool TZarixPluginManager::IsUnloadDeferred(const TZarixPlugin* Plugin) const noexcept {
    return std::any_of(FDeferredUnloads.begin(), FDeferredUnloads.end(),
                       [Plugin](const TWeak<TZarixPlugin>& p) { return p.Get() == Plugin; });
}

template <class F>
void TZarixPluginManager::ForEachPluginByPriority(const TPriorityOrder& Order, F&& Visit) {
    // One place on the handler stack for the whole walk, holding the plugin being visited.
    FInHandler.push_back(nullptr);
    const std::size_t slot = FInHandler.size() - 1;
    struct Leave {
        std::vector<const TZarixPlugin*>& InHandler;
        ~Leave() { InHandler.pop_back(); }
    } leave{FInHandler};
    for (TZarixPlugin* plugin : Order.Plugins) {
        // Every plugin of the order was recorded when the walk began; only an unload takes
        // one out, and an unload inside a broadcast is listed. Nothing is read of a plugin
        // that went: its component may be gone with its library.
        const auto unloaded = [&] {
            if (FUnloadedListIncomplete) return std::find(FPlugins.begin(), FPlugins.end(), plugin) == FPlugins.end();
            return std::find(FUnloadedInBroadcast.begin(), FUnloadedInBroadcast.end(), plugin) !=
                   FUnloadedInBroadcast.end();
        };
        if (plugin == nullptr || ((!FUnloadedInBroadcast.empty() || FUnloadedListIncomplete) && unloaded()) ||
            IsUnloadDeferred(plugin))
            continue;
        FInHandler[slot] = plugin;
        Visit(*plugin);
        FInHandler[slot] = nullptr;
    }
}

void TZarixPluginManager::RunDeferredUnloads() noexcept {
    // Not while any plugin's code is still on the stack (a broadcast made from inside a method
    // called by name ends before the method does): that plugin's unload would only be deferred
    // again, and the loop below would never end.
    if (FBroadcastDepth > 0 || !FInHandler.empty()) return;
    // Taken one at a time: an unload may run code that defers no more (no broadcast is open),
    // but the list must not be walked while it changes.
    while (!FDeferredUnloads.empty()) {
        const TZarixPlugin* plugin = FDeferredUnloads.front().Get();
        FDeferredUnloads.erase(FDeferredUnloads.begin());
        const auto at = std::find(FPlugins.begin(), FPlugins.end(), plugin);
        if (plugin == nullptr || at == FPlugins.end()) continue;
        try {
            UnloadPlugin(static_cast<int>(at - FPlugins.begin()));
        } catch (...) {
            ZarixExceptionHandler(std::current_exception(), "TZarixPluginManager.UnloadPlugin", Here());
        }
    }
}

void TZarixPluginManager::SendMessageBroadcast(TPluginMessagesTypes AMessageType, const std::string& AMessage,
                                               TConstArray AParams) {
    ZARIX_ASSERT_UI_THREAD();
    if (!FPluginPriorities) return;
    const TBroadcastScope scope(*this);
    ForEachPluginByPriority(PriorityOrder(),
                            [&](TZarixPlugin& plugin) { plugin.OnMessage(AMessageType, AMessage, AParams); });
}

void TZarixPluginManager::DatabaseCheckBroadcast(const std::string& AExistingDBVersion, bool bShowProgress) {
    ZARIX_ASSERT_UI_THREAD();
    if (!FPluginPriorities) return;
    TWeak<TProgressFrm> progress;
    // Released however the check ends: a handler that raises must not leave the window up.
    struct ReleaseProgress {
        TWeak<TProgressFrm>& Window;
        ~ReleaseProgress() {
            if (TProgressFrm* window = Window.Get()) window->Release();
        }
    } release{progress};
    if (bShowProgress) {
        auto* window = new TProgressFrm(this);
        progress = window;
        // "Podnoszenie baz danych..." = upgrading the databases.
        window->SetTextLine("Podnoszenie baz danych...");
        window->SetMax(10);
        window->CenterOnScreen();
        window->Show();
        window->SetPosition(5);
        window->SetStep(1);
        Application().ProcessMessages();
    }
    // "Weryfikacja struktury / procedur / danych modułu: " = verifying the module's structure
    // (tables), procedures, data.
    const std::pair<TPluginMessagesTypes, const char*> passes[] = {
        {pmDBTableRequired, "Weryfikacja struktury modułu: "},
        {pmDBProcRequired, "Weryfikacja procedur modułu: "},
        {pmDBDataRequired, "Weryfikacja danych modułu: "},
    };
    const TBroadcastScope scope(*this);
    const TPriorityOrder order = PriorityOrder();
    for (const auto& [kind, text] : passes) {
        ForEachPluginByPriority(order, [&, kind = kind, text = text](TZarixPlugin& plugin) {
            if (TProgressFrm* window = progress.Get()) {
                window->SetTextLine(text + GetNicePluginName(plugin.GetPluginName()));
                window->StepIt();
                Application().ProcessMessages();
            }
            const TLogDBScope logScope([&] { return "module " + plugin.GetPluginName() + ", " + PassName(kind); });
            plugin.OnMessage(kind, AExistingDBVersion, {});
        });
    }
}

}  // namespace zarix
