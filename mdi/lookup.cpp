// Finding windows above and below a window, placing them, refreshing them.
#include "mdi/ZarixMDIContainer.h"

#include "platform/rtl/strings.h"
#include "services/exception_handler.h"

namespace zarix {

namespace {

bool IsChildOf(const TZarixMDIContainerItem& Entry, THandle Parent) {
    return Entry.ParentForm() != nullptr && Entry.ParentForm()->Handle() == Parent;
}

std::string ClassOf(const TForm& Form) { return std::string(Form.ClassName()); }

}  // namespace

TForm* TZarixMDIContainer::IsMDIForm(TForm* SourceForm, const std::string& ChildClassName, int32_t ChildOrigId,
                                     TAskMode AskMode) {
    ZARIX_ASSERT_UI_THREAD();
    TForm* result = nullptr;
    try {
        if (SourceForm != nullptr && AskMode == askTop) {
            // The nearest matching ancestor; the source itself is never a candidate.
            const TZarixMDIContainerItem* own = LastEntryOf(SourceForm);
            TForm* parent = own != nullptr ? own->ParentForm() : nullptr;
            if (parent == nullptr) return nullptr;
            if (GetMDIOrigid(parent) == ChildOrigId && SameText(ClassOf(*parent), ChildClassName)) return parent;
            return IsMDIForm(parent, ChildClassName, ChildOrigId, askTop);
        }
        if (SourceForm != nullptr && AskMode == askBottom) {
            const THandle source = SourceForm->Handle();
            for (int i = 0; i < FItems->Count(); ++i) {
                TZarixMDIContainerItem* entry = FItems->Items(i);
                if (!IsChildOf(*entry, source) || entry->Form() == nullptr) continue;
                if (SameText(ClassOf(*entry->Form()), ChildClassName) &&
                    (ChildOrigId < 0 || entry->OrigId() == ChildOrigId))
                    return entry->Form();
                const TTreeNode* node = entry->FActiveWindowsItem();
                if (node != nullptr && node->HasChildren())
                    if (TForm* below = IsMDIForm(entry->Form(), ChildClassName, ChildOrigId, askBottom)) return below;
            }
            return nullptr;
        }
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->OrigId() == ChildOrigId && entry->Form() != nullptr &&
                SameText(ClassOf(*entry->Form()), ChildClassName))
                result = entry->Form();
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.IsMdiForm", Here());
    }
    return result;
}

TForm* TZarixMDIContainer::GetMDIBottomChild(TForm* SourceForm, const std::string& excludeClassNames) {
    try {
        if (SourceForm == nullptr) return nullptr;
        const std::string excluded = UpperCase(excludeClassNames);
        const THandle source = SourceForm->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (!IsChildOf(*entry, source) || entry->Form() == nullptr) continue;
            if (excluded.find(";" + UpperCase(ClassOf(*entry->Form())) + ";") != std::string::npos) continue;
            TForm* below = GetMDIBottomChild(entry->Form(), excludeClassNames);
            return below != nullptr ? below : entry->Form();
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.GetMDIBottomChild", Here());
    }
    return nullptr;
}

TForm* TZarixMDIContainer::GetMDILastChild(TForm* SourceForm, TForm* ExceptChildForm) {
    TForm* result = nullptr;
    try {
        TZarixMDIContainer* container = CurrentMDIContainer();
        if (container == nullptr || SourceForm == nullptr) return nullptr;
        const std::string exceptClass = ExceptChildForm != nullptr ? ClassOf(*ExceptChildForm) : std::string();
        const THandle source = SourceForm->Handle();
        for (int i = 0; i < container->FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = container->FItems->Items(i);
            if (IsChildOf(*entry, source) && entry->Form() != nullptr && ClassOf(*entry->Form()) != exceptClass)
                result = entry->Form();
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.GetMDILastChild", Here());
    }
    return result;
}

int32_t TZarixMDIContainer::GetMDIOrigid(TForm* Form) {
    int32_t result = 0;
    try {
        if (const TZarixMDIContainerItem* entry = FirstEntryOf(Form)) result = entry->OrigId();
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.GetMdiOrigid", Here());
    }
    return result;
}

void TZarixMDIContainer::ChangeName(TForm* Form, const std::string& Name) {
    try {
        if (!TreeHasNodes() || Form == nullptr) return;
        const THandle handle = Form->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->Form() == nullptr || entry->Form()->Handle() != handle) continue;
            entry->FName = Name;
            RebuildTree();
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.ChangeName", Here());
    }
}

void TZarixMDIContainer::ChangeOrigId(TForm* Form, int32_t OrigId) {
    try {
        if (!TreeHasNodes() || Form == nullptr) return;
        const THandle handle = Form->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->Form() != nullptr && entry->Form()->Handle() == handle) entry->iOrigId = OrigId;
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.ChangeOrigid", Here());
    }
}

void TZarixMDIContainer::GetPosition(TForm* ActualForm, TFormAlign FormAlign) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (FormAlign == alNotAligned || ActualForm == nullptr) return;
        const TZarixMDIContainerItem* own = LastEntryOf(ActualForm);
        TForm* parent = own != nullptr ? own->ParentForm() : nullptr;
        int left = 0, top = 0;
        if (FormAlign == alCascade) {
            // A cascaded window sits 20 pixels right of and 30 below the window that opened it.
            if (parent != nullptr) {
                left = parent->Left() + 20;
                top = parent->Top() + 30;
            }
        } else {
            // At the right top: right edges aligned, 20 pixels below the parent's top.
            if (parent == nullptr) return;
            left = parent->Left() + parent->Width() - ActualForm->Width();
            top = parent->Top() + 20;
        }
        const THandle handle = ActualForm->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->Form() != nullptr && entry->Form()->Handle() == handle) entry->fAlign = FormAlign;
        }
        ActualForm->SetLeft(left);
        ActualForm->SetTop(top);
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.GetPosition", Here());
    }
}

void TZarixMDIContainer::RestoreMDI(TForm* Form) {
    try {
        const TZarixMDIContainerItem* entry = FirstEntryOf(Form);
        if (entry == nullptr || entry->Form() == nullptr) return;
        entry->Form()->SetWindowState(wsNormal);
        entry->Form()->BringToFront();
        entry->Form()->SetFocus();
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.RestoreMdi", Here());
    }
}

int32_t TZarixMDIContainer::RefreshMDI(TForm* CallingForm) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (TreeHasNodes()) {
            const THandle calling = CallingForm != nullptr ? CallingForm->Handle() : 0;
            // By registration order; the list of windows is taken first, since a refresh may
            // open or close windows.
            std::vector<TWeak<TForm>> windows;
            for (int i = 0; i < FItems->Count(); ++i)
                if (TForm* form = FItems->Items(i)->Form(); form != nullptr && form->Handle() != calling)
                    windows.emplace_back(form);
            // A window whose entry an earlier refresh removed is no longer refreshed.
            for (const TWeak<TForm>& window : windows)
                if (TForm* form = window.Get(); form != nullptr && FirstEntryOf(form) != nullptr)
                    GetMDIInterface(form).MDIRefresh();
        }
        ModifiedObjects().ClearModifiedObjects();
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.RefreshMdi", Here());
    }
    return 0;
}

}  // namespace zarix
