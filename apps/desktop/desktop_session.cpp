// The desktop session.
#include "desktop_session.h"

#include "demo_database.h"
#include "version_text.h"
#include "platform/ui/std_controls.h"
#include "package/PluginManagerForm.h"
#include "platform/rtl/strings.h"
#include "platform/ui/application.h"
#include "plugin/plugin_utils.h"
#include "services/controls/progress_form.h"
#include "services/db/parameters.h"
#include "services/db/security.h"
#include "services/db/zarix_db.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QAction>

#include <sys/stat.h>

namespace zarixdesktop {

using namespace zarix;

namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool HoldsNoTables() {
    TDBQuery tables("SELECT count(*) AS n FROM information_schema.tables WHERE table_schema = current_schema()", "DBCONN");
    tables.Open();
    return tables.FieldByName("n") == "0";
}

TMenuItem* AddItem(TMenuItem* Parent, const std::string& Caption, TNotifyEvent OnClick = {}) {
    auto* item = new TMenuItem(Parent);
    item->SetCaption(Caption);
    if (OnClick) item->SetOnClick(std::move(OnClick));
    Parent->Add(item);
    return item;
}

}  // namespace

// The connection "DBCONN", closed when the session ends.
class TDesktopSession::TDatabase {
public:
    explicit TDatabase(const std::string& File) {
        const bool server = IsServerURL(File);
        const bool freshFile = !server && !FileExists(File);
        DBInt().OpenConnection("DBCONN", File, TDBOpenMode::omCreate);
        try {
            // A server database always exists already; it is new while it holds no tables.
            if (freshFile || (server && HoldsNoTables())) zarixctl::FillDemoDatabase();
        } catch (...) {
            DBInt().CloseConnection("DBCONN");
            throw;
        }
    }
    ~TDatabase() { DBInt().CloseConnection("DBCONN"); }
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;
};

TDesktopSession::TDesktopSession(TDesktopOptions Options)
    : FOptions(std::move(Options)),
      FDatabase(std::make_unique<TDatabase>(FOptions.Database)),
      FHost(std::make_unique<TComponent>(nullptr)) {
    FFrame = new TForm(FHost.get());
    FFrame->SetFormStyle(fsMDIForm);
    // "Zarix – aplikacja przykładowa" = the sample application.
    FFrame->SetCaption("Zarix – aplikacja przykładowa");
    FFrame->SetBounds(40, 40, 1180, 720);
    Application().SetMainForm(FFrame);
    FFrame->SetOnClose([this](TObject*, TCloseAction& Action) { FrameClosing(Action); });
    FImages = new TImageList(FHost.get());
    // The sample modules number their images 0 to 15 (commands and windows alike); the front-end
    // draws each name as a tile of its own colour.
    for (const char* image : {"Kontrahenci", "Karta", "Nowy kontrahent", "Cenniki", "Zmiana cen", "Faktura VAT",
                              "Paragon", "Wydanie", "Rejestr", "Kasa", "Raport", "Wybór", "Grupy", "Moduły", "Okna",
                              "Pomoc"})
        FImages->Add(image);
    FTree = new TTreeView(FHost.get());
    FTree->SetImages(FImages);
    // The tree's first node is the host's own ("Okna" = windows); the container keeps it.
    FTree->Items()->Add(nullptr, "Okna");
    FMenu = new TMainMenu(FHost.get());
    FMenu->SetImages(FImages);
    FToolBar = new TToolBar(FHost.get());
    FActions = new TActionList(FHost.get());
    FContainer = std::make_unique<TZarixMDIContainer>(nullptr);
    FContainer->SetMDIParent(FFrame);
    FContainer->SetActiveWindows(FTree);
    FContainer->IconList = FImages;
    FManager = std::make_unique<TZarixPluginManager>(nullptr);
    FManager->SetMDIContainer(FContainer.get());
    if (!FOptions.PluginFolder.empty()) FManager->SetPluginFolder(FOptions.PluginFolder);

    FMainWindow = FFrontEnd.MirrorFrame(FFrame);
    // The plugins' windows are registered in the container: they live inside the main window.
    FFrontEnd.SetSubWindowPolicy(FFrame, [](TForm* Form) { return dynamic_cast<TZarixMdiForm*>(Form) != nullptr; });
    FFrontEnd.SetMainMenu(FFrame, FMenu);
    FFrontEnd.SetToolBar(FFrame, FToolBar, FActions);
    FFrontEnd.SetActiveWindowsTree(FFrame, FTree, "Aktywne okna");
}

