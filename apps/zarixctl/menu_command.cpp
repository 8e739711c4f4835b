// menu and toolbar: what a user sees of the plugins' commands.
#include "commands.h"

#include "host_session.h"
#include "json_output.h"
#include "platform/rtl/strings.h"
#include "services/db/parameters.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

void PrintItemText(const TMenuItem& item, int depth) {
    std::cout << std::string(static_cast<std::size_t>(depth) * 2, ' ') << item.Caption() << "  [" << item.MenuIndex()
              << "]" << (item.Enabled() ? "" : " disabled") << (item.Visible() ? "" : " hidden");
    if (item.ImageIndex() >= 0) std::cout << " image " << item.ImageIndex();
    if (!item.Hint().empty()) std::cout << "  \"" << item.Hint() << '"';
    std::cout << '\n';
    for (int i = 0; i < item.Count(); ++i) PrintItemText(*item.Items(i), depth + 1);
}

TJson ItemJson(const TMenuItem& item) {
    TJson json = {{"caption", item.Caption()}, {"position", item.MenuIndex()}, {"enabled", item.Enabled()},
                  {"visible", item.Visible()}, {"image", item.ImageIndex()}, {"hint", item.Hint()},
                  {"items", TJson::array()}};
    for (int i = 0; i < item.Count(); ++i) json["items"].push_back(ItemJson(*item.Items(i)));
    return json;
}

TJson UserJson(const std::optional<int32_t>& user) { return user ? TJson(*user) : TJson(nullptr); }

}  // namespace

int MenuCommand(const TArgs& args) {
    THostSession session(args);
    session.PrintFailures();
    TMainMenu menu(nullptr);
    session.Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    if (session.User) session.Manager->CheckMenuVSPrivileges();
    const TMenuItem& root = *menu.Items();
    if (args.Json) {
        TJson document = JsonDocument("menu");
        document["user"] = UserJson(session.User);
        document["items"] = TJson::array();
        for (int i = 0; i < root.Count(); ++i) document["items"].push_back(ItemJson(*root.Items(i)));
        PrintJson(document);
    } else {
        if (session.User) std::cout << "Menu of user " << *session.User << " (items enabled by privileges):\n";
        for (int i = 0; i < root.Count(); ++i) PrintItemText(*root.Items(i), 0);
    }
    return session.Failed() ? 1 : 0;
}

int ToolBarCommand(const TArgs& args) {
    THostSession session(args);
    session.PrintFailures();
    TMainMenu menu(nullptr);
    TToolBar bar(nullptr);
    TActionList actions(nullptr);
    session.Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    session.Manager->ToolBarMustRefresh(*session.User);
    session.Manager->SetCommandsBasedToolBar(&bar, nullptr, &actions);
    session.Manager->SetToolbarVisible(*session.User);
    if (args.Json) {
        TJson document = JsonDocument("toolbar");
        document["user"] = UserJson(session.User);
        document["visible"] = bar.Visible();
        document["showCaptions"] = bar.ShowCaptions();
        document["buttons"] = TJson::array();
        for (int i = 0; i < bar.ButtonCount(); ++i) {
            const TToolButton& b = *bar.Buttons(i);
            document["buttons"].push_back({{"caption", b.Caption()}, {"hint", b.Hint()}, {"image", b.ImageIndex()},
                                           {"visible", b.Visible()}, {"left", b.Left()}});
        }
        PrintJson(document);
    } else {
        std::cout << "Toolbar of user " << *session.User << ": " << (bar.Visible() ? "visible" : "hidden") << ", "
                  << (bar.ShowCaptions() ? "with captions" : "icons only") << '\n';
        for (int i = 0; i < bar.ButtonCount(); ++i) {
            const TToolButton& b = *bar.Buttons(i);
            std::cout << "  " << (bar.ShowCaptions() ? "[" + b.Caption() + "]" : std::string("[]")) << "  \""
                      << b.Hint() << "\"  image " << b.ImageIndex() << (b.Visible() ? "" : " hidden") << '\n';
        }
    }
    return session.Failed() ? 1 : 0;
}

}  // namespace zarixctl
