// The main menu built from the plugins' commands.
#include "manager/ZarixPluginManager.h"

#include "manager/position_sort.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "services/exception_handler.h"
#include "services/log_point.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace zarix {

namespace {
// The image of submenu items made on the way to a command.
constexpr int kSubmenuImage = 495;
}  // namespace

void TZarixPluginManager::SetCommandsBasedMenu(TMenu* Menu, TImageList* ImageList, TMenuItem* RootItem) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        IconsList = ImageList;
        if (Menu == nullptr) {
            Menu = new TMenu(this);
            RootItem = nullptr;
        }
        if (RootItem == nullptr) RootItem = Menu->Items();
        FCommandBasedMenu = Menu;
        FCommandBasedMenuRoot = RootItem;
        FSortedCommandsList = std::make_unique<TList>();
        int commandCount = 0;
        for (const TZarixPlugin* plugin : FPlugins) commandCount += plugin->Commands()->Count();
        FSortedCommandsList->SetCapacity(commandCount);
        for (TZarixPlugin* plugin : FPlugins) {
            TZarixPluginCommands* commands = plugin->Commands();
            for (int i = 0; i < commands->Count(); ++i)
                if (commands->Items(i)->ShowInMenu()) FSortedCommandsList->Add(commands->Items(i));
        }
        SortPosition();
        if (FSortedCommandsList->Count() > 0) UpdateCommandsBasedMenuByList();
    } catch (...) {
        throw EPluginError("Menu create error.");
    }
}

void TZarixPluginManager::SortPosition() {
    if (FSortedCommandsList) SortCommandsByPosition(*FSortedCommandsList);
}

bool TZarixPluginManager::IsSameGroup(const TExplodeArray& A, const TExplodeArray& B, int L) {
    return SamePositionGroup(A, B, L);
}

namespace {

// The elements of a path or position text, split at "|" as Explode splits it (an empty text
// is one empty element), as views into the text found in one reading of it: the menu build
// splits two texts per command and needs no copy of either.
class TPathElements {
public:
    explicit TPathElements(std::string_view text) : FText(text) {
        for (const char* bar = Bar(text.data()); bar != nullptr; bar = Bar(bar + 1))
            Push(static_cast<std::size_t>(bar - text.data()));
        Push(text.size());
    }
    std::size_t Count() const noexcept { return FCount; }
    std::string_view operator[](std::size_t i) const noexcept {
        const std::size_t begin = i == 0 ? 0 : End(i - 1) + 1;
        return FText.substr(begin, End(i) - begin);
    }

private:
    static constexpr std::size_t kInline = 8;  // deeper menus are rare
    // The next bar from `from` on, in the text whose end is FText's.
    const char* Bar(const char* from) const noexcept {
        return static_cast<const char*>(std::memchr(from, '|', static_cast<std::size_t>(FText.data() + FText.size() - from)));
    }
    std::size_t End(std::size_t i) const noexcept { return i < kInline ? FEnd[i] : FMore[i - kInline]; }
    void Push(std::size_t end) {
        if (FCount < kInline) FEnd[FCount] = end;
        else FMore.push_back(end);
        ++FCount;
    }
    std::string_view FText;
    std::size_t FEnd[kInline];  // where each element ends: the first FCount are set
    std::vector<std::size_t> FMore;
    std::size_t FCount = 0;
};

}  // namespace

void TZarixPluginManager::Remember(TMenuWalkStep& Step, const TMenuItem* Parent, std::string_view Text, TMenuItem* Found) {
    Step.Parent = Parent;
    Step.Generation = Parent->ChildrenGeneration();
    if (Step.Text != Text) Step.Text.assign(Text);
    Step.Found = Found;
}