TDesktopSession::~TDesktopSession() {
    // The plugins' windows go with their plugins, before the frame they lie in.
    FManager.reset();
    Application().ProcessMessages();
    FContainer.reset();
    if (Application().MainForm() == FFrame) Application().SetMainForm(nullptr);
    FHost.reset();
}

std::vector<TUserEntry> TDesktopSession::Users() const {
    std::vector<TUserEntry> users;
    TDBQuery query("SELECT USRUserOrigid, USRLogin, USRFullName FROM Users ORDER BY USRUserOrigid", "DBCONN");
    for (query.Open(); !query.Eof(); query.Next())
        users.push_back({static_cast<int32_t>(std::stol(query.FieldByName("USRUserOrigid"))), query.FieldByName("USRLogin"),
                         query.FieldByName("USRFullName")});
    return users;
}

void TDesktopSession::LoadPlugins() {
    const std::vector<std::string> files = FManager->FindPluginFiles();
    auto* progress = new TProgressFrm(FHost.get());
    const TWeak<TProgressFrm> window = progress;
    progress->SetCaption("Zarix");
    // "Wczytywanie modułów..." = loading the modules.
    progress->SetTextLine("Wczytywanie modułów...");
    progress->SetMax(static_cast<int>(files.size()));
    progress->SetStep(1);
    progress->CenterOnScreen();
    progress->Show();
    Application().ProcessMessages();
    for (const std::string& file : files) {
        if (TProgressFrm* shown = window.Get()) {
            shown->SetTextLine("Wczytywanie modułu: " + ExtractFileName(file));
            shown->StepIt();
        }
        Application().ProcessMessages();
        try {
            FManager->LoadPlugin(file, false);
        } catch (const std::exception& e) {
            FFailures.push_back(file + ": " + e.what());
        }
    }
    FManager->RebuildPriorities();
    FManager->InitializePlugins();
    if (TProgressFrm* shown = window.Get()) shown->Release();
    Application().ProcessMessages();
}

void TDesktopSession::CheckDatabase() {
    const std::string stored = ParameterMgr().GetParameterValue(zarixctl::kVersionParameter, 0, 0, 0, 0, 0);
    const std::string needed = zarixctl::NewVersion(*FManager, stored);
    if (needed.empty() || needed == stored) return;
    // One transaction: a module that fails leaves the database as it was, and asks again
    // at the next start.
    DBInt().ExecSQL("DBCONN", "BEGIN IMMEDIATE");
    try {
        FManager->DatabaseCheckBroadcast(stored, true);
        ParameterMgr().SetParameterValue(zarixctl::kVersionParameter, 0, needed);
        DBInt().ExecSQL("DBCONN", "COMMIT");
    } catch (...) {
        try {
            DBInt().ExecSQL("DBCONN", "ROLLBACK");
        } catch (const std::exception&) {
        }
        Application().ProcessMessages();
        throw;
    }
    FDatabaseChecked = true;
    Application().ProcessMessages();
}

void TDesktopSession::Start(int32_t User) {
    LoadPlugins();
    CheckDatabase();
    FManager->SetCommandsBasedMenu(FMenu, FImages, nullptr);
    BuildHostMenus();
    LogIn(User);
    FFrame->Show();
}

void TDesktopSession::LogIn(int32_t User) {
    FUser = User;
    UserSecurity().SetLoggedUser(User);
    FManager->CheckMenuVSPrivileges();
    FManager->ToolBarMustRefresh(User);
    FManager->SetCommandsBasedToolBar(FToolBar, FImages, FActions);
    FManager->SetToolbarVisible(User);
}

TMenuItem* TDesktopSession::MenuItem(std::initializer_list<const char*> Path) const {
    TMenuItem* item = FMenu->Items();
    for (const char* caption : Path) {
        item = item->Find(caption);
        if (item == nullptr) return nullptr;
    }
    return item;
}

void TDesktopSession::BuildHostMenus() {
    TMenuItem* root = FMenu->Items();
    // "Plik" = file: "Przeloguj" logs another user in, "Zakończ" ends the program.
    auto* file = new TMenuItem(FMenu);
    file->SetCaption("&Plik");
    root->Insert(0, file);
    AddItem(file, "&Przeloguj", [this](TObject*) {
        // The next user in the list: the program asks which one through its login dialog.
        if (OnRelogin) OnRelogin();
    });
    AddItem(file, "-");
    AddItem(file, "&Zakończ", [this](TObject*) { FFrame->Close(); });
    // "Okno" = window: cascade, tile, arrange icons, then the open windows.
    FWindowMenu = AddItem(root, "&Okno");
    AddItem(FWindowMenu, "&Kaskada", [this](TObject*) { Cascade(); });
    AddItem(FWindowMenu, "&Sąsiadująco", [this](TObject*) { Tile(); });
    AddItem(FWindowMenu, "&Ułóż ikony", [this](TObject*) { ArrangeIcons(); });
    // "Pomoc" = help, "Moduły" = the modules.
    TMenuItem* help = AddItem(root, "Pomo&c");
    AddItem(help, "&Moduły", [this](TObject*) { ShowPluginManager(); });
    // The list of windows is read when the menu opens, as the platform's window menu does.
    if (QAction* action = FFrontEnd.ActionOf(FWindowMenu))
        if (QMenu* menu = action->menu())
            QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { RefreshWindowList(); });
    RefreshWindowList();
}

