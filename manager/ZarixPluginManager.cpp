// The manager component: construction, destruction, properties and lookups.
#include "manager/ZarixPluginManager.h"

#include "manager/call_index.h"
#include "platform/rtl/strings.h"
#include "platform/ui/application.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"
#include "services/db/zarix_db.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"

namespace zarix {

ZARIX_DEFINE_EXCEPTION(EPluginError)

ZARIX_DEFINE_CLASS(TZarixPluginManager,
                   ZARIX_PROPERTY(Extension, GetExtension, SetExtension),
                   ZARIX_PROPERTY(PluginFolder, GetPluginFolder, SetPluginFolder),
                   ZARIX_PROPERTY(PluginCount, GetPluginCount),
                   ZARIX_PROPERTY(Menu, Menu),
                   ZARIX_PROPERTY(ToolBar, ToolBar))

TZarixPluginManager::TZarixPluginManager(TComponent* AOwner)
    : TComponent(AOwner), FCallIndex(std::make_unique<TCallIndex>()) {
    // Made before the manager is, the application object is destroyed after it, also when the
    // manager is a global: the plugins' forms still reach it as the manager unloads them.
    Application();
    // A manager placed on a form in the designer only carries its settings.
    if (IsDesigning()) return;
    FExceptionManager = std::make_unique<TExceptionManager>(nullptr);
    FExceptionManager->SetActive(true);
    DBInterface = &DBInt();
    FPluginPriorities = std::make_unique<TStringList>();
    objValidateMsgShow = std::make_unique<TValidation>(nullptr);
}

TZarixPluginManager::~TZarixPluginManager() {
    // A destructor must not raise: UnloadPlugin reports what fails inside it, and anything
    // else is reported here, plugin by plugin.
    for (int i = GetPluginCount() - 1; i >= 0; --i) {
        try {
            UnloadPlugin(i);
        } catch (...) {
            ZarixExceptionHandler(std::current_exception(), "TZarixPluginManager.Destroy", Here());
        }
    }
    FCommandBaseMenuPrivileges.clear();
    FExceptionManager.reset();
    FPluginPriorities.reset();
    objValidateMsgShow.reset();
}

std::string TZarixPluginManager::GetExtension() const { return FExtension.value_or("bpl"); }
// An empty extension would search "*.": it means the default, as before any was set.
void TZarixPluginManager::SetExtension(const std::string& Value) {
    if (Value.empty()) FExtension.reset();
    else FExtension = Value;
}
std::string TZarixPluginManager::GetPluginFolder() const { return FPluginFolder; }
void TZarixPluginManager::SetPluginFolder(const std::string& Value) { FPluginFolder = Value; }

void TZarixPluginManager::SetExceptionManager(std::unique_ptr<TExceptionManager> Value) {
    FExceptionManager = std::move(Value);
}

TZarixPlugin* TZarixPluginManager::GetPlugins(int index) const {
    if (index < 0 || index >= GetPluginCount()) throw Exception("Invalid index");
    return FPlugins[static_cast<std::size_t>(index)];
}

TZarixPlugin* TZarixPluginManager::getPluginByName(const std::string& APluginName) const {
    return FCallIndex->Plugin(FPlugins, APluginName);
}

void TZarixPluginManager::GetLoadedPlugins(TStrings* PluginList) const {
    PluginList->Clear();
    for (const TZarixPlugin* plugin : FPlugins) PluginList->Add(plugin->Name());
}

std::string TZarixPluginManager::PluginHandle(int index) const {
    if (index < 0 || index >= GetPluginCount()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return IntToStr(static_cast<int64_t>(FLibraries[static_cast<std::size_t>(index)].Handle()));
}

void TZarixPluginManager::TriggerBeforeLoadingEvent(const std::string& APluginName) {
    if (FOnBeforeLoading) FOnBeforeLoading(this, APluginName);
}

void TZarixPluginManager::TriggerAfterLoadingEvent() {
    if (FOnAfterLoading) FOnAfterLoading(this);
}

void TZarixPluginManager::TriggerOnNewCommandProc(const std::string& ACaption, const std::string& AHint,
                                                  const std::string& AData, int32_t AImageIndex,
                                                  const TNotifyEvent& AEvent) {
    if (FOnNewCommand) FOnNewCommand(this, ACaption, AHint, AData, AImageIndex, AEvent);
}

}  // namespace zarix
