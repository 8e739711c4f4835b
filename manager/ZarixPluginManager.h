// TZarixPluginManager: finds, loads, checks, orders, initialises and unloads plugin libraries.
#pragma once

#include "platform/os/library.h"
#include "platform/rtl/component.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"
#include "platform/rtl/lists.h"
#include "platform/ui/actions.h"
#include "platform/ui/application.h"
#include "platform/ui/image_list.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"
#include "manager/isolated_probe.h"
#include "manager/result_type.h"
#include "mdi/ZarixMDIContainer.h"
#include "plugin/zarixplugin.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarix {

class TExceptionManager;
class TSecurityClass;
class TKQSkinProvider;
class TDBInterface;
class TValidation;
class TCallIndex;

/// A menu item registered for the privilege pass with the privilege it needs. The item is held
/// weakly: an entry whose item was destroyed is dropped, never used.
struct TMenuPrivilege {
    std::string Privilege;
    TWeak<TMenuItem> Item;
};

/// Raised by plugin loading and by the late-bound calls between plugins.
ZARIX_DECLARE_EXCEPTION(EPluginError, Exception, ZARIX_API);

using TOnBeforeLoadPlugin = std::function<void(TObject* Sender, const std::string& APluginName)>;
using TOnNewCommandProc = std::function<void(TObject* Sender, const std::string& ACaption, const std::string& AHint,
                                             const std::string& AData, int32_t AImageIndex, const TNotifyEvent& AEvent)>;
/// The two entry points a plugin library exports, "PluginRegister" and "PluginInitialize".
using TPluginRegisterProc = TZarixPlugin* (*)();
using TPluginInitializeProc = TZarixPlugin* (*)();
/// The entry that frees the library's plugin component, "PluginDestroy"; optional.
using TPluginDestroyProc = void (*)();

/// The manager belongs to the UI thread (see TApplication); debug builds stop at a call
/// of its loading, menu, toolbar, privilege and broadcast methods from another thread. Only
/// getPluginByName may be asked from another thread, and only while nothing is loaded or
/// unloaded.
class ZARIX_API TZarixPluginManager : public TComponent {
    ZARIX_CLASS(TZarixPluginManager, TComponent)
    explicit TZarixPluginManager(TComponent* AOwner);
    /// Unloads every plugin, last loaded first.
    ~TZarixPluginManager() override;

    /// File extension of plugin libraries, without the dot; "bpl" until one is set, and when set empty.
    virtual std::string GetExtension() const;
    virtual void SetExtension(const std::string& Value);
    /// Folder searched for plugins; empty means the executable's folder.
    virtual std::string GetPluginFolder() const;
    virtual void SetPluginFolder(const std::string& Value);

    /// Loads every plugin library of the plugin folder, then initialises them all in ascending
    /// priority after their dependency checks. The first library that fails ends the run with
    /// its error; the libraries found after it are not loaded and nothing is initialised. A
    /// library already loaded is passed over; one reached under a second name (a link) is
    /// reported through the exception handler and passed over.
    virtual void LoadPlugins();
    /// Loads one library (full path) and records its plugin; with WithInitialize it is also
    /// checked and initialised at once. Raises EPluginError, EPackageError or EConvertError;
    /// EPluginError "<file>: the same library as <first file>" for a library already loaded.
    /// The plugin's declared MDI windows join the container; a descriptor without a form is
    /// passed over.
    virtual void LoadPlugin(const std::string& Filename, bool WithInitialize);
    /// The path under which this manager loaded the library at Filename, when it holds it:
    /// the same file by device and inode, whatever the name it is reached by.
    std::optional<std::string> LoadedAs(const std::string& Filename) const;

