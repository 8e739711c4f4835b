// session: a short scripted session over the sample application's windows, printing the
// active-windows tree after each step.
#include "commands.h"

#include "host_session.h"
#include "json_output.h"
#include "reported_errors.h"
#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/application.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

using TWindowMethod = Variant(TConstArray, TForm*);

void PrintNode(const TTreeNode& node, int depth) {
    std::cout << "    " << std::string(static_cast<std::size_t>(depth) * 2, ' ') << node.Text() << '\n';
    for (int i = 0; i < node.Count(); ++i) PrintNode(*node.Item(i), depth + 1);
}

void PrintTree(const TTreeView& tree) {
    for (int i = 0; i < tree.Items()->RootCount(); ++i) PrintNode(*tree.Items()->Root(i), 0);
}

TJson NodeJson(const TTreeNode& node) {
    TJson json = {{"text", node.Text()}, {"children", TJson::array()}};
    for (int i = 0; i < node.Count(); ++i) json["children"].push_back(NodeJson(*node.Item(i)));
    return json;
}

TJson TreeJson(const TTreeView& tree) {
    TJson roots = TJson::array();
    for (int i = 0; i < tree.Items()->RootCount(); ++i) roots.push_back(NodeJson(*tree.Items()->Root(i)));
    return roots;
}

// Runs a published method of a window by name, as a front-end's button would.
Variant Call(TForm* window, const char* method, TConstArray args = {}) {
    if (window == nullptr) throw Exception(std::string("no window for ") + method);
    auto bound = window->MethodAddress<TWindowMethod>(method);
    if (!bound) throw Exception(std::string(window->ClassName()) + " has no method " + method);
    return bound(args, nullptr);
}

void Click(TMenu& menu, std::initializer_list<const char*> path) {
    TMenuItem* item = menu.Items();
    for (const char* caption : path) {
        item = item != nullptr ? item->Find(caption) : nullptr;
        if (item == nullptr) throw Exception(std::string("no menu item ") + caption);
    }
    item->Click();
}

}  // namespace

int SessionCommand(const TArgs& args) {
    RequirePluginFolder(args);
    const TReportedErrors reports;
    // The host's main window: the MDI frame, the active-windows tree with its own first node
    // ("Okna" = windows), the container, then the manager, which goes first at the end and
    // takes the plugins' windows with it.
    TComponent host(nullptr);
    auto* frame = new TForm(&host);
    frame->SetFormStyle(fsMDIForm);
    frame->SetBounds(0, 0, 1200, 800);
    auto* tree = new TTreeView(&host);
    tree->Items()->Add(nullptr, "Okna");
    TZarixMDIContainer container(nullptr);
    container.SetMDIParent(frame);
    container.SetActiveWindows(tree);
    TZarixPluginManager manager(nullptr);
    manager.SetMDIContainer(&container);
    if (const std::optional<std::string>& folder = args.Folder) manager.SetPluginFolder(*folder);
    manager.LoadPlugins();
    TMainMenu menu(nullptr);
    manager.SetCommandsBasedMenu(&menu, nullptr, nullptr);

    int stepNo = 0;
    TJson document = JsonDocument("session");
    document["steps"] = TJson::array();
    const auto step = [&](const std::string& what) {
        Application().ProcessMessages();
        ++stepNo;
        if (args.Json) {
            document["steps"].push_back({{"step", stepNo}, {"what", what}, {"windows", TreeJson(*tree)}});
            return;
        }
        std::cout << stepNo << ". " << what << '\n';
        PrintTree(*tree);
    };

    Click(menu, {"Kartoteki", "Kontrahenci"});
    step("Kartoteki > Kontrahenci opens the customer list");

    TForm* list = container.IsMDIForm(nullptr, "TCustomerList", 0, askAll);
    Call(list, "OpenCard", Args(15));
    step("the list opens the card of customer 15, cascaded under it");

    const std::string again = Call(list, "OpenCard", Args(15)).AsString();
    step("asked again, the list looks the card up below itself: " + again);

    TForm* card = container.IsMDIForm(list, "TCustomerCard", 15, askBottom);
    Call(card, "Save");
    step("the card saves the customer; the other windows refresh: \"" + list->Caption() + "\"");

    Click(menu, {"Dokumenty", "Sprzedaż", "Faktura VAT"});
    TForm* invoice = container.IsMDIForm(nullptr, "TInvoiceWindow", 0, askAll);
    Call(invoice, "PickCustomer");
    step("a new invoice asks the customer module for its picker");

    invoice->Close();
    step("the invoice will not close while the picker waits: \"" + invoice->Caption() + "\"");

    TForm* picker = container.GetMDIBottomChild(invoice, "");
    Call(picker, "Choose", Args(15));
    picker->Close();
    step("the picker hands customer 15 back and closes: \"" + invoice->Caption() + "\"");

    list->Close();
    step("closing the list leaves its card open, one level up");
    if (args.Json) PrintJson(document);
    return reports.Count() == 0 ? 0 : 1;
}

}  // namespace zarixctl
