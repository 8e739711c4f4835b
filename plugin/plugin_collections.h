// The four collections through which a plugin offers itself: commands, methods callable by
// name, objects whose properties are reachable by name, and descriptors of its MDI forms.
#pragma once

#include "platform/rtl/collection.h"
#include "platform/rtl/export.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/toolbar.h"
#include "plugin/plugin_types.h"
#include "sync/sync.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zarix {

namespace detail {
ZARIX_API extern std::atomic<uint64_t> gLateBoundGeneration;
}  // namespace detail

/// Counts the changes that can alter what a call between plugins by name finds: a plugin's name,
/// the items of a plugin's Methods or Classes (added, removed, moved) and their names, a plugin
/// destroyed, and the manager's list of plugins. An index of those names built at one count
/// stays true while the count is unchanged. Cheap to read: one load.
inline uint64_t LateBoundGeneration() noexcept {
    return detail::gLateBoundGeneration.load(std::memory_order_relaxed);
}
inline void LateBoundChanged() noexcept { detail::gLateBoundGeneration.fetch_add(1, std::memory_order_relaxed); }

class TZarixPlugin;
class TForm;

/// One command of a plugin: a menu item and, optionally, a tool button.
class ZARIX_API TZarixPluginCommand : public TCollectionItem {
    ZARIX_CLASS(TZarixPluginCommand, TCollectionItem)
    explicit TZarixPluginCommand(TCollection* Collection);
    ~TZarixPluginCommand() override;

    const std::string& GetName() const noexcept { return FName; }
    void SetName(const std::string& Value);
    /// The command's Name, or the item's default display name while Name is empty.
    std::string GetDisplayName() const override;

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value) { FCaption = Value; }
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    const std::string& ToolButtonCaption() const noexcept { return FToolButtonCaption; }
    void SetToolButtonCaption(const std::string& Value) { FToolButtonCaption = Value; }
    const std::string& Data() const noexcept { return FData; }
    void SetData(const std::string& Value) { FData = Value; }
    int32_t ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int32_t Value) { FImageIndex = Value; }
    /// One decimal index per element of MenuPath, ordering the menu.
    const std::string& MenuPosition() const noexcept { return FMenuPosition; }
    void SetMenuPosition(const std::string& Value) { FMenuPosition = Value; }
    bool ShowOnToolBar() const noexcept { return FShowOnToolBar; }
    void SetShowOnToolBar(bool Value) { FShowOnToolBar = Value; }
    int32_t ToolBarPosition() const noexcept { return FToolBarPosition; }
    void SetToolBarPosition(int32_t Value) { FToolBarPosition = Value; }
    bool ShowInMenu() const noexcept { return FShowInMenu; }
    void SetShowInMenu(bool Value) { FShowInMenu = Value; }
    /// Menu captions from the top level down to the command, joined by "|".
    const std::string& MenuPath() const noexcept { return FMenuPath; }
    void SetMenuPath(const std::string& Value) { FMenuPath = Value; }
    const TNotifyEvent& OnExecute() const noexcept { return FOnExecute; }
    void SetOnExecute(TNotifyEvent Value) { FOnExecute = std::move(Value); }
    /// The user privilege the command requires; empty for none.
    const std::string& PrivilegeToCheckName() const noexcept { return FPrivilegeToCheckName; }
    void SetPrivilegeToCheckName(const std::string& Value) { FPrivilegeToCheckName = Value; }
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    /// The menu item built for the command; nullptr before, and once the item is destroyed.
    TMenuItem* MenuItemRef() const noexcept { return FMenuItemRef.Get(); }
    void SetMenuItemRef(TMenuItem* Value) { FMenuItemRef = Value; }
    TObject* MenuRootRef() const noexcept { return FMenuRootRef; }
    void SetMenuRootRef(TObject* Value) { FMenuRootRef = Value; }
    /// The tool button built for the command; nullptr before, and once the button is destroyed.
    TToolButton* ToolItemRef() const noexcept { return FToolItemRef.Get(); }
    void SetToolItemRef(TToolButton* Value) { FToolItemRef = Value; }
    /// The plugin whose Commands hold this command; nullptr outside a plugin's collection.
    TZarixPlugin* Plugin() const noexcept;

    /// Icon of the menu item and tool button; -1 or less for none.
    int32_t IconIdx = 0;

private:
    std::string FName;
    std::string FCaption;
    std::string FHint;
    std::string FToolButtonCaption;
    std::string FData;
    int32_t FImageIndex = 0;
    std::string FMenuPosition;
    bool FShowOnToolBar = false;
    int32_t FToolBarPosition = 0;
    bool FShowInMenu = true;
    std::string FMenuPath;
    TNotifyEvent FOnExecute;
    std::string FPrivilegeToCheckName;
    bool FEnabled = false;
    bool FVisible = false;
    TWeak<TMenuItem> FMenuItemRef;
    TObject* FMenuRootRef = nullptr;
    TWeak<TToolButton> FToolItemRef;
};

