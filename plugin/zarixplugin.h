// TZarixPlugin: the one component every plugin library carries. It describes the module to
// the host and is the plugin's gateway to the rest of the system.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "plugin/plugin_collections.h"
#include "plugin/plugin_types.h"
#include "sync/sync.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zarix {

class TApplication;
class TDBInterface;
class TKQSkinProvider;
class TMenu;
class TZarixPluginManager;
class TResultType;
class TZarixMDIContainer;

class ZARIX_API TZarixPlugin : public TComponent {
    ZARIX_CLASS(TZarixPlugin, TComponent)
    /// Builds the plugin under the global name-space write lock: priority 0, one instance,
    /// always loaded, empty collections and no dependencies.
    explicit TZarixPlugin(TComponent* AOwner);
    ~TZarixPlugin() override;

    int32_t MaxInstances() const noexcept { return FMaxInstances; }
    void SetMaxInstances(int32_t Value) { FMaxInstances = Value; }
    const std::string& PluginID() const noexcept { return FPluginID; }
    void SetPluginID(const std::string& Value) { FPluginID = Value; }
    /// Release date in days, as the platform keeps date-times.
    double ReleaseDate() const noexcept { return FReleaseDate; }
    void SetReleaseDate(double Value) { FReleaseDate = Value; }
    const TVersion& RequiredDBVersion() const noexcept { return FRequiredDBVersion; }
    void SetRequiredDBVersion(const TVersion& Value) { FRequiredDBVersion = Value; }
    /// The module version; the manager overwrites it at load with the file's version.
    const TVersion& Version() const noexcept { return FVersion; }
    void SetVersion(const TVersion& Value) { FVersion = Value; }
    /// The plugin's name in the normalised form by which every comparison identifies it.
    const std::string& GetPluginName() const noexcept { return FPluginNameNormalised; }
    /// Stores the name as written; it reads back normalised.
    void SetPluginName(const std::string& Value);
    const std::string& PluginExtensionName() const noexcept { return FPluginExtensionName; }
    void SetPluginExtensionName(const std::string& Value) { FPluginExtensionName = Value; }
    TApplication* HostApplication() const noexcept { return FHostApplication; }
    void SetHostApplication(TApplication* Value) { FHostApplication = Value; }
    /// The library's file name without folder, as Initialize received it.
    const std::string& Filename() const noexcept { return FFilename; }
    /// The manager that loaded the plugin; nullptr once that manager is destroyed.
    TComponent* Manager() const noexcept { return FManager.Get(); }
    void SetManager(TComponent* Value) { FManager = Value; }
    uint32_t getInstance() const noexcept { return FHInstance; }
    void setInstance(uint32_t Instance) noexcept { FHInstance = Instance; }
    bool AlwaysLoaded() const noexcept { return FAlwaysLoaded; }
    /// Load priority; a plugin still at 0 is refused, the others initialise in ascending order.
    uint8_t PluginPriority() const noexcept { return FPluginPriority; }
    void SetPluginPriority(uint8_t Value) { FPluginPriority = Value; }
    const TPluginDependencies& PluginDependencies() const noexcept { return FDependencies; }

    TZarixPluginCommands* Commands() const { return GetCommands(); }
    TZarixPluginMethods* Methods() const { return GetMethods(); }
    TZarixPluginClasses* Classes() const { return GetClasses(); }
    TZarixPluginMDIForms* MDIForms() const { return GetMDIForms(); }

    virtual TZarixPluginCommands* GetCommands() const;
    /// Copies Value into the plugin's own collection. The items define no copying, so only an
    /// empty collection can be written; a non-empty one raises EConvertError and changes nothing.
    virtual void SetCommands(const TZarixPluginCommands* Value);
    virtual TZarixPluginMethods* GetMethods() const;
    virtual void SetMethods(const TZarixPluginMethods* Value);
    virtual TZarixPluginClasses* GetClasses() const;
    virtual void SetClasses(const TZarixPluginClasses* Value);
    virtual TZarixPluginMDIForms* GetMDIForms() const;
    virtual void SetMDIForms(const TZarixPluginMDIForms* Value);