void TDesktopSession::RefreshWindowList() {
    if (FWindowMenu == nullptr) return;
    // Everything after the three arranging commands is the list.
    while (FWindowMenu->Count() > 3) delete FWindowMenu->Items(FWindowMenu->Count() - 1);
    if (FFrame->MDIChildCount() == 0) return;
    AddItem(FWindowMenu, "-");
    for (int i = 0; i < FFrame->MDIChildCount(); ++i) {
        TForm* child = FFrame->MDIChildren(i);
        if (!child->Visible()) continue;
        const TWeak<TForm> weak = child;
        AddItem(FWindowMenu, std::to_string(i + 1) + " " + child->Caption(), [weak](TObject*) {
            if (TForm* form = weak.Get()) {
                if (form->WindowState() == wsMinimized) form->SetWindowState(wsNormal);
                form->Show();
            }
        });
    }
}

TForm* TDesktopSession::ShowPluginManager() {
    if (!FPluginManagerForm) {
        auto* form = TForm::Create<TfrmPluginManager>(FHost.get());
        // "Moduły" = the modules.
        form->SetCaption("Moduły");
        // The installed plugins ("Lokalne wtyczki"), one line each with the version of its file.
        if (TKQTabSheet* sheet = form->KQTabSheet1()) {
            for (int i = 0; i < FManager->PluginCount(); ++i) {
                const TZarixPlugin* plugin = FManager->GetPlugins(i);
                auto* line = new TLabel(form);
                line->SetParent(sheet);
                line->SetBounds(8, 8 + i * 20, 500, 18);
                line->SetCaption(GetNicePluginName(plugin->GetPluginName()) + "  " + zarixctl::VersionText(plugin->Version()));
            }
        }
        FPluginManagerForm = form;
    }
    FPluginManagerForm->Show();
    return FPluginManagerForm.Get();
}

// The windows are arranged by the MDI area, which holds the plugins' windows as well as the
// frame's own children; each window's new place goes back to its form.
void TDesktopSession::Cascade() {
    if (QMdiArea* area = FFrontEnd.AreaOf(FFrame)) area->cascadeSubWindows();
}

void TDesktopSession::Tile() {
    if (QMdiArea* area = FFrontEnd.AreaOf(FFrame)) area->tileSubWindows();
}

void TDesktopSession::ArrangeIcons() {
    QMdiArea* area = FFrontEnd.AreaOf(FFrame);
    if (area == nullptr) return;
    // Minimized windows in a row along the bottom, left to right, then upwards.
    int x = 0, y = area->viewport()->height();
    for (QMdiSubWindow* window : area->subWindowList(QMdiArea::StackingOrder)) {
        if (!window->isVisible() || !window->isMinimized()) continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > area->viewport()->width()) {
            x = 0;
            y -= size.height();
        }
        if (x == 0 && y == area->viewport()->height()) y -= size.height();
        window->move(x, y);
        x += size.width();
    }
}

bool TDesktopSession::CloseChildren() {
    // Every registered window, the last opened first, each through its own closing protocol.
    std::vector<TWeak<TForm>> windows;
    TZarixMDIContainerItems* entries = FContainer->Items();
    for (int i = entries->Count() - 1; i >= 0; --i)
        if (TForm* form = entries->Items(i)->Form()) windows.emplace_back(form);
    for (int i = FFrame->MDIChildCount() - 1; i >= 0; --i) windows.emplace_back(FFrame->MDIChildren(i));
    for (const TWeak<TForm>& window : windows)
        if (window && window->Visible()) window->Close();
    Application().ProcessMessages();
    for (const TWeak<TForm>& window : windows)
        if (window && window->Visible() && window->WindowState() != wsMinimized) return false;
    return true;
}

void TDesktopSession::FrameClosing(TCloseAction& Action) {
    if (!CloseChildren()) Action = caNone;
}

}  // namespace zarixdesktop