/// A routine of a plugin that other plugins call by name.
class ZARIX_API TZarixPluginMethod : public TCollectionItem {
    ZARIX_CLASS(TZarixPluginMethod, TCollectionItem)
    explicit TZarixPluginMethod(TCollection* Collection);
    ~TZarixPluginMethod() override;

    const std::string& GetName() const noexcept { return FName; }
    void SetName(const std::string& Value);
    /// Carried for the plugin; the framework does not read it.
    std::vector<uint16_t>& Params() noexcept { return FParams; }

    /// Entry point of the routine.
    TCodePointer Address = nullptr;

private:
    std::string FName;
    std::vector<uint16_t> FParams;
};

/// An object of a plugin whose published properties other plugins read and write by name.
class ZARIX_API TZarixPluginClass : public TCollectionItem {
    ZARIX_CLASS(TZarixPluginClass, TCollectionItem)
    explicit TZarixPluginClass(TCollection* Collection);
    ~TZarixPluginClass() override;

    const std::string& Class_Name() const noexcept { return FClass_Name; }
    void SetClass_Name(const std::string& Value);
    /// The name under which other plugins address the object.
    const std::string& Class_UserName() const noexcept { return FClass_UserName; }
    void SetClass_UserName(const std::string& Value);
    /// The object itself; not owned.
    TPersistent* Class_Object() const noexcept { return FClass_Object; }
    void SetClass_Object(TPersistent* Value);

private:
    std::string FClass_Name;
    std::string FClass_UserName;
    TPersistent* FClass_Object = nullptr;
};

/// One MDI form of a plugin; the forms are not owned.
class ZARIX_API TZarixPluginMDIForm : public TCollectionItem {
    ZARIX_CLASS(TZarixPluginMDIForm, TCollectionItem)
    explicit TZarixPluginMDIForm(TCollection* Collection);
    ~TZarixPluginMDIForm() override;

    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& Value) { FCaption = Value; }
    /// The form; nullptr once it is destroyed.
    TForm* MDIForm() const noexcept { return FMDIForm.Get(); }
    void SetMDIForm(TForm* Value) { FMDIForm = Value; }
    TForm* ParentForm() const noexcept { return FParentForm.Get(); }
    void SetParentForm(TForm* Value) { FParentForm = Value; }
    TFormAlign FormAlign() const noexcept { return fAlign; }
    void SetFormAlign(TFormAlign Value) { fAlign = Value; }

private:
    std::string FName;
    std::string FCaption;
    TWeak<TForm> FMDIForm;
    TWeak<TForm> FParentForm;
    TFormAlign fAlign = alNotAligned;
};

/// A plugin's collection of items of one class; reports the plugin as its owner.
template <class Item>
class TZarixPluginCollection : public TTypedCollection<Item, TOwnedCollection> {
public:
    explicit TZarixPluginCollection(TZarixPlugin* APlugin);
    TZarixPlugin* Plugin() const noexcept { return FPlugin; }

private:
    TZarixPlugin* FPlugin;
};

class ZARIX_API TZarixPluginCommands : public TZarixPluginCollection<TZarixPluginCommand> {
    ZARIX_CLASS(TZarixPluginCommands, TOwnedCollection)
    explicit TZarixPluginCommands(TZarixPlugin* APlugin);
    ~TZarixPluginCommands() override;
};

class ZARIX_API TZarixPluginMethods : public TZarixPluginCollection<TZarixPluginMethod> {
    ZARIX_CLASS(TZarixPluginMethods, TOwnedCollection)
    explicit TZarixPluginMethods(TZarixPlugin* APlugin);
    ~TZarixPluginMethods() override;

protected:
    void Changed() override { LateBoundChanged(); }
};

class ZARIX_API TZarixPluginClasses : public TZarixPluginCollection<TZarixPluginClass> {
    ZARIX_CLASS(TZarixPluginClasses, TOwnedCollection)
    explicit TZarixPluginClasses(TZarixPlugin* APlugin);
    ~TZarixPluginClasses() override;

protected:
    void Changed() override { LateBoundChanged(); }
};

class ZARIX_API TZarixPluginMDIForms : public TZarixPluginCollection<TZarixPluginMDIForm> {
    ZARIX_CLASS(TZarixPluginMDIForms, TOwnedCollection)
    explicit TZarixPluginMDIForms(TZarixPlugin* APlugin);
    ~TZarixPluginMDIForms() override;
};

}  // namespace zarix