void TZarixPluginManager::BuildCommandItem(TZarixPluginCommand& Command, TMenuBuild Build, TMenuWalkCache& Cache) {
    TMenu* menu = FCommandBasedMenu.Get();
    if (menu == nullptr) return;
    const TPathElements path(Command.MenuPath());
    const TPathElements positions(Command.MenuPosition());
    const std::size_t count = path.Count();
    if (count != positions.Count())
        throw Exception("Create menu: MenuPath differs from MenuPositions - (" + Command.MenuPath() + " - " +
                        Command.MenuPosition() + ")");
    TMenuItem* current = menu->Items();
    for (std::size_t j = 0; j < count; ++j) {
        const std::string_view element = path[j];
        // Converted before anything is made, so a bad position leaves no half-made item.
        const int32_t position = PositionValue(positions[j]);
        const bool last = j + 1 == count;
        // Commands in menu order mostly share the start of their paths: what Find answered
        // for the same text under the same, unchanged parent is still its answer.
        if (Cache.size() <= j) Cache.resize(j + 1);
        TMenuWalkStep& step = Cache[j];
        // The element's hash serves every search for it and the item made of it.
        const TMenuCaption caption(element);
        TMenuItem* found = step.Parent == current && step.Generation == current->ChildrenGeneration() &&
                                   step.Text == element
                               ? step.Found
                               : current->Find(caption);
        if (found != nullptr) {
            TMenuItem* parent = current;
            current = found;
            found->SetMenuIndex(position);
            Remember(step, parent, element, found);
            Log(lcMenu, [&] { return Command.MenuPath() + ": \"" + std::string(element) + "\" reused"; });
            continue;
        }
        if (!last) {
            auto* submenu = new TMenuItem(menu);
            submenu->SetCaption(std::string(element));
            submenu->SetImageIndex(kSubmenuImage);
            current->Add(submenu, caption);
            Remember(step, current, element, submenu);
            Log(lcMenu, [&] { return Command.MenuPath() + ": submenu \"" + std::string(element) + "\" made"; });
            current = submenu;
            continue;
        }
        // A command whose caption is already a top-level entry gets no item of its own. The
        // caption is mostly the path's last element, already hashed.
        const TMenuCaption ownCaption(Command.Caption());
        const TMenuCaption& itemCaption = ownCaption.Text() == element ? caption : ownCaption;
        if (Build == TMenuBuild::List && menu->Items()->Find(itemCaption) != nullptr) {
            Log(lcMenu, [&] { return Command.MenuPath() + ": no item, \"" + Command.Caption() + "\" is a top-level item"; });
            return;
        }
        auto* item = new TMenuItem(menu);
        item->SetCaption(Command.Caption());
        item->SetHint(Command.Hint());
        item->SetOnClick(Command.OnExecute());
        item->SetEnabled(Command.Enabled());
        if (Build == TMenuBuild::List) {
            item->SetVisible(Command.Visible());
            Command.SetMenuItemRef(item);
            Command.SetToolItemRef(nullptr);
            if (Command.IconIdx >= 0) item->SetImageIndex(Command.IconIdx);
        } else {
            item->SetImageIndex(Command.ImageIndex());
        }
        if (!Command.PrivilegeToCheckName().empty())
            FCommandBaseMenuPrivileges.push_back(TMenuPrivilege{Command.PrivilegeToCheckName(), item});
        AddCommandView(Command, item);
        current->Add(item, itemCaption);
        Log(lcMenu, [&] { return Command.MenuPath() + ": item \"" + Command.Caption() + "\" made"; });
    }
}

void TZarixPluginManager::UpdateCommandsBasedMenuByList() {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (TMenu* menu = FCommandBasedMenu.Get()) menu->SetImages(IconsList.Get());
        if (!FSortedCommandsList) return;
        TMenuWalkCache cache;
        for (int i = 0; i < FSortedCommandsList->Count(); ++i)
            BuildCommandItem(*static_cast<TZarixPluginCommand*>(FSortedCommandsList->Items(i)), TMenuBuild::List, cache);
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "Menu path create error ! ", Here());
    }
}

