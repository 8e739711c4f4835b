// menu and toolbar: what a user sees of the plugins' commands.
#include "commands.h"

#include "host_session.h"
#include "json.h"
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

void PrintItemJson(const TMenuItem& item, int depth) {
    const std::string pad(static_cast<std::size_t>(depth) * 2 + 2, ' ');
    std::cout << pad << "{\"caption\": " << JsonString(item.Caption()) << ", \"position\": " << item.MenuIndex()
              << ", \"enabled\": " << JsonBool(item.Enabled()) << ", \"visible\": " << JsonBool(item.Visible())
              << ", \"image\": " << item.ImageIndex() << ", \"hint\": " << JsonString(item.Hint()) << ", \"items\": [";
    for (int i = 0; i < item.Count(); ++i) {
        std::cout << (i ? ",\n" : "\n");
        PrintItemJson(*item.Items(i), depth + 1);
    }
    std::cout << (item.Count() ? "\n" + pad : "") << "]}";
}

}  // namespace

int MenuCommand(const TArgs& args) {
    THostSession session(args);
    session.PrintFailures();
    TMainMenu menu(nullptr);
    session.Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    if (session.User) session.Manager->CheckMenuVSPrivileges();
    const TMenuItem& root = *menu.Items();
    if (args.Json) {
        std::cout << "{\"user\": " << (session.User ? std::to_string(*session.User) : "null") << ", \"items\": [";
        for (int i = 0; i < root.Count(); ++i) {
            std::cout << (i ? ",\n" : "\n");
            PrintItemJson(*root.Items(i), 0);
        }
        std::cout << (root.Count() ? "\n" : "") << "]}\n";
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
        std::cout << "{\"user\": " << *session.User << ", \"visible\": " << JsonBool(bar.Visible())
                  << ", \"showCaptions\": " << JsonBool(bar.ShowCaptions()) << ", \"buttons\": [";
        for (int i = 0; i < bar.ButtonCount(); ++i) {
            const TToolButton& b = *bar.Buttons(i);
            std::cout << (i ? "," : "") << "\n  {\"caption\": " << JsonString(b.Caption())
                      << ", \"hint\": " << JsonString(b.Hint()) << ", \"image\": " << b.ImageIndex()
                      << ", \"visible\": " << JsonBool(b.Visible()) << ", \"left\": " << b.Left() << "}";
        }
        std::cout << (bar.ButtonCount() ? "\n" : "") << "]}\n";
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