    /// Loads the library at Filename in a child process, as LoadPlugin with WithInitialize
    /// would, and tells how far it got and what stopped it. The library is never loaded into
    /// this process. A child that gives no answer within Timeout is killed and so reported.
    /// Call it from a thread that owns no lock another thread may need: the child starts as a
    /// copy of this one thread.
    TProbeResult ProbePluginFile(const std::string& Filename,
                                 std::chrono::milliseconds Timeout = std::chrono::seconds(10));
    /// Probes Files in order, one result each, as LoadPlugins would load them: one child loads
    /// them in turn, and a library that ends a child is reported and the next child goes on
    /// after it. Timeout holds for each library.
    std::vector<TProbeResult> ProbePluginFiles(const std::vector<std::string>& Files,
                                               std::chrono::milliseconds Timeout = std::chrono::seconds(10));
    /// ProbePluginFiles over every library LoadPlugins would load, in the same order.
    std::vector<TProbeResult> ProbePluginFiles(std::chrono::milliseconds Timeout = std::chrono::seconds(10));
    /// Checks the dependencies of the plugin at position index and initialises it, or unloads
    /// it when they fail. Raises EListError for a position out of range.
    void InitializePlugin(int index);
    /// Forgets the plugin at position index, frees its component through the library's
    /// "PluginDestroy" when it has one, and unloads its library. Nothing is left in the manager
    /// that points at the plugin or into its library. Raises EListError for a position out of
    /// range and nothing else: a step that fails is reported, and the library then stays loaded
    /// for the life of the process rather than unloaded under what may still reach it.
    /// Asked for a plugin whose handler a broadcast is running, the unload waits until the
    /// outermost broadcast returns (the plugin keeps its position until then and hears no
    /// more messages), so no call returns into an unmapped library.
    virtual void UnloadPlugin(int index);

    /// The plugin at position index in load order; raises Exception "Invalid index".
    virtual TZarixPlugin* GetPlugins(int index) const;
    TZarixPlugin* Plugins(int index) const { return GetPlugins(index); }
    /// The first plugin whose name equals APluginName when a to z are compared without regard
    /// to case; nullptr when none does.
    TZarixPlugin* getPluginByName(const std::string& APluginName) const;
    /// Fills PluginList with the component names of the plugins, in load order.
    virtual void GetLoadedPlugins(TStrings* PluginList) const;
    int32_t GetPluginCount() const noexcept { return static_cast<int32_t>(FPlugins.size()); }
    int32_t PluginCount() const noexcept { return GetPluginCount(); }

    /// True when no dependency names a loaded plugin of a lower version (by the concatenated-
    /// digits comparison); an absent plugin does not fail the check.
    bool CheckDependencies(const TPluginDependencies& Dependencies) const;
    bool CheckBeforeLoadPlugin(const TZarixPlugin* Plugin) const;

    /// Whether a library without the framework ABI stamp may be loaded; off unless set, so that
    /// only plugins built with zarix_add_module for this host's ABI are.
    bool AllowUnstampedPlugins() const noexcept { return FAllowUnstampedPlugins; }
    void SetAllowUnstampedPlugins(bool Value) noexcept { FAllowUnstampedPlugins = Value; }

    /// The library files LoadPlugins would load, full paths in enumeration order.
    std::vector<std::string> FindPluginFiles() const;
    /// Rebuilds PluginPriorities over every loaded plugin: ascending priority, load order
    /// among equal priorities.
    void RebuildPriorities();
    /// Initialises every plugin of PluginPriorities in order; one unloaded by its failed
    /// dependency check is not visited again.
    void InitializePlugins();

    /// The module handle of the library at a position, as decimal text.
    std::string PluginHandle(int index) const;

    // The main menu built from the plugins' commands.

    /// Gathers the menu commands of every plugin, orders them by position and builds their
    /// items into Menu (a new menu owned by the manager when absent). Raises EPluginError
    /// "Menu create error." when gathering or ordering fails.
    void SetCommandsBasedMenu(TMenu* Menu, TImageList* ImageList, TMenuItem* RootItem);
    /// Builds items for the ordered command list; failures are reported, never raised.
    void UpdateCommandsBasedMenuByList();
    /// Builds items for one plugin's menu commands, in its own order; failures are reported.
    void UpdateCommandsBasedMenu(TZarixPlugin* Plugin);
    /// Orders the command list by MenuPosition: a bubble sort whose pair rule leaves positions
    /// that are equal, or a leading part of one another, in their order.
    void SortPosition();
    /// True when A[i] equals B[i] for every i from 0 to L (true for L below 0).
    static bool IsSameGroup(const TExplodeArray& A, const TExplodeArray& B, int L);
    /// The ordered menu commands (TZarixPluginCommand*), nullptr before the first set-up; the
    /// caller neither changes nor frees it.
    TList* getCommandList() const noexcept { return FSortedCommandsList.get(); }
    TList* SortedCommandsList() const noexcept { return FSortedCommandsList.get(); }
    /// Takes a command that is being destroyed out of the ordered command lists.
    void CommandDestroyed(const TZarixPluginCommand* Command) noexcept;
    /// Raises OnMenuMustRefresh, for plugins that need the menu rebuilt.
    void MenuMustRefresh();
    /// Raises OnMainCaptionRefresh, for plugins that changed what the main caption shows.
    void CaptionMustRefresh();
    TMenu* Menu() const noexcept { return FCommandBasedMenu.Get(); }
    TMenuItem* MenuRoot() const noexcept { return FCommandBasedMenuRoot.Get(); }

