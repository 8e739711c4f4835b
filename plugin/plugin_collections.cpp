// The plugin collections and their items.
#include "plugin/plugin_collections.h"

#include "manager/ZarixPluginManager.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"
#include "plugin/zarixplugin.h"

namespace zarix {

// Starts above 0 so that an index that was never built (at 0) is always stale.
std::atomic<uint64_t> detail::gLateBoundGeneration{1};

ZARIX_DEFINE_CLASS(TZarixPluginCommand,
                   ZARIX_PROPERTY(Name, GetName, SetName),
                   ZARIX_PROPERTY(Caption, FCaption, FCaption),
                   ZARIX_PROPERTY(Hint, FHint, FHint),
                   ZARIX_PROPERTY(ToolButtonCaption, FToolButtonCaption, FToolButtonCaption),
                   ZARIX_PROPERTY(Data, FData, FData),
                   ZARIX_PROPERTY(ImageIndex, FImageIndex, FImageIndex),
                   ZARIX_PROPERTY(MenuPosition, FMenuPosition, FMenuPosition),
                   ZARIX_PROPERTY(ShowOnToolBar, FShowOnToolBar, FShowOnToolBar),
                   ZARIX_PROPERTY(ToolBarPosition, FToolBarPosition, FToolBarPosition),
                   ZARIX_PROPERTY(ShowInMenu, FShowInMenu, FShowInMenu),
                   ZARIX_PROPERTY(MenuPath, FMenuPath, FMenuPath),
                   ZARIX_PROPERTY(PrivilegeToCheckName, FPrivilegeToCheckName, FPrivilegeToCheckName),
                   ZARIX_PROPERTY(Enabled, FEnabled, FEnabled),
                   ZARIX_PROPERTY(Visible, FVisible, FVisible),
                   ZARIX_PROPERTY(OnExecute, OnExecute, SetOnExecute),
                   ZARIX_PROPERTY(MenuItemRef, MenuItemRef, SetMenuItemRef),
                   ZARIX_PROPERTY(MenuRootRef, MenuRootRef, SetMenuRootRef),
                   ZARIX_PROPERTY(ToolItemRef, ToolItemRef, SetToolItemRef))

TZarixPluginCommand::TZarixPluginCommand(TCollection* Collection) : TCollectionItem(Collection) {}
TZarixPluginCommand::~TZarixPluginCommand() {
    // The manager's ordered command lists point at commands: one that goes leaves them first.
    if (const TZarixPlugin* plugin = Plugin())
        if (auto* manager = dynamic_cast<TZarixPluginManager*>(plugin->Manager())) manager->CommandDestroyed(this);
}

TZarixPlugin* TZarixPluginCommand::Plugin() const noexcept {
    // While the collection itself is being destroyed it is no longer a plugin's collection, and
    // its plugin is going too: its class then reads as its base's. Told by the class
    // information, not by dynamic_cast, which costs a menu build as much as making an item.
    const TCollection* collection = Collection();
    if (collection == nullptr || !collection->InheritsFrom(TZarixPluginCommands::StaticClass())) return nullptr;
    return static_cast<const TZarixPluginCommands*>(collection)->Plugin();
}

void TZarixPluginCommand::SetName(const std::string& Value) {
    if (Value != FName) FName = Value;
}

std::string TZarixPluginCommand::GetDisplayName() const {
    return FName.empty() ? TCollectionItem::GetDisplayName() : FName;
}

ZARIX_DEFINE_CLASS(TZarixPluginMethod, ZARIX_PROPERTY(Name, GetName, SetName))

TZarixPluginMethod::TZarixPluginMethod(TCollection* Collection) : TCollectionItem(Collection) {}
TZarixPluginMethod::~TZarixPluginMethod() = default;

void TZarixPluginMethod::SetName(const std::string& Value) {
    if (Value == FName) return;
    FName = Value;
    LateBoundChanged();
}

ZARIX_DEFINE_CLASS(TZarixPluginClass,
                   ZARIX_PROPERTY(Class_Name, Class_Name, SetClass_Name),
                   ZARIX_PROPERTY(Class_UserName, Class_UserName, SetClass_UserName),
                   ZARIX_PROPERTY(Class_Object, Class_Object, SetClass_Object))

TZarixPluginClass::TZarixPluginClass(TCollection* Collection) : TCollectionItem(Collection) {}
TZarixPluginClass::~TZarixPluginClass() = default;

void TZarixPluginClass::SetClass_Name(const std::string& Value) {
    if (Value != FClass_Name) FClass_Name = Value;
}

void TZarixPluginClass::SetClass_UserName(const std::string& Value) {
    if (Value == FClass_UserName) return;
    FClass_UserName = Value;
    LateBoundChanged();
}

void TZarixPluginClass::SetClass_Object(TPersistent* Value) {
    if (Value != FClass_Object) FClass_Object = Value;
}

ZARIX_DEFINE_CLASS(TZarixPluginMDIForm,
                   ZARIX_PROPERTY(Name, FName, FName),
                   ZARIX_PROPERTY(Caption, FCaption, FCaption),
                   ZARIX_PROPERTY(FormAlign, fAlign, fAlign),
                   ZARIX_PROPERTY(MDIForm, MDIForm, SetMDIForm),
                   ZARIX_PROPERTY(ParentForm, ParentForm, SetParentForm))

TZarixPluginMDIForm::TZarixPluginMDIForm(TCollection* Collection) : TCollectionItem(Collection) {}
TZarixPluginMDIForm::~TZarixPluginMDIForm() = default;

template <class Item>
TZarixPluginCollection<Item>::TZarixPluginCollection(TZarixPlugin* APlugin)
    : TTypedCollection<Item, TOwnedCollection>(APlugin), FPlugin(APlugin) {}

template class TZarixPluginCollection<TZarixPluginCommand>;
template class TZarixPluginCollection<TZarixPluginMethod>;
template class TZarixPluginCollection<TZarixPluginClass>;
template class TZarixPluginCollection<TZarixPluginMDIForm>;

ZARIX_DEFINE_CLASS(TZarixPluginCommands)
TZarixPluginCommands::TZarixPluginCommands(TZarixPlugin* APlugin) : TZarixPluginCollection(APlugin) {}
TZarixPluginCommands::~TZarixPluginCommands() = default;

ZARIX_DEFINE_CLASS(TZarixPluginMethods)
TZarixPluginMethods::TZarixPluginMethods(TZarixPlugin* APlugin) : TZarixPluginCollection(APlugin) {}
TZarixPluginMethods::~TZarixPluginMethods() = default;

ZARIX_DEFINE_CLASS(TZarixPluginClasses)
TZarixPluginClasses::TZarixPluginClasses(TZarixPlugin* APlugin) : TZarixPluginCollection(APlugin) {}
TZarixPluginClasses::~TZarixPluginClasses() = default;

ZARIX_DEFINE_CLASS(TZarixPluginMDIForms)
TZarixPluginMDIForms::TZarixPluginMDIForms(TZarixPlugin* APlugin) : TZarixPluginCollection(APlugin) {}
TZarixPluginMDIForms::~TZarixPluginMDIForms() = default;

}  // namespace zarix