    /// Receives every broadcast; the base ignores every kind.
    virtual void OnMessage(TPluginMessagesTypes AMessageType, const std::string& AMessage, TConstArray AParams);

    /// Called by the manager once per load; stores the links back to the host. False means a
    /// failed initialisation, and a plugin class may override it to refuse.
    virtual bool Initialize(TComponent* Manager, TApplication* HostApplication, const std::string& Filename);

    /// Adds a command unless one with the same non-empty MenuPath and the same Caption exists.
    /// The command gets a tool button when ToolBarPos is 0 or greater.
    void AddCommand(bool Enabled, const std::string& ACaption, const std::string& AHint,
                    const std::string& AMenuPosition, const std::string& AMenuPath, TNotifyEvent AOnExecuteEvent,
                    const std::string& APrivilegeToCheckName, int32_t IconIdx, bool Visible, int32_t ToolBarPos,
                    const std::string& AToolButtonCaption);
    /// Registers a routine other plugins call by name; duplicates are not checked.
    void AddMethod(const std::string& MethodName, TCodePointer MethodAddress);
    template <class R, class... A>
    void AddMethod(const std::string& MethodName, R (*MethodAddress)(A...)) {
        AddMethod(MethodName, reinterpret_cast<TCodePointer>(MethodAddress));
    }
    /// Exposes an object (not owned) under a name; its class name comes from its class
    /// information. A nil object is recorded with an empty class name and is passed over by
    /// every lookup.
    void AddClass(const std::string& ClassUserName, TPersistent* ClassObject);
    /// Records a dependency on another plugin by name. A version text that does not parse
    /// raises EConvertError after the dependency was recorded with version 0.0.0.0.
    void AddDependency(const std::string& APluginName, const std::string& ARequiredVersion);

    // Forwards to the manager that loaded this plugin; each raises EPluginError when the plugin
    // was not loaded by a manager, and otherwise does exactly what the manager's operation does.

    /// True when the manager has a plugin of that name (a to z compared without regard to case).
    bool isPluginAvailable(const std::string& APluginName) const;
    void SendMessageBroadcast(TPluginMessagesTypes AMessageType, const std::string& AMessage, TConstArray AParams);
    void DatabaseCheckBroadcast(const std::string& AExistingDBVersion, bool bShowProgress);
    Variant methodByName(const std::string& APluginName, const std::string& AMethodName, TConstArray AParams,
                         TForm* ParentForm);
    std::unique_ptr<TResultType> ExecuteMethod(const std::string& MethodName, TConstArray Params);
    Variant getClassValue(const std::string& Class_Name, const std::string& ParamName);
    void setClassValue(const std::string& Class_Name, const std::string& ParamName, const Variant& Value);

    // Window services: forwards to the MDI container of the manager that loaded this plugin.
    // Each raises EPluginError when the plugin was not loaded by a manager, or the manager
    // holds no container (MDIGetParent alone works without one).