    // The toolbar built from the commands and the user's own selection.

    /// Reads the user's toolbar rows, picks and orders the commands, removes the toolbar's
    /// buttons and ActionList's actions and builds new ones. Raises EPluginError "ToolBar
    /// create error." on a database failure or without an action list.
    void SetCommandsBasedToolBar(TToolBar* ToolBar, TImageList* ImageList, TActionList* ActionList);
    /// Makes the buttons (and, with an action list, Alt+F shortcuts) for the toolbar list,
    /// leaving out commands whose hint text is among AtabToolbarButtonNotVisible.
    void UpdateCommandsBasedToolBarByList(TActionList* ActionList,
                                          const std::vector<std::string>& AtabToolbarButtonNotVisible);
    /// Orders the toolbar list as SortPosition orders the menu list.
    void SortPositionToolbar();
    /// Shows or hides the buttons of every command whose MenuPath begins with AMenuPath.
    void SetCommandToolBarVisible(const std::string& AMenuPath, bool visible);
    /// The toolbar's visibility from the user's "Administracja|UserToolbarVisible".
    void SetToolbarVisible(int32_t Userid);
    /// Sets UserOrigid and raises OnToolBarMustRefresh.
    void ToolBarMustRefresh(int32_t AUserOrigid);
    TToolBar* ToolBar() const noexcept { return FCommandBasedToolBar.Get(); }
    TList* SortedCommandsToolBarList() const noexcept { return FSortedCommandsToolBarList.get(); }
    int32_t UserOrigid() const noexcept { return FUserOrigid; }

    // Broadcasts and the database check.

    /// Hands the message to every plugin's OnMessage in priority order. Nothing is caught: a
    /// handler that raises ends the broadcast and the exception reaches the caller.
    /// Re-entrant: the walk goes over the plugins as they were when it began, passing over
    /// one unloaded meanwhile; a plugin that unloads itself from its own handler (or from
    /// anything its handler calls) is unloaded when the outermost broadcast returns.
    void SendMessageBroadcast(TPluginMessagesTypes AMessageType, const std::string& AMessage, TConstArray AParams);
    /// The database check: every plugin verifies its tables, then every plugin its procedures,
    /// then every plugin its data, optionally behind a progress window (released on every
    /// path, also when a handler raises, whose exception still reaches the caller). Walks the
    /// plugins as SendMessageBroadcast does; a plugin waiting to be unloaded hears no more.
    void DatabaseCheckBroadcast(const std::string& AExistingDBVersion, bool bShowProgress);

    // Calls between plugins by name.

    /// Calls the published method AMethodName of the plugin named APluginName. Never raises:
    /// failures are reported and the result is then the empty text.
    Variant methodByName(const std::string& APluginName, const std::string& AMethodName, TConstArray AParams,
                         TForm* ParentForm);
    /// Calls the first routine registered under MethodName (a to z compared without regard to
    /// case; plugins in load order, then their methods in order) with Params converted to
    /// words. Raises EPluginError "\"name\" not found." or "\"name\" failed execution.".
    std::unique_ptr<TResultType> ExecuteMethod(const std::string& MethodName, TConstArray Params);
    /// Reads property ParamName of the objects exposed as Class_UserName (a to z compared
    /// without regard to case); the last one read wins, unassigned when none has an object.
    Variant getClassValue(const std::string& Class_UserName, const std::string& ParamName);
    /// Writes property ParamName of every object exposed as exactly Class_UserName.
    void setClassValue(const std::string& Class_UserName, const std::string& ParamName, const Variant& Value);

    // Privileges.

    /// Enables or disables every registered menu item by whether the logged-in user holds its
    /// privilege. Failures of the security service reach the caller.
    void CheckMenuVSPrivileges();
    /// The items registered for the privilege pass, in registration order.
    const std::vector<TMenuPrivilege>& MenuPrivileges() const noexcept { return FCommandBaseMenuPrivileges; }

