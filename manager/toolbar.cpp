// The toolbar built from the commands and each user's own toolbar rows.
#include "manager/ZarixPluginManager.h"

#include "manager/position_sort.h"
#include "platform/rtl/name_table.h"
#include "platform/rtl/strings.h"
#include "services/db/parameters.h"
#include "services/db/zarix_db.h"
#include "services/exception_handler.h"
#include "services/log_point.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <string_view>
#include <utility>
#include <vector>

namespace zarix {

namespace {

// Longer tool-button captions are shortened.
constexpr std::size_t kMaxCaptionLength = 20;
// Button width when captions are not shown.
constexpr int kIconOnlyButtonWidth = 25;

// Trim without a copy: leading and trailing characters of code 32 or less.
std::string_view TrimView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

std::string ReplaceUnderscores(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

// The first menu command of each trimmed path, by the exact text: one array searched by open
// addressing, hashed eight bytes at a time. A node-based map costs an allocation per command
// and a byte-wise hash per path, more than the rest of the matching.
class TPathIndex {
public:
    explicit TPathIndex(std::size_t Count) : FSlots(std::bit_ceil(2 * Count + 2)) {}
    // Keeps the first command of a path; the texts must outlive the index.
    void Add(std::string_view Path, int Command) {
        TSlot& slot = FSlots[At(Path)];
        if (slot.Command < 0) slot = {Path, Command};
    }
    // The command of Path; -1 when none has it.
    int Find(std::string_view Path) const noexcept { return FSlots[At(Path)].Command; }

private:
    struct TSlot {
        std::string_view Path;
        int Command = -1;
    };
    // The slot holding Path, or the empty one where it would go: the table is never more than
    // half full, so the probe ends.
    std::size_t At(std::string_view Path) const noexcept {
        const std::size_t mask = FSlots.size() - 1;
        for (std::size_t at = Hash(Path) & mask;; at = (at + 1) & mask)
            if (FSlots[at].Command < 0 || FSlots[at].Path == Path) return at;
    }
    static uint64_t Hash(std::string_view s) noexcept {
        using namespace detail;
        const std::size_t n = s.size();
        uint64_t h = n * 0x9E3779B97F4A7C15ull;
        if (n < 8) {
            h = Mix(h, Pack(s.data(), n));
        } else {
            for (std::size_t at = 0; at + 8 <= n; at += 8) h = Mix(h, Load8(s.data() + at));
            if (n % 8 != 0) h = Mix(h, Load8(s.data() + n - 8));
        }
        h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;  // into the low bits the mask keeps
        return h ^ (h >> 33);
    }
    std::vector<TSlot> FSlots;
};

// The current date-time in days, as the parameter manager's reads are dated.
double Now() {
    using namespace std::chrono;
    return duration<double, std::ratio<86400>>(system_clock::now().time_since_epoch()).count() + 25569.0;
}

bool UserParameterIsTrue(const std::string& Name, int32_t User) {
    return ParameterMgr().GetParameterValue(Name, 0, Now(), User, 0, 0) == "T";
}

// The caption of a button whose ToolButtonCaption is Text, when captions are shown. Lengths
// and positions count characters, not bytes: the captions are Polish.
std::string ButtonCaption(const std::string& Text) {
    if (Utf8Length(Trim(Text)) <= kMaxCaptionLength) return Text;
    // Up to and with the first blank; "_" joins the words that belong together in the short
    // form ("Dokumenty_magazynowe PZ" gives "Dokumenty magazynowe").
    const std::string head = Utf8Copy(Text, 1, Utf8Pos(" ", Text));
    if (Text.find('_') != std::string::npos) return Trim(ReplaceUnderscores(head));
    return head + "...";
}

// Shortcuts Alt+F1, Alt+F2, ... by the number of the button, passing over Alt+F4, which closes
// the window. What TextToShortCut makes of "Alt+F<key>", without building the text: no
// shortcut past F24.
TShortCut ButtonShortCut(int ButtonNumber) {
    const int key = ButtonNumber < 4 ? ButtonNumber : ButtonNumber + 1;
    if (key < 1 || key > 24) return 0;
    return static_cast<TShortCut>(scAlt | (VK_F1 + key - 1));
}

// Why a command of the toolbar list gets no button, for the log.
std::string LeftOutReason(const TZarixPluginCommand& Command, bool HiddenByUser) {
    if (HiddenByUser) return "hidden by the user";
    return Command.ShowOnToolBar() ? "disabled" : "not shown on the toolbar";
}

}  // namespace

void TZarixPluginManager::SetCommandsBasedToolBar(TToolBar* ToolBar, TImageList* ImageList, TActionList* ActionList) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        IconsList = ImageList;
        FSortedCommandsToolBarList.reset();
        {
            // The first menu command of each trimmed path, looked up by its hash: one pass over
            // the list instead of a scan of it for every row, and no sorting of texts.
            TPathIndex byPath(FSortedCommandsList ? static_cast<std::size_t>(FSortedCommandsList->Count()) : 0);
            for (int i = 0; FSortedCommandsList && i < FSortedCommandsList->Count(); ++i)
                byPath.Add(TrimView(static_cast<TZarixPluginCommand*>(FSortedCommandsList->Items(i))->MenuPath()), i);
            TDBQuery rows("Select * from UserToolBar where UTBUserOrigid=" + IntToStr(FUserOrigid), "DBCONN");
            rows.Open();
            for (; !rows.Eof(); rows.Next()) {
                const std::string stored = rows.FieldByName("UTBMenuPath");
                const int found = byPath.Find(TrimView(stored));
                if (found < 0) continue;
                auto* command = static_cast<TZarixPluginCommand*>(FSortedCommandsList->Items(found));
                command->SetShowOnToolBar(true);
                if (!FSortedCommandsToolBarList) FSortedCommandsToolBarList = std::make_unique<TList>();
                FSortedCommandsToolBarList->Add(command);
            }
        }
        if (!FSortedCommandsToolBarList) {
            // The user chose nothing that exists: every command that asks for a place does.
            FSortedCommandsToolBarList = std::make_unique<TList>();
            for (TZarixPlugin* plugin : FPlugins) {
                TZarixPluginCommands* commands = plugin->Commands();
                for (int i = 0; i < commands->Count(); ++i)
                    if (commands->Items(i)->ToolBarPosition() >= 0) FSortedCommandsToolBarList->Add(commands->Items(i));
            }
        }
        SortPositionToolbar();
        if (ToolBar == nullptr) ToolBar = new TToolBar(this);
        // A button the user hid stays out of this build: its text after the shortcut prefix.
        std::vector<std::string> hidden;
        while (ToolBar->ButtonCount() > 0) {
            TToolButton* button = ToolBar->Buttons(ToolBar->ButtonCount() - 1);
            if (!button->Visible()) {
                const std::string& hint = button->Hint();
                const auto blank = hint.find(' ');
                hidden.push_back(blank == std::string::npos ? hint : hint.substr(blank + 1));
            }
            delete button;
        }
        if (ActionList == nullptr) throw EPluginError("no action list");
        while (ActionList->ActionCount() > 0) delete ActionList->Actions(ActionList->ActionCount() - 1);
        FCommandBasedToolBar = ToolBar;
        UpdateCommandsBasedToolBarByList(ActionList, hidden);
    } catch (...) {
        throw EPluginError("ToolBar create error.");
    }
}