    TForm* IsMDIForm(const std::string& ClassName, int32_t OrigId, TForm* SourceForm, TAskMode AskMode);
    TForm* GetMDIBottomChild(TForm* SourceForm, const std::string& excludeClassNames);
    void AddPrevMDIForm(const std::string& PluginName, const std::string& MethodName, const std::string& NodeName,
                        const std::string& Params);
    void RebuildTree();
    /// Always 0, whatever the container reports.
    int32_t RefreshMDI(TForm* CallingForm);
    bool CanCloseMDI(TForm* Form, const std::string& Name, int32_t OrigId, std::string& Msg, bool RestoreParent);
    void SendResultToForm(TForm* DestForm);
    void SendMDIResult(TForm* SourceForm);
    void ChangeMDIName(TForm* Form, const std::string& Name);
    int32_t GetMDIOrigid(TForm* Form);
    void ChangeMDIOrigId(TForm* Form, int32_t origid);
    void RestoreMDI(TForm* Form);
    void SetPosition(TForm* CallingForm, TFormAlign FormAlign);
    void OnCloseInfoToChildren(TForm* Parent, int32_t OrigId);
    /// The container's MDI main form; nullptr when the manager holds no container.
    TForm* MDIGetParent() const;
    /// Registers a window of this plugin: the container's entry (icons from the manager's image
    /// list), a descriptor in MDIForms, the window's size and icon, then its place. An IconIdx
    /// the list does not hold leaves the window without an icon; a nil MDIForm adds no
    /// descriptor and places nothing, and the container's answer is returned all the same.
    bool AddMDIForm(const std::string& Name, TForm* MDIForm, int32_t Width, int32_t Height, TForm* ParentForm,
                    int32_t OrigId, TFormAlign FormAlign, int32_t IconIdx);
    /// Removes the window from the container and every descriptor of it. Name is not used.
    void DelMDIForm(const std::string& Name, TForm* MDIForm);

    // Menu services over the manager's command menu.

    /// True when one of this plugin's commands has exactly this MenuPath.
    bool CommandMenuCheckExist(const std::string& AMenuPath) const;
    /// Shows or hides the items of this plugin's commands with exactly this path; with rootMenu,
    /// acts as SetRootMenuVisible.
    void SetCommandMenuVisible(const std::string& AMenuPath, bool visible, bool rootMenu);
    void SetCommandMenuEnabled(const std::string& AMenuPath, bool enabled);
    /// Shows or hides the deepest item of the command menu found along the path; does nothing
    /// before the manager has a command menu.
    void SetRootMenuVisible(const std::string& AMenuPath, bool visible);
    /// Shows or hides every second-level item named by the path's first two elements; does
    /// nothing for a path of fewer than two elements or before the manager has a command menu.
    void SetBranchMenuVisible(const std::string& AMenuPath, bool visible);
    void CheckMenuVSPrivileges();

    /// Shows a modal message box with the text "Error"; the arguments do not enter it.
    void ErrMsg(const std::exception& E, TObject* Sender, const std::string& sLocMsg);

    /// The host's database interface, set by the manager at load.
    TDBInterface* DBInterface = nullptr;
    /// The host's skin provider, set by the manager at load.
    TKQSkinProvider* SkinProvider = nullptr;

protected:
    /// For plugin classes that build a menu of their own; the framework does not read it.
    TMenu* MainMenu = nullptr;

private:
    TZarixPlugin(TComponent* AOwner, const TNameSpaceWriteGuard& lock);
    /// The manager behind the forwards; raises EPluginError before Initialize has set one.
    TZarixPluginManager& LoadedBy() const;
    /// The manager's container; raises EPluginError when there is none.
    TZarixMDIContainer& Container() const;

    int32_t FMaxInstances = 0;
    std::string FPluginID;
    double FReleaseDate = 0;
    TVersion FRequiredDBVersion;
    TVersion FVersion;
    std::string FPluginName;
    // Normalised once when the name is written: every lookup and dependency check compares it.
    std::string FPluginNameNormalised;
    std::string FPluginExtensionName;
    TApplication* FHostApplication = nullptr;
    std::string FFilename;
    TWeak<TComponent> FManager;
    uint32_t FHInstance = 0;
    bool FAlwaysLoaded = false;
    uint8_t FPluginPriority = 0;
    TPluginDependencies FDependencies;
    std::unique_ptr<TZarixPluginCommands> FCommands;
    std::unique_ptr<TZarixPluginMethods> FMethods;
    std::unique_ptr<TZarixPluginClasses> FClasses;
    std::unique_ptr<TZarixPluginMDIForms> FMDIForms;
};

}  // namespace zarix