    const TOnBeforeLoadPlugin& OnBeforeLoading() const noexcept { return FOnBeforeLoading; }
    void SetOnBeforeLoading(TOnBeforeLoadPlugin Value) { FOnBeforeLoading = std::move(Value); }
    const TNotifyEvent& OnAfterLoading() const noexcept { return FOnAfterLoading; }
    void SetOnAfterLoading(TNotifyEvent Value) { FOnAfterLoading = std::move(Value); }
    const TOnNewCommandProc& OnNewCommand() const noexcept { return FOnNewCommand; }
    void SetOnNewCommand(TOnNewCommandProc Value) { FOnNewCommand = std::move(Value); }

    TZarixMDIContainer* MDIContainer() const noexcept { return FMDIContainer.Get(); }
    void SetMDIContainer(TZarixMDIContainer* Value) { FMDIContainer = Value; }
    TSecurityClass* SecurityClass() const noexcept { return FSecurityClass; }
    void SetSecurityClass(TSecurityClass* Value) { FSecurityClass = Value; }
    TKQSkinProvider* SkinProvider() const noexcept { return FSkinProvider; }
    void SetSkinProvider(TKQSkinProvider* Value) { FSkinProvider = Value; }
    TExceptionManager* ExceptionManager() const noexcept { return FExceptionManager.get(); }
    /// The manager owns the exception manager it holds and frees it when replaced or destroyed.
    void SetExceptionManager(std::unique_ptr<TExceptionManager> Value);

    /// The initialisation order: one entry per plugin, its priority as ten digits, the
    /// plugin as the entry's object. Broadcasts visit plugins in this order too.
    TStringList* PluginPriorities() const noexcept { return FPluginPriorities.get(); }
    /// Normalised name of the plugin being loaded or loaded last.
    std::string CurrentPluginName;
    /// The process-wide database interface handed to every plugin at load; not owned.
    TDBInterface* DBInterface = nullptr;
    /// For the host's own validation messages.
    std::unique_ptr<TValidation> objValidateMsgShow;
    /// The image list shared by menu and toolbar; the last set-up decides it.
    TWeak<TImageList> IconsList;
    TNotifyEvent OnMenuMustRefresh;
    TNotifyEvent OnToolBarMustRefresh;
    TNotifyEvent OnMainCaptionRefresh;

protected:
    virtual void TriggerBeforeLoadingEvent(const std::string& APluginName);
    virtual void TriggerAfterLoadingEvent();
    virtual void TriggerOnNewCommandProc(const std::string& ACaption, const std::string& AHint,
                                         const std::string& AData, int32_t AImageIndex, const TNotifyEvent& AEvent);

private:
    void CheckNotDesigning() const;
    /// A library file this manager loaded and still holds, recorded or not.
    struct TLibraryFile {
        uint64_t Device = 0;
        uint64_t Inode = 0;
        std::string Path;
        uintptr_t Handle = 0;
    };
    const TLibraryFile* FindLibraryFile(uint64_t Device, uint64_t Inode) const;
    const TLibraryFile* LibraryFileOf(uintptr_t Handle) const;
    void ReadPluginVersion(TZarixPlugin& Plugin, const std::string& Filename, const std::vector<std::byte>& Block) const;
    [[noreturn]] void ProbeInChild(int Fd, const std::vector<std::string>& Files, std::size_t First);
    void MarkStage(TProbeStage Stage) const {
        if (FOnStage) FOnStage(Stage);
    }
    /// Takes out every process-wide callback of the library and tells the module unload
    /// observers, before its component goes.
    void RevokeCallbacksOf(const TLibrary& Library, const std::string& File);
    std::string FileOf(uintptr_t Handle) const {
        const TLibraryFile* file = LibraryFileOf(Handle);
        return file ? file->Path : std::string();
    }
    void ForgetModule(const TLibrary& Library);
    void ForgetPriorityOf(const TZarixPlugin* Plugin) noexcept;
    void ForgetCommandsOf(const TZarixPlugin& Plugin);
    enum class TMenuBuild { List, SinglePlugin };
    struct TMenuWalkStep {
        const TMenuItem* Parent = nullptr;
        uint64_t Generation = 0;
        std::string Text;
        TMenuItem* Found = nullptr;
    };
    using TMenuWalkCache = std::vector<TMenuWalkStep>;
    void BuildCommandItem(TZarixPluginCommand& Command, TMenuBuild Build, TMenuWalkCache& Cache);
    static void Remember(TMenuWalkStep& Step, const TMenuItem* Parent, std::string_view Text, TMenuItem* Found);
    /// Remembers a control whose handler runs a command, so unloading can cut it.
    void AddCommandView(const TZarixPluginCommand& Command, TComponent* View);