void TZarixPluginManager::SortPositionToolbar() {
    if (FSortedCommandsToolBarList) SortCommandsByPosition(*FSortedCommandsToolBarList);
}

void TZarixPluginManager::UpdateCommandsBasedToolBarByList(TActionList* ActionList,
                                                           const std::vector<std::string>& AtabToolbarButtonNotVisible) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        TToolBar* toolBar = FCommandBasedToolBar.Get();
        if (toolBar == nullptr || !FSortedCommandsToolBarList) return;
        toolBar->SetImages(IconsList.Get());
        const bool showCaptions = UserParameterIsTrue("Administracja|UserToolbarCaption", FUserOrigid);
        for (int i = 0; i < FSortedCommandsToolBarList->Count(); ++i) {
            auto* command = static_cast<TZarixPluginCommand*>(FSortedCommandsToolBarList->Items(i));
            const std::string hint = ReplaceUnderscores(command->ToolButtonCaption());
            const bool hiddenByUser = std::find(AtabToolbarButtonNotVisible.begin(), AtabToolbarButtonNotVisible.end(),
                                                hint) != AtabToolbarButtonNotVisible.end();
            if (hiddenByUser || !command->ShowOnToolBar() || !command->Enabled()) {
                Log(lcMenu, [&] { return "toolbar: " + command->MenuPath() + " left out, " + LeftOutReason(*command, hiddenByUser); });
                continue;
            }

            auto* button = new TToolButton(toolBar);
            button->SetTop(0);
            button->SetHeight(toolBar->Height());
            button->SetHint(hint);
            button->SetShowHint(true);
            button->SetImageIndex(command->IconIdx);
            button->SetVisible(command->ShowOnToolBar());
            button->SetOnClick(command->OnExecute());
            button->SetParent(toolBar);
            AddCommandView(*command, button);
            toolBar->SetShowCaptions(showCaptions);
            if (showCaptions) button->SetCaption(ButtonCaption(command->ToolButtonCaption()));
            else toolBar->SetButtonWidth(kIconOnlyButtonWidth);
            // Right after the button before it; the first one at the left edge.
            const int count = toolBar->ButtonCount();
            const TToolButton* before = count >= 2 ? toolBar->Buttons(count - 2) : nullptr;
            button->SetLeft(before != nullptr ? before->Left() + before->Width() : 0);
            command->SetToolItemRef(button);
            Log(lcMenu, [&] { return "toolbar: button \"" + hint + "\" for " + command->MenuPath(); });
            if (ActionList != nullptr) {
                auto* action = new TAction(ActionList);
                action->SetShortCut(ButtonShortCut(toolBar->ComponentCount()));
                action->SetOnExecute(command->OnExecute());
                action->SetActionList(ActionList);
                AddCommandView(*command, action);
                button->SetHint(ShortCutToText(action->ShortCut()) + " " + hint);
            }
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "UpdateCommandsBasedToolBarByList", Here());
    }
}

void TZarixPluginManager::SetCommandToolBarVisible(const std::string& AMenuPath, bool visible) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (!FSortedCommandsToolBarList) return;
        for (int i = 0; i < FSortedCommandsToolBarList->Count(); ++i) {
            auto* command = static_cast<TZarixPluginCommand*>(FSortedCommandsToolBarList->Items(i));
            if (command == nullptr || !command->MenuPath().starts_with(AMenuPath)) continue;
            if (TToolButton* button = command->ToolItemRef()) button->SetVisible(visible);
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixPluginManager.SetCommandToolBarVisible", Here());
    }
}

void TZarixPluginManager::SetToolbarVisible(int32_t Userid) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (TToolBar* toolBar = FCommandBasedToolBar.Get())
            toolBar->SetVisible(UserParameterIsTrue("Administracja|UserToolbarVisible", Userid));
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixPluginManager.SetToolbarVisible", Here());
    }
}

void TZarixPluginManager::ToolBarMustRefresh(int32_t AUserOrigid) {
    ZARIX_ASSERT_UI_THREAD();
    FUserOrigid = AUserOrigid;
    if (OnToolBarMustRefresh) OnToolBarMustRefresh(this);
}

}  // namespace zarix
