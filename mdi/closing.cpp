// The closing protocol: asking children, telling them, and the bookkeeping of a closing window.
#include "mdi/ZarixMDIContainer.h"

#include "services/exception_handler.h"

namespace zarix {

bool TZarixMDIContainer::CanCloseMDI(TForm* Form, const std::string& Name, int32_t OrigId, std::string& Msg,
                                     bool RestoreParent) {
    ZARIX_ASSERT_UI_THREAD();
    bool result = true;
    try {
        if (FActiveWindows.Get() != nullptr && Form != nullptr) {
            const THandle handle = Form->Handle();
            for (int i = 0; i < FItems->Count(); ++i) {
                TZarixMDIContainerItem* entry = FItems->Items(i);
                TForm* child = entry->Form();
                if (child == nullptr || entry->ParentForm() == nullptr || entry->ParentForm()->Handle() != handle)
                    continue;
                if (!GetMDIInterface(child).MDICanClose(Name, OrigId, Msg)) {
                    // The refusing window comes forward, so the user sees why.
                    child->SetWindowState(wsNormal);
                    child->BringToFront();
                    return false;
                }
                const TTreeNode* node = entry->FActiveWindowsItem();
                if (node != nullptr && node->HasChildren() && !CanCloseMDI(child, Name, OrigId, Msg, RestoreParent))
                    return false;
            }
        }
        if (RestoreParent && result && Form != nullptr) {
            const THandle handle = Form->Handle();
            for (int i = 0; i < FItems->Count(); ++i) {
                TZarixMDIContainerItem* entry = FItems->Items(i);
                if (entry->Form() == nullptr || entry->Form()->Handle() != handle || entry->ParentForm() == nullptr) continue;
                entry->ParentForm()->SetWindowState(wsNormal);
                entry->ParentForm()->BringToFront();
            }
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.CanCloseMdi", Here());
    }
    return result;
}

void TZarixMDIContainer::OnCloseInfoToChildren(TForm* Parent, int32_t OrigId) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (!TreeHasNodes() || Parent == nullptr) return;
        const THandle handle = Parent->Handle();
        const std::string parentClass(Parent->ClassName());
        // A child may close itself when told: its entry goes and the next one moves into its
        // place, so the walk stays at the same position whenever the count changed.
        for (int i = 0; i < FItems->Count();) {
            const int count = FItems->Count();
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->Form() != nullptr && entry->ParentForm() != nullptr && entry->ParentForm()->Handle() == handle)
                GetMDIInterface(entry->Form()).MDIParentClosing(parentClass, OrigId);
            if (FItems->Count() == count) ++i;
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.OnCloseInfoToChildren", Here());
    }
}

void TZarixMDIContainer::Close(TZarixMDIContainerItem& Entry, TObject* Sender, TCloseAction& Action) {
    if (Entry.FHooks && Entry.FHooks->OrginalOnClose) Entry.FHooks->OrginalOnClose(Sender, Action);
    // The window to bring forward afterwards: the parent's last other child of another class,
    // else the parent.
    TWeak<TForm> next;
    auto* closing = dynamic_cast<TForm*>(Sender);
    if (closing != nullptr) {
        const THandle handle = closing->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->Form() == nullptr || entry->Form()->Handle() != handle || entry->ParentForm() == nullptr) continue;
            TForm* sibling = GetMDILastChild(entry->ParentForm(), closing);
            next = sibling != nullptr ? sibling : entry->ParentForm();
        }
    }
    TWeak<TForm> form = Entry.Form();
    PrepareToRebuild(form.Get());
    if (TForm* f = form.Get()) f->SetActiveControl(nullptr);
    // Whatever the handler before chose, a registered window closes for good.
    Action = caFree;
    DeleteEntry(&Entry);  // the entry is gone from here on
    RebuildTree();
    if (TForm* f = next.Get()) {
        f->SetWindowState(wsNormal);
        f->BringToFront();
        f->SetFocus();
    }
}

}  // namespace zarix