    /// The plugins of PluginPriorities as they were when a walk began. Held as plain
    /// pointers: one that an unload took out meanwhile is known by FUnloadedInBroadcast and
    /// passed over unread.
    struct TPriorityOrder {
        std::vector<TZarixPlugin*> Plugins;
    };
    /// Calls Visit for each plugin of Order, passing over those unloaded or waiting to be
    /// unloaded by the time their turn comes.
    template <class F>
    void ForEachPluginByPriority(const TPriorityOrder& Order, F&& Visit);
    TPriorityOrder PriorityOrder() const;
    bool IsUnloadDeferred(const TZarixPlugin* Plugin) const noexcept;
    /// Unloads what broadcasts deferred; called as the outermost one returns.
    void RunDeferredUnloads() noexcept;
    /// Opens a broadcast for its lifetime and unloads what was deferred when the last goes.
    class TBroadcastScope;
    /// Marks a plugin's code as running (a method, routine, getter or setter called by name)
    /// for its lifetime, so an unload of that plugin waits until it returns.
    class TRunningPlugin;

    /// The plugin list changed: says so to every index of the names calls look up.
    void PluginsChanged() noexcept { LateBoundChanged(); }

    std::optional<std::string> FExtension;
    std::vector<TZarixPlugin*> FPlugins;
    std::vector<TLibrary> FLibraries;  // at the same position as FPlugins
    std::vector<TLibraryFile> FLibraryFiles;  // every library loaded and not unloaded, in load order
    std::function<void(TProbeStage)> FOnStage;  // set only inside a probing child
    std::string FPluginFolder;
    bool FAllowUnstampedPlugins = false;
    TOnBeforeLoadPlugin FOnBeforeLoading;
    TNotifyEvent FOnAfterLoading;
    TOnNewCommandProc FOnNewCommand;
    TWeak<TZarixMDIContainer> FMDIContainer;
    TSecurityClass* FSecurityClass = nullptr;
    TKQSkinProvider* FSkinProvider = nullptr;
    std::unique_ptr<TExceptionManager> FExceptionManager;
    std::unique_ptr<TStringList> FPluginPriorities;
    TWeak<TMenu> FCommandBasedMenu;
    TWeak<TMenuItem> FCommandBasedMenuRoot;
    TWeak<TToolBar> FCommandBasedToolBar;
    std::unique_ptr<TList> FSortedCommandsList;
    std::unique_ptr<TList> FSortedCommandsToolBarList;
    std::vector<TMenuPrivilege> FCommandBaseMenuPrivileges;
    int32_t FUserOrigid = 0;
    struct TCommandView {
        // The plugin whose code the view's handler runs; compared only. Kept by plugin rather
        // than by command, since the command may be freed before its plugin goes.
        const TZarixPlugin* Plugin;
        TWeak<TComponent> View;
    };
    std::vector<TCommandView> FCommandViews;
    int FBroadcastDepth = 0;
    // Plugins whose code a broadcast or a call by name is running, innermost last: their code is
    // on the stack.
    std::vector<const TZarixPlugin*> FInHandler;
    // Plugins that asked to be unloaded from inside a handler, in the order they asked.
    std::vector<TWeak<TZarixPlugin>> FDeferredUnloads;
    // Plugins unloaded while a broadcast was open, until the outermost one returns; compared
    // only, never read. A walk passes over them, and over a plugin loaded at the same address
    // afterwards, which was not among the plugins the walk began with.
    std::vector<const TZarixPlugin*> FUnloadedInBroadcast;
    bool FUnloadedListIncomplete = false;  // a plugin could not be listed for want of memory
    std::size_t FCommandViewsPruned = 0;
    // Plugins, routines and objects by name for the calls between plugins; brought up to date
    // by each lookup. Never null.
    const std::unique_ptr<TCallIndex> FCallIndex;
};

}  // namespace zarix
