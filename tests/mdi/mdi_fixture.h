// Windows that implement the window contract and log what the container asks of them, and a
// container with a frame and an attached tree.
#pragma once

#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/application.h"
#include "services/exception_handler.h"
#include "sync/sync.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class TWindow : public zarix::TZarixMdiForm, public zarix::IMDIInterface {
public:
    TWindow(zarix::TComponent* owner, std::vector<std::string>& log, const std::string& name)
        : TZarixMdiForm(owner), Log(log) {
        SetName(name);
        SetBounds(100, 50, 400, 300);
    }
    void MDIRefresh() override {
        Log.push_back("refresh " + Name());
        if (OnRefresh) OnRefresh();
    }
    bool MDICanClose(const std::string& name, int32_t origId, std::string& msg) override {
        Log.push_back("canclose " + Name() + " " + name + " " + std::to_string(origId));
        if (!Refusal.empty()) msg += Refusal;
        return Refusal.empty();
    }
    void MDIParentClosing(const std::string& parentClass, int32_t origId) override {
        Log.push_back("parentclosing " + Name() + " " + parentClass + " " + std::to_string(origId));
        if (CloseWithParent) Close();
    }
    void MDIReceiveResult(const std::string& childClass, int32_t origId) override {
        Log.push_back("result " + Name() + " " + childClass + " " + std::to_string(origId) + " " +
                      zarix::MDIResult().StringValueByName("KLIENT"));
    }
    std::vector<std::string>& Log;
    std::string Refusal;
    bool CloseWithParent = false;
    std::function<void()> OnRefresh;
};

// Window classes the lookups tell apart by their run-time class names.
class TCustomerList : public TWindow {
public:
    using TWindow::TWindow;
};
class TCustomerCard : public TWindow {
public:
    using TWindow::TWindow;
};
class TInvoice : public TWindow {
public:
    using TWindow::TWindow;
};

// A registered window that does not keep the contract.
class TPlainForm : public zarix::TZarixMdiForm {
public:
    using TZarixMdiForm::TZarixMdiForm;
};

class MdiTest : public ::testing::Test {
protected:
    MdiTest() {
        Frame->SetFormStyle(zarix::fsMDIForm);
        Tree->Items()->Add(nullptr, "Okna");  // the host's own first node, kept by every rebuild
        Container->SetMDIParent(Frame);
        Container->SetActiveWindows(Tree);
    }
    ~MdiTest() override {
        zarix::MDIResult().ClearMDIResults();
        zarix::ModifiedObjects().ClearModifiedObjects();
    }
    template <class W = TWindow>
    W* Open(const std::string& name, zarix::TForm* parent = nullptr, int32_t origId = 0) {
        auto* window = new W(&Owner, Log, name);
        Container->AddMDIForm(window, 300, 400, parent, origId, zarix::alNotAligned, 3);
        window->Show();
        return window;
    }
    /// The tree as "name(child,child)" texts of the root-level nodes, in order.
    std::string TreeText() const {
        std::string text;
        for (int i = 0; i < Tree->Items()->RootCount(); ++i) text += (i ? " " : "") + NodeText(Tree->Items()->Root(i));
        return text;
    }
    static std::string NodeText(const zarix::TTreeNode* node) {
        std::string text = node->Text();
        if (node->Count() == 0) return text;
        text += "(";
        for (int i = 0; i < node->Count(); ++i) text += (i ? "," : "") + NodeText(node->Item(i));
        return text + ")";
    }
    /// Closes a window as the user would, and lets the deferred release happen.
    void CloseNow(zarix::TForm* window) {
        window->Close();
        zarix::Application().ProcessMessages();
    }

    std::vector<std::string> Log;
    zarix::TCapturingExceptionSink Reports;
    zarix::TComponent Owner{nullptr};
    zarix::TForm* Frame = new zarix::TForm(&Owner);
    zarix::TTreeView* Tree = new zarix::TTreeView(&Owner);
    zarix::TZarixMDIContainer* Container = new zarix::TZarixMDIContainer(&Owner);
};
