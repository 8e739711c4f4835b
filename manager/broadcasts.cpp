// Messages to every plugin, and the three-pass database check.
#include "manager/ZarixPluginManager.h"

#include "platform/ui/application.h"
#include "plugin/plugin_utils.h"
#include "services/controls/progress_form.h"

namespace zarix {

void TZarixPluginManager::SendMessageBroadcast(TPluginMessagesTypes AMessageType, const std::string& AMessage,
                                               TConstArray AParams) {
    if (!FPluginPriorities) return;
    const int count = FPluginPriorities->Count();
    for (int i = 0; i < count; ++i)
        static_cast<TZarixPlugin*>(FPluginPriorities->Objects(i))->OnMessage(AMessageType, AMessage, AParams);
}

void TZarixPluginManager::DatabaseCheckBroadcast(const std::string& AExistingDBVersion, bool bShowProgress) {
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
    for (const auto& [kind, text] : passes) {
        for (int i = 0; i < FPluginPriorities->Count(); ++i) {
            auto* plugin = static_cast<TZarixPlugin*>(FPluginPriorities->Objects(i));
            if (TProgressFrm* window = progress.Get()) {
                window->SetTextLine(text + GetNicePluginName(plugin->GetPluginName()));
                window->StepIt();
                Application().ProcessMessages();
            }
            plugin->OnMessage(kind, AExistingDBVersion, {});
        }
    }
}

}  // namespace zarix
