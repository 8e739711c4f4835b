// The sample application as a desktop program: the host's frame, active-windows tree,
// container, manager, menu and toolbar, mirrored by the Qt front-end, over the database of
// "DBCONN". The program and its tests drive the same session.
#pragma once

#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/actions.h"
#include "platform/ui/forms.h"
#include "platform/ui/image_list.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/tree_view.h"
#include "qt/front_end.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QMainWindow;

namespace zarixdesktop {

struct TDesktopOptions {
    std::string Database;      // made with the demo users when there is no file
    std::string PluginFolder;  // the manager's default (the program's folder) when empty
};

struct TUserEntry {
    int32_t Id = 0;
    std::string Login;
    std::string FullName;
};

class TDesktopSession {
public:
    /// Opens the database as "DBCONN" (making the demo database when the file is absent) and
    /// builds the main window; nothing is loaded yet.
    explicit TDesktopSession(TDesktopOptions Options);
    ~TDesktopSession();
    TDesktopSession(const TDesktopSession&) = delete;
    TDesktopSession& operator=(const TDesktopSession&) = delete;

    /// The people who may log in, by number.
    std::vector<TUserEntry> Users() const;
    /// Loads the plugin folder behind a progress window, checks the database behind its own
    /// when it is older than the modules need, and builds menu and toolbar for User.
    void Start(int32_t User);
    /// Builds menu privileges and the toolbar again for another user.
    void LogIn(int32_t User);
    int32_t User() const noexcept { return FUser; }
    /// True when Start found the database older than the modules and ran the check.
    bool DatabaseChecked() const noexcept { return FDatabaseChecked; }
    /// What did not load: "file: message".
    const std::vector<std::string>& Failures() const noexcept { return FFailures; }

    /// Help > Moduły: the plugin manager form, made on first use.
    zarix::TForm* ShowPluginManager();
    /// Window menu: Kaskada, Sąsiadująco, Ułóż ikony.
    void Cascade();
    void Tile();
    void ArrangeIcons();
    /// Runs the closing protocol of every MDI child; true when none refused.
    bool CloseChildren();

    zarix::TForm* Frame() const noexcept { return FFrame; }
    zarix::TMainMenu* Menu() const noexcept { return FMenu; }
    zarix::TToolBar* ToolBar() const noexcept { return FToolBar; }
    zarix::TActionList* Actions() const noexcept { return FActions; }
    zarix::TTreeView* Tree() const noexcept { return FTree; }
    zarix::TZarixMDIContainer& Container() const noexcept { return *FContainer; }
    zarix::TZarixPluginManager& Manager() const noexcept { return *FManager; }
    zarix::qt::TQtFrontEnd& FrontEnd() noexcept { return FFrontEnd; }
    QMainWindow* MainWindow() const noexcept { return FMainWindow; }
    /// The menu item at a path of captions (ignoring case and "&"); nullptr when absent.
    zarix::TMenuItem* MenuItem(std::initializer_list<const char*> Path) const;

    /// File > Przeloguj: the program asks who logs in next and calls LogIn.
    std::function<void()> OnRelogin;

private:
    class TDatabase;
    void LoadPlugins();
    void CheckDatabase();
    void BuildHostMenus();
    void RefreshWindowList();
    void FrameClosing(zarix::TCloseAction& Action);

    TDesktopOptions FOptions;
    zarix::qt::TQtFrontEnd FFrontEnd;
    std::unique_ptr<TDatabase> FDatabase;
    // The host's components, owned by FHost; the manager goes first at the end, taking the
    // plugins' windows with it while the frame and the tree are still there.
    std::unique_ptr<zarix::TComponent> FHost;
    zarix::TForm* FFrame = nullptr;
    zarix::TTreeView* FTree = nullptr;
    zarix::TMainMenu* FMenu = nullptr;
    zarix::TToolBar* FToolBar = nullptr;
    zarix::TActionList* FActions = nullptr;
    zarix::TImageList* FImages = nullptr;
    std::unique_ptr<zarix::TZarixMDIContainer> FContainer;
    std::unique_ptr<zarix::TZarixPluginManager> FManager;
    zarix::TWeak<zarix::TForm> FPluginManagerForm;
    zarix::TMenuItem* FWindowMenu = nullptr;
    QMainWindow* FMainWindow = nullptr;
    int32_t FUser = 0;
    bool FDatabaseChecked = false;
    std::vector<std::string> FFailures;
};

}  // namespace zarixdesktop
