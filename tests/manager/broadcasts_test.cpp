// Broadcasts in priority order and the three-pass database check with its progress window.
#include "loading_fixture.h"

#include "platform/ui/application.h"
#include "ui_change_scope.h"
#include "services/controls/progress_form.h"

using namespace zarix;

namespace {

bool HoldsAProgressWindow(const TComponent& owner) {
    for (int i = 0; i < owner.ComponentCount(); ++i)
        if (dynamic_cast<TProgressFrm*>(owner.Components(i)) != nullptr) return true;
    return false;
}

}  // namespace

TEST_F(LoadingTest, BroadcastsReachEveryPluginInPriorityOrderWithTheSameArguments) {
    LoadAll({"alfa", "beta", "delta"});  // priorities 20, 3, 5
    const std::string text = "połączono";
    Manager->SendMessageBroadcast(pmDBConnectionEstablished, text, Args(1, 2));
    EXPECT_EQ(Only(JournalTake(), "message:"),
              (TNames{"Beta:pmDBConnectionEstablished:połączono:2", "Delta:pmDBConnectionEstablished:połączono:2",
                      "Alfa:pmDBConnectionEstablished:połączono:2"}));
}

// The check runs three passes behind its progress window, which goes however the check ends.
TEST_F(LoadingTest, TheCheckRunsThreePassesBehindItsProgressWindowAndAHandlerThatRaisesEndsIt) {
    LoadAll({"alfa", "beta"});
    TNames shown;
    const TUIChangeScope frontEnd([&](const TUIChange& change) {
        if (auto* window = dynamic_cast<TProgressFrm*>(change.Sender); window && change.What == "Position")
            shown.push_back(window->TextLine() + " @" + std::to_string(window->Bar().Position) + "/" +
                            std::to_string(window->Bar().Max));
    });
    Manager->DatabaseCheckBroadcast("2026.1", true);
    EXPECT_EQ(Only(JournalTake(), "message:"),
              (TNames{"Beta:pmDBTableRequired:2026.1:0", "Alfa:pmDBTableRequired:2026.1:0",
                      "Beta:pmDBProcRequired:2026.1:0", "Alfa:pmDBProcRequired:2026.1:0",
                      "Beta:pmDBDataRequired:2026.1:0", "Alfa:pmDBDataRequired:2026.1:0"}));
    EXPECT_EQ(shown, (TNames{"Podnoszenie baz danych... @5/10", "Weryfikacja struktury modułu: BETA @6/10",
                             "Weryfikacja struktury modułu: ALFA @7/10", "Weryfikacja procedur modułu: BETA @8/10",
                             "Weryfikacja procedur modułu: ALFA @9/10", "Weryfikacja danych modułu: BETA @10/10",
                             "Weryfikacja danych modułu: ALFA @10/10"}));
    Application().ProcessMessages();
    EXPECT_FALSE(HoldsAProgressWindow(*Manager)) << "the window was not released";

    LoadAll({"kasa"});  // Kasa (priority 4) fails its procedures
    EXPECT_THROW(Manager->DatabaseCheckBroadcast("1.0", true), Exception);
    EXPECT_EQ(Only(JournalTake(), "message:"),
              (TNames{"Beta:pmDBTableRequired:1.0:0", "Kasa:pmDBTableRequired:1.0:0", "Alfa:pmDBTableRequired:1.0:0",
                      "Beta:pmDBProcRequired:1.0:0", "Kasa:pmDBProcRequired:1.0:0"}));
    Application().ProcessMessages();
    EXPECT_FALSE(HoldsAProgressWindow(*Manager)) << "the window was not released after the failure";
}

// A handler that unloads a plugin during a broadcast: who still hears the message, and when
// the plugin goes. Beta (priority 3), Delta (5) and Alfa (20) each act on the message; a plugin
// that broadcasts through its own component hears itself in its turn.
TEST_F(LoadingTest, AnUnloadDuringABroadcastSkipsWhatWentAndAPluginUnloadingItselfGoesAfterwards) {
    // Each case: the message; the "message:" and "destroy:" entries, in order; and whether Delta's
    // own method, called by name, broadcasts it.
    const std::tuple<const char*, TNames, bool> cases[] = {
        {"Beta unloads Delta", {"message:Beta", "destroy:Delta", "message:Alfa"}, false},
        {"Beta unloads Beta", {"message:Beta", "message:Delta", "message:Alfa", "destroy:Beta"}, false},
        // Delta's method is still running when the walk ends: Delta goes after it.
        {"Delta unloads Delta", {"message:Beta", "message:Delta", "message:Alfa", "destroy:Delta"}, true},
    };
    for (const auto& [message, expected, fromDeltasMethod] : cases) {
        SCOPED_TRACE(message);
        StartOver();
        LoadAll({"alfa", "beta", "delta"});
        if (fromDeltasMethod)
            EXPECT_TRUE(Manager->methodByName("Delta", "Shout", Args(message), nullptr).AsBoolean());
        else
            EXPECT_NO_THROW(Manager->SendMessageBroadcast(pmCustom, message, {}));
        TNames heard;
        for (const std::string& entry : JournalTake())
            if (entry.rfind("message:", 0) == 0 || entry.rfind("destroy:", 0) == 0)
                heard.push_back(entry.substr(0, entry.find(':', entry.find(':') + 1)));
        EXPECT_EQ(heard, expected);
        EXPECT_EQ(Manager->PluginCount(), 2);
        // The database check walks the same way and leaves the same two.
        Manager->DatabaseCheckBroadcast("1.0", false);
        EXPECT_EQ(Only(JournalTake(), "message:").size(), 6u);
    }
}
