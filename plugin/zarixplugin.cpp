// The plugin component: construction, the declared offer and the error display.
#include "plugin/zarixplugin.h"

#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "plugin/plugin_utils.h"
#include "services/various.h"

namespace zarix {

namespace {
// Names are normalised to at most this many characters.
constexpr int kPluginNameLength = 500;
}  // namespace

ZARIX_DEFINE_CLASS(TZarixPlugin,
                   ZARIX_PROPERTY(MaxInstances, FMaxInstances, FMaxInstances),
                   ZARIX_PROPERTY(PluginID, FPluginID, FPluginID),
                   ZARIX_PROPERTY(ReleaseDate, FReleaseDate, FReleaseDate),
                   ZARIX_PROPERTY(PluginName, GetPluginName, SetPluginName),
                   ZARIX_PROPERTY(PluginExtensionName, FPluginExtensionName, FPluginExtensionName),
                   ZARIX_PROPERTY(PluginPriority, FPluginPriority, FPluginPriority),
                   ZARIX_PROPERTY(Version, Version, SetVersion),
                   ZARIX_PROPERTY(RequiredDBVersion, RequiredDBVersion, SetRequiredDBVersion),
                   ZARIX_PROPERTY(HostApplication, HostApplication, SetHostApplication),
                   ZARIX_PROPERTY(Manager, Manager, SetManager),
                   ZARIX_PROPERTY(PluginDependencies, PluginDependencies),
                   ZARIX_PROPERTY(Commands, Commands, SetCommands),
                   ZARIX_PROPERTY(Methods, Methods, SetMethods),
                   ZARIX_PROPERTY(Classes, Classes, SetClasses),
                   ZARIX_PROPERTY(MDIForms, MDIForms, SetMDIForms))

// The public constructor hands a fresh write guard to this one; the guard lives until this
// constructor has finished (it is a temporary of the delegating call), so the lock is held from
// before the inherited construction until the fields are set, and released on every path.
TZarixPlugin::TZarixPlugin(TComponent* AOwner) : TZarixPlugin(AOwner, TNameSpaceWriteGuard{}) {}

TZarixPlugin::TZarixPlugin(TComponent* AOwner, const TNameSpaceWriteGuard&)
    : TComponent(AOwner),
      FCommands(std::make_unique<TZarixPluginCommands>(this)),
      FMethods(std::make_unique<TZarixPluginMethods>(this)),
      FClasses(std::make_unique<TZarixPluginClasses>(this)),
      FMDIForms(std::make_unique<TZarixPluginMDIForms>(this)) {
    FAlwaysLoaded = true;
    FMaxInstances = 1;
    FPluginPriority = 0;
    SkinProvider = nullptr;
}

TZarixPlugin::~TZarixPlugin() {
    // One at a time while the collection is still this plugin's, so each command takes itself
    // out of the manager's lists even when the plugin goes without being unloaded first.
    FCommands->Clear();
    FCommands.reset();
    FMethods.reset();
    FClasses.reset();
    FMDIForms.reset();
    // Its name and items have left every index of names with it.
    LateBoundChanged();
}

void TZarixPlugin::SetPluginName(const std::string& Value) {
    FPluginName = Value;
    FPluginNameNormalised = StrStdSearch(FPluginName, kPluginNameLength);
    LateBoundChanged();
}

TZarixPluginCommands* TZarixPlugin::GetCommands() const { return FCommands.get(); }
TZarixPluginMethods* TZarixPlugin::GetMethods() const { return FMethods.get(); }
TZarixPluginClasses* TZarixPlugin::GetClasses() const { return FClasses.get(); }
TZarixPluginMDIForms* TZarixPlugin::GetMDIForms() const { return FMDIForms.get(); }

void TZarixPlugin::SetCommands(const TZarixPluginCommands* Value) { FCommands->Assign(Value); }
void TZarixPlugin::SetMethods(const TZarixPluginMethods* Value) { FMethods->Assign(Value); }
void TZarixPlugin::SetClasses(const TZarixPluginClasses* Value) { FClasses->Assign(Value); }
void TZarixPlugin::SetMDIForms(const TZarixPluginMDIForms* Value) { FMDIForms->Assign(Value); }

void TZarixPlugin::OnMessage(TPluginMessagesTypes, const std::string&, TConstArray) {}

bool TZarixPlugin::Initialize(TComponent* Manager, TApplication* HostApplication, const std::string& Filename) {
    FHostApplication = HostApplication;
    FFilename = Filename;
    FManager = Manager;
    return true;
}

void TZarixPlugin::AddCommand(bool Enabled, const std::string& ACaption, const std::string& AHint,
                              const std::string& AMenuPosition, const std::string& AMenuPath,
                              TNotifyEvent AOnExecuteEvent, const std::string& APrivilegeToCheckName,
                              int32_t IconIdx, bool Visible, int32_t ToolBarPos,
                              const std::string& AToolButtonCaption) {
    // Commands without a menu path are never duplicates of each other.
    for (int i = 0; i < FCommands->Count(); ++i) {
        const TZarixPluginCommand* existing = FCommands->Items(i);
        if (!existing->MenuPath().empty() && existing->MenuPath() == AMenuPath && existing->Caption() == ACaption)
            return;
    }
    TZarixPluginCommand* command = FCommands->Add();
    command->SetCaption(ACaption);
    command->SetHint(AHint);
    command->SetMenuPosition(AMenuPosition);
    command->SetMenuPath(AMenuPath);
    command->SetShowInMenu(true);
    command->SetOnExecute(std::move(AOnExecuteEvent));
    command->SetPrivilegeToCheckName(APrivilegeToCheckName);
    command->SetImageIndex(IconIdx);
    command->IconIdx = IconIdx;
    command->SetEnabled(Enabled);
    command->SetVisible(Visible);
    command->SetToolBarPosition(ToolBarPos);
    command->SetShowOnToolBar(ToolBarPos >= 0);
    command->SetToolButtonCaption(AToolButtonCaption);
}

void TZarixPlugin::AddMethod(const std::string& MethodName, TCodePointer MethodAddress) {
    TZarixPluginMethod* method = FMethods->Add();
    method->SetName(MethodName);
    method->Address = MethodAddress;
}

void TZarixPlugin::AddClass(const std::string& ClassUserName, TPersistent* ClassObject) {
    TZarixPluginClass* item = FClasses->Add();
    item->SetClass_UserName(ClassUserName);
    if (ClassObject != nullptr) item->SetClass_Name(std::string(ClassObject->ClassName()));
    item->SetClass_Object(ClassObject);
}

void TZarixPlugin::AddDependency(const std::string& APluginName, const std::string& ARequiredVersion) {
    TPluginDependency& dependency = FDependencies.emplace_back();
    dependency.PluginName = StrStdSearch(APluginName, kPluginNameLength);
    // Parsed after the entry exists on purpose: a bad version text leaves the dependency
    // recorded at 0.0.0.0 and the conversion error reaches the caller.
    dependency.RequiredVersion = VersionParser(ARequiredVersion);
}

void TZarixPlugin::ErrMsg(const std::exception&, TObject*, const std::string&) { MessageBox("Error"); }

}  // namespace zarix
