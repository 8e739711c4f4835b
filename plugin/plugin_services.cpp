// The plugin component's window and menu services: forwards to the MDI container, and
// showing, hiding, enabling or disabling the command menu's items.
#include "plugin/zarixplugin.h"

#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/rtl/case_fold.h"
#include "plugin/plugin_utils.h"

namespace zarix {

TZarixMDIContainer& TZarixPlugin::Container() const {
    TZarixMDIContainer* container = LoadedBy().MDIContainer();
    if (container == nullptr) throw EPluginError("The plugin manager holds no MDI container");
    return *container;
}

TForm* TZarixPlugin::IsMDIForm(const std::string& ClassName, int32_t OrigId, TForm* SourceForm, TAskMode AskMode) {
    return Container().IsMDIForm(SourceForm, ClassName, OrigId, AskMode);
}

TForm* TZarixPlugin::GetMDIBottomChild(TForm* SourceForm, const std::string& excludeClassNames) {
    return Container().GetMDIBottomChild(SourceForm, excludeClassNames);
}

void TZarixPlugin::AddPrevMDIForm(const std::string& PluginName, const std::string& MethodName,
                                  const std::string& NodeName, const std::string& Params) {
    Container().AddPrevMDIForm(PluginName, MethodName, NodeName, Params);
}

void TZarixPlugin::RebuildTree() { Container().RebuildTree(); }

int32_t TZarixPlugin::RefreshMDI(TForm* CallingForm) {
    Container().RefreshMDI(CallingForm);
    return 0;
}

bool TZarixPlugin::CanCloseMDI(TForm* Form, const std::string& Name, int32_t OrigId, std::string& Msg,
                               bool RestoreParent) {
    return Container().CanCloseMDI(Form, Name, OrigId, Msg, RestoreParent);
}

void TZarixPlugin::SendResultToForm(TForm* DestForm) { Container().SendResultToForm(DestForm); }
void TZarixPlugin::SendMDIResult(TForm* SourceForm) { Container().SendMDIResult(SourceForm); }
void TZarixPlugin::ChangeMDIName(TForm* Form, const std::string& Name) { Container().ChangeName(Form, Name); }
int32_t TZarixPlugin::GetMDIOrigid(TForm* Form) { return Container().GetMDIOrigid(Form); }
void TZarixPlugin::ChangeMDIOrigId(TForm* Form, int32_t origid) { Container().ChangeOrigId(Form, origid); }
void TZarixPlugin::RestoreMDI(TForm* Form) { Container().RestoreMDI(Form); }
void TZarixPlugin::SetPosition(TForm* CallingForm, TFormAlign FormAlign) { Container().GetPosition(CallingForm, FormAlign); }
void TZarixPlugin::OnCloseInfoToChildren(TForm* Parent, int32_t OrigId) { Container().OnCloseInfoToChildren(Parent, OrigId); }

TForm* TZarixPlugin::MDIGetParent() const {
    TZarixMDIContainer* container = LoadedBy().MDIContainer();
    return container != nullptr ? container->getMDIParent() : nullptr;
}

bool TZarixPlugin::AddMDIForm(const std::string& Name, TForm* MDIForm, int32_t Width, int32_t Height, TForm* ParentForm,
                              int32_t OrigId, TFormAlign FormAlign, int32_t IconIdx) {
    TZarixMDIContainer& container = Container();
    container.IconList = LoadedBy().IconsList.Get();
    // The container takes the height first.
    const bool result = container.AddMDIForm(MDIForm, Height, Width, ParentForm, OrigId, FormAlign, IconIdx);
    if (result && MDIForm != nullptr) {
        TZarixPluginMDIForm* descriptor = FMDIForms->Add();
        descriptor->SetName(Name);
        descriptor->SetMDIForm(MDIForm);
        descriptor->SetParentForm(ParentForm);
        MDIForm->SetWidth(Width);
        MDIForm->SetHeight(Height);
        // An index the list does not hold leaves the form without an icon: nothing here reports
        // errors of its own, and the form is still placed.
        const TImageList* icons = container.IconList.Get();
        if (IconIdx >= 0 && icons != nullptr && IconIdx < icons->Count()) MDIForm->SetIcon(TIcon::FromImageList(*icons, IconIdx));
    }
    container.GetPosition(MDIForm, FormAlign);
    return result;
}

void TZarixPlugin::DelMDIForm(const std::string&, TForm* MDIForm) {
    Container().DelMDIForm(MDIForm);
    for (int i = 0; i < FMDIForms->Count();) {
        if (FMDIForms->Items(i)->MDIForm() == MDIForm) FMDIForms->Delete(i);
        else ++i;
    }
}

bool TZarixPlugin::CommandMenuCheckExist(const std::string& AMenuPath) const {
    for (int i = 0; i < FCommands->Count(); ++i)
        if (FCommands->Items(i)->MenuPath() == AMenuPath) return true;
    return false;
}

void TZarixPlugin::SetCommandMenuVisible(const std::string& AMenuPath, bool visible, bool rootMenu) {
    if (rootMenu) {
        SetRootMenuVisible(AMenuPath, visible);
        return;
    }
    for (int i = 0; i < FCommands->Count(); ++i) {
        TZarixPluginCommand* command = FCommands->Items(i);
        if (command->MenuPath() != AMenuPath) continue;
        if (TMenuItem* item = command->MenuItemRef()) item->SetVisible(visible);
    }
}

void TZarixPlugin::SetCommandMenuEnabled(const std::string& AMenuPath, bool enabled) {
    for (int i = 0; i < FCommands->Count(); ++i) {
        TZarixPluginCommand* command = FCommands->Items(i);
        if (command->MenuPath() != AMenuPath) continue;
        if (TMenuItem* item = command->MenuItemRef()) item->SetEnabled(enabled);
    }
}

void TZarixPlugin::SetRootMenuVisible(const std::string& AMenuPath, bool visible) {
    TMenu* menu = LoadedBy().Menu();
    if (menu == nullptr) return;
    const TExplodeArray path = Explode("|", AMenuPath);
    TMenuItem* current = menu->Items()->Find(path[0]);
    if (current == nullptr) return;
    // Below the top level captions are compared exactly; an element that matches no child
    // leaves the walk where it is, so the deepest item that did match is the one changed.
    for (std::size_t k = 1; k < path.size(); ++k) {
        for (int i = 0; i < current->Count(); ++i) {
            if (current->Items(i)->Caption() == path[k]) {
                current = current->Items(i);
                break;
            }
        }
    }
    current->SetVisible(visible);
}

void TZarixPlugin::SetBranchMenuVisible(const std::string& AMenuPath, bool visible) {
    TMenu* menu = LoadedBy().Menu();
    const TExplodeArray path = Explode("|", AMenuPath);
    if (menu == nullptr || path.size() < 2) return;
    TMenuItem* top = menu->Items();
    for (int i = 0; i < top->Count(); ++i) {
        TMenuItem* branch = top->Items(i);
        // Captions lose their "&" before the comparison, the path's elements do not; letter case
        // counts in no script, as in the menu's own look-up.
        if (!SameTextFolded(StripHotkey(branch->Caption()), path[0])) continue;
        for (int j = 0; j < branch->Count(); ++j)
            if (SameTextFolded(StripHotkey(branch->Items(j)->Caption()), path[1])) branch->Items(j)->SetVisible(visible);
    }
}

void TZarixPlugin::CheckMenuVSPrivileges() { LoadedBy().CheckMenuVSPrivileges(); }

}  // namespace zarix