void TZarixPluginManager::UpdateCommandsBasedMenu(TZarixPlugin* Plugin) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (Plugin == nullptr) return;
        TZarixPluginCommands* commands = Plugin->Commands();
        TMenuWalkCache cache;
        for (int i = 0; i < commands->Count(); ++i)
            if (commands->Items(i)->ShowInMenu()) BuildCommandItem(*commands->Items(i), TMenuBuild::SinglePlugin, cache);
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "Menu path create error ! ", Here());
    }
}

void TZarixPluginManager::MenuMustRefresh() {
    ZARIX_ASSERT_UI_THREAD();
    if (OnMenuMustRefresh) OnMenuMustRefresh(this);
}

void TZarixPluginManager::CaptionMustRefresh() {
    ZARIX_ASSERT_UI_THREAD();
    if (OnMainCaptionRefresh) OnMainCaptionRefresh(this);
}

void TZarixPluginManager::AddCommandView(const TZarixPluginCommand& Command, TComponent* View) {
    // Views the host destroyed are pruned whenever the list has doubled since the last pruning:
    // it stays about as long as what is shown, at a constant cost per view.
    if (FCommandViews.size() >= 2 * FCommandViewsPruned + 64) {
        std::erase_if(FCommandViews, [](const TCommandView& v) { return !v.View; });
        FCommandViewsPruned = FCommandViews.size();
    }
    FCommandViews.push_back(TCommandView{Command.Plugin(), View});
}

void TZarixPluginManager::CommandDestroyed(const TZarixPluginCommand* Command) noexcept {
    // Its views stay listed under its plugin: they hold copies of its handler, which lives in
    // the plugin's code until the plugin is unloaded.
    for (TList* list : {FSortedCommandsList.get(), FSortedCommandsToolBarList.get()})
        while (list != nullptr && list->Remove(Command) >= 0) {
        }
}

void TZarixPluginManager::ForgetCommandsOf(const TZarixPlugin& Plugin) {
    // Every control whose handler is a copy of one of the plugin's command handlers loses it
    // now, while the library that holds the handlers' code is still loaded: once it is gone
    // neither a click nor the destruction of the copy could be allowed to reach that code.
    // The one allocation comes first: when it fails nothing has changed yet.
    std::vector<const TComponent*> cutItems;
    cutItems.reserve(static_cast<std::size_t>(
        std::count_if(FCommandViews.begin(), FCommandViews.end(), [&](const TCommandView& v) { return v.Plugin == &Plugin; })));
    for (TCommandView& view : FCommandViews) {
        if (view.Plugin != &Plugin) continue;
        if (auto* item = dynamic_cast<TMenuItem*>(view.View.Get())) {
            item->SetOnClick(nullptr);
            item->SetEnabled(false);
            cutItems.push_back(item);
        } else if (auto* button = dynamic_cast<TToolButton*>(view.View.Get())) {
            button->SetOnClick(nullptr);
            button->SetEnabled(false);
        } else if (auto* action = dynamic_cast<TAction*>(view.View.Get())) {
            action->SetOnExecute(nullptr);
            action->SetEnabled(false);
        }
    }
    std::erase_if(FCommandViews, [&](const TCommandView& v) { return !v.View || v.Plugin == &Plugin; });
    // A later privilege pass must not enable an item whose command is gone.
    std::sort(cutItems.begin(), cutItems.end());
    std::erase_if(FCommandBaseMenuPrivileges, [&](const TMenuPrivilege& p) {
        return !p.Item || std::binary_search(cutItems.begin(), cutItems.end(), p.Item.Get());
    });
    // The lists hold only live commands (CommandDestroyed), so each one can be asked its plugin.
    for (TList* list : {FSortedCommandsList.get(), FSortedCommandsToolBarList.get()}) {
        if (list == nullptr) continue;
        for (int i = list->Count() - 1; i >= 0; --i)
            if (static_cast<const TZarixPluginCommand*>(list->Items(i))->Plugin() == &Plugin) list->Delete(i);
    }
}

}  // namespace zarix
