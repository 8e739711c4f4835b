// The window registry, its hooks and the active-windows tree.
#include "mdi/ZarixMDIContainer.h"

#include "platform/rtl/strings.h"
#include "platform/ui/menus.h"
#include "services/exception_handler.h"

namespace zarix {

namespace {

TWeak<TZarixMDIContainer>& Current() {
    static TWeak<TZarixMDIContainer> current;
    return current;
}

// Runs Body; whatever it raises is reported under Context and the caller goes on.
template <class F>
void Guarded(const char* Context, F&& Body) {
    try {
        Body();
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), Context, Here());
    }
}

}  // namespace

TZarixMDIContainer* CurrentMDIContainer() { return Current().Get(); }

ZARIX_DEFINE_CLASS(TZarixMDIContainerItem, ZARIX_PROPERTY(Name, Name, SetName), ZARIX_PROPERTY(OrigId, OrigId, SetOrigId),
                   ZARIX_PROPERTY(FormAlign, FormAlign, SetFormAlign))

TZarixMDIContainerItem::TZarixMDIContainerItem(TCollection* Collection) : TCollectionItem(Collection) {}

TZarixMDIContainerItem::~TZarixMDIContainerItem() {
    if (FHooks) FHooks->Entry = nullptr;
}

void TZarixMDIContainerItem::Assign(const TPersistent* Source) {
    const auto* from = dynamic_cast<const TZarixMDIContainerItem*>(Source);
    if (from == nullptr) {
        TCollectionItem::Assign(Source);
        return;
    }
    FForm = from->FForm.Get();
    FName = from->FName;
    fParentForm = from->fParentForm.Get();
    iOrigId = from->iOrigId;
    fAlign = from->fAlign;
    IconIdx = from->IconIdx;
    fFActiveWindowsItem = from->fFActiveWindowsItem.Get();
}

void TZarixMDIContainerItem::Hook() {
    TForm* form = FForm.Get();
    FHooks = std::make_shared<THooks>();
    FHooks->Entry = this;
    FHooks->OrginalOnShow = form->OnShow();
    FHooks->OrginalOnClose = form->OnClose();
    // The hooks hold the shared state, so the handlers the form had keep running however long
    // the form outlives its entry.
    std::shared_ptr<THooks> held = FHooks;
    form->SetOnShow([held](TObject* Sender) {
        if (held->Entry != nullptr) held->Entry->OnMDIChildFormCreate(Sender);
        else if (held->OrginalOnShow) held->OrginalOnShow(Sender);
    });
    form->SetOnClose([held](TObject* Sender, TCloseAction& Action) {
        if (held->Entry != nullptr) held->Entry->OnMDIChildFormClose(Sender, Action);
        else if (held->OrginalOnClose) held->OrginalOnClose(Sender, Action);
    });
}

void TZarixMDIContainerItem::OnMDIChildFormCreate(TObject* Sender) {
    Guarded("TZarixMDIContainer.OnMdiChildCreate", [&] {
        if (FHooks && FHooks->OrginalOnShow) FHooks->OrginalOnShow(Sender);
    });
}

void TZarixMDIContainerItem::OnMDIChildFormClose(TObject* Sender, TCloseAction& Action) {
    TZarixMDIContainer* container = CurrentMDIContainer();
    Guarded("TZarixMDIContainer.OnMdiChildFormClose", [&] {
        if (container != nullptr) container->Close(*this, Sender, Action);
        else if (FHooks && FHooks->OrginalOnClose) FHooks->OrginalOnClose(Sender, Action);
    });
}

ZARIX_DEFINE_CLASS(TZarixMDIContainerItems)

TZarixMDIContainerItems::TZarixMDIContainerItems(TZarixMDIContainer* AMDIContainer) : FMDIContainer(AMDIContainer) {}
TZarixMDIContainerItems::~TZarixMDIContainerItems() = default;
TPersistent* TZarixMDIContainerItems::GetOwner() const { return FMDIContainer; }

ZARIX_DEFINE_CLASS(TZarixMDIContainer, ZARIX_PROPERTY(MDIParent, getMDIParent, SetMDIParent))

TZarixMDIContainer::TZarixMDIContainer(TComponent* AOwner) : TZarixMDIContainer(AOwner, TNameSpaceWriteGuard{}) {
    Current() = this;
}

// Built under the name-space write lock, held by the guard of the delegating call and
// released on every path.
// A container without its registry could not do anything, so a failure to make the registry
// fails the construction; every method may then rely on the registry being there.
TZarixMDIContainer::TZarixMDIContainer(TComponent* AOwner, const TNameSpaceWriteGuard&)
    : TComponent(AOwner), FItems(std::make_unique<TZarixMDIContainerItems>(this)) {}

TZarixMDIContainer::~TZarixMDIContainer() { FItems.reset(); }

TZarixMDIContainerItems* TZarixMDIContainer::Items() const { return FItems.get(); }

void TZarixMDIContainer::SetItems(const TZarixMDIContainerItems* Value) {
    Guarded("TZarixMDIContainer.SetItems", [&] {
        if (Value == FItems.get()) return;
        FItems->Assign(Value);
        // The copies are this container's entries now: told when their forms go, and answering
        // their forms' close as the entries they replace did.
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (TForm* form = entry->Form()) {
                FreeNotification(form);
                entry->Hook();
            }
        }
    });
}

TForm* TZarixMDIContainer::getMDIParent() const { return FMDIParent.Get(); }
void TZarixMDIContainer::SetMDIParent(TForm* Value) { FMDIParent = Value; }

bool TZarixMDIContainer::TreeHasNodes() const {
    const TTreeView* tree = FActiveWindows.Get();
    return tree != nullptr && tree->Items()->Count() > 0;
}

TZarixMDIContainerItem* TZarixMDIContainer::FirstEntryOf(TForm* Form) const {
    if (Form == nullptr) return nullptr;
    const THandle handle = Form->Handle();
    for (int i = 0; i < FItems->Count(); ++i) {
        TZarixMDIContainerItem* entry = FItems->Items(i);
        if (entry->Form() != nullptr && entry->Form()->Handle() == handle) return entry;
    }
    return nullptr;
}

TZarixMDIContainerItem* TZarixMDIContainer::LastEntryOf(TForm* Form) const {
    if (Form == nullptr) return nullptr;
    const THandle handle = Form->Handle();
    for (int i = FItems->Count() - 1; i >= 0; --i) {
        TZarixMDIContainerItem* entry = FItems->Items(i);
        if (entry->Form() != nullptr && entry->Form()->Handle() == handle) return entry;
    }
    return nullptr;
}

void TZarixMDIContainer::SetActiveWindows(TTreeView* Nodes) {
    Guarded("TZarixMDIContainer.SetACtiveWindows", [&] {
        FActiveWindows = Nodes;
        if (Nodes == nullptr) return;
        auto* popup = new TPopupMenu(Nodes);
        Nodes->SetPopupMenu(popup);
        // "Idź do..." = go to, "Zamknij" = close, "Minimalizacja" / "Maksymalizacja" = minimise
        // and maximise the window of the selected node.
        const std::pair<const char*, void (TZarixMDIContainer::*)(TObject*)> entries[] = {
            {"Idź do...", &TZarixMDIContainer::OnActiveWindowsContextGoto},
            {"Zamknij", &TZarixMDIContainer::OnActiveWindowsContextClose},
            {"Minimalizacja", &TZarixMDIContainer::OnActiveWindowsContextMinimalize},
            {"Maksymalizacja", &TZarixMDIContainer::OnActiveWindowsContextMaximalize},
        };
        TWeak<TZarixMDIContainer> self = this;
        for (const auto& [caption, handler] : entries) {
            auto* item = new TMenuItem(popup);
            item->SetCaption(caption);
            // Held weakly: the tree and its menu may outlive the container.
            item->SetOnClick([self, handler](TObject* Sender) {
                if (TZarixMDIContainer* container = self.Get()) (container->*handler)(Sender);
            });
            popup->Items()->Add(item);
        }
        Nodes->SetOnClick([self](TObject* Sender) {
            if (TZarixMDIContainer* container = self.Get()) container->OnActiveWindowsContextGoto(Sender);
        });
    });
}

TTreeNode* TZarixMDIContainer::AddNode(TZarixMDIContainerItem& Entry, TTreeNode* ParentNode) {
    TTreeNodes* nodes = FActiveWindows->Items();
    TTreeNode* node = ParentNode != nullptr ? nodes->AddChild(ParentNode, Entry.FName) : nodes->Add(nullptr, Entry.FName);
    node->SetImageIndex(Entry.IconIdx);
    node->SetSelectedIndex(Entry.IconIdx);
    node->SetStateIndex(Entry.IconIdx);
    Entry.fFActiveWindowsItem = node;
    return node;
}

bool TZarixMDIContainer::AddMDIForm(TForm* AForm, int32_t Height, int32_t Width, TForm* PForm, int32_t OrigId,
                                    TFormAlign, int32_t IconIdx) {
    ZARIX_ASSERT_UI_THREAD();
    Guarded("TZarixMDIContainer.AddMdiForm", [&] {
        if (AForm == nullptr) return;
        TZarixMDIContainerItem* entry = FItems->Add();
        entry->FForm = AForm;
        entry->iOrigId = OrigId;
        entry->fParentForm = PForm;
        entry->FName = AForm->Name();
        // Told when the form is destroyed, so an entry never outlives its form.
        FreeNotification(AForm);
        entry->Hook();
        AForm->SetHeight(Height);
        AForm->SetWidth(Width);
        entry->IconIdx = IconIdx;
        TTreeView* tree = FActiveWindows.Get();
        if (tree == nullptr) return;
        if (tree->Items()->Count() == 0 || PForm == nullptr) {
            AddNode(*entry, nullptr);
            return;
        }
        const THandle parent = PForm->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* candidate = FItems->Items(i);
            if (candidate->Form() != nullptr && candidate->Form()->Handle() == parent) {
                AddNode(*entry, candidate->FActiveWindowsItem());
                return;
            }
        }
    });
    return true;
}

void TZarixMDIContainer::AddPrevMDIForm(const std::string&, const std::string&, const std::string&, const std::string&) {}

void TZarixMDIContainer::DeleteEntry(TZarixMDIContainerItem* Entry) {
    ZARIX_ASSERT_UI_THREAD();
    if (TTreeNode* node = Entry->FActiveWindowsItem()) node->Delete();
    delete Entry;
}

void TZarixMDIContainer::DelMDIForm(TForm* AForm) {
    ZARIX_ASSERT_UI_THREAD();
    Guarded("TZarixMDIContainer.DelMdiForm", [&] {
        if (AForm == nullptr) return;
        const THandle handle = AForm->Handle();
        for (int i = 0; i < FItems->Count();) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->Form() != nullptr && entry->Form()->Handle() == handle) DeleteEntry(entry);
            else ++i;
        }
    });
}

void TZarixMDIContainer::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !FItems) return;
    // The dying form's weak references already read nullptr: its entries are those.
    for (int i = 0; i < FItems->Count();) {
        TZarixMDIContainerItem* entry = FItems->Items(i);
        if (entry->Form() == nullptr) DeleteEntry(entry);
        else ++i;
    }
}

void TZarixMDIContainer::PrepareToRebuild(TForm* Form) {
    Guarded("TZarixMDIContainer.PrepareToRebuild", [&] {
        const TZarixMDIContainerItem* own = LastEntryOf(Form);
        if (own == nullptr) return;
        TForm* grandParent = own->ParentForm();
        const THandle handle = Form->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            if (entry->ParentForm() != nullptr && entry->ParentForm()->Handle() == handle)
                entry->fParentForm = grandParent;
        }
    });
}

namespace {

// The steps a rebuild has gone through, for the report of a failure: "1;" once, "2;" per
// entry, "6;" per pair of entries compared, and so on. Kept as runs of equal steps, since the
// pairs alone would make the text grow with the square of the number of windows; the text is
// only spelled out when a report needs it.
class TProgressTrail {
public:
    explicit TProgressTrail(std::string Start) : FStart(std::move(Start)) {}
    void Add(char Step) {
        if (!FRuns.empty() && FRuns.back().first == Step) ++FRuns.back().second;
        else FRuns.emplace_back(Step, 1);
    }
    std::string Text() const {
        std::string text = FStart;
        for (const auto& [step, count] : FRuns)
            for (std::size_t i = 0; i < count; ++i) {
                text += step;
                text += ';';
            }
        return text;
    }

private:
    std::string FStart;
    std::vector<std::pair<char, std::size_t>> FRuns;
};

}  // namespace

void TZarixMDIContainer::RebuildTree() {
    ZARIX_ASSERT_UI_THREAD();
    TTreeView* tree = FActiveWindows.Get();
    if (tree == nullptr) return;
    TProgressTrail trail("ProcEnter;FItemsCount:" + IntToStr(FItems->Count()) + ";");
    try {
        TTreeNodes* nodes = tree->Items();
        nodes->BeginUpdate();
        struct EndUpdate {
            TTreeNodes* Nodes;
            ~EndUpdate() { Nodes->EndUpdate(); }
        } endUpdate{nodes};
        // The first node may be the host's own; it stays.
        while (nodes->Count() > 1) nodes->Item(1)->Delete();
        trail.Add('1');
        // Each window's handle once: the walk below compares every pair of entries.
        std::vector<THandle> handles(static_cast<std::size_t>(FItems->Count()), 0);
        for (int i = 0; i < FItems->Count(); ++i)
            if (TForm* form = FItems->Items(i)->Form()) handles[static_cast<std::size_t>(i)] = form->Handle();
        for (int i = 0; i < FItems->Count(); ++i) {
            TZarixMDIContainerItem* entry = FItems->Items(i);
            trail.Add('2');
            if (entry->ParentForm() == nullptr) {
                trail.Add('3');
                AddNode(*entry, nullptr);
                trail.Add('4');
                continue;
            }
            trail.Add('5');
            entry->fFActiveWindowsItem = nullptr;
            const THandle parent = entry->ParentForm()->Handle();
            for (int j = 0; j < FItems->Count(); ++j) {
                trail.Add('6');
                if (handles[static_cast<std::size_t>(j)] != parent || parent == 0) continue;
                trail.Add('7');
                AddNode(*entry, FItems->Items(j)->FActiveWindowsItem());
                trail.Add('8');
            }
        }
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(),
                              "TZarixMDIContainer.RebuildTree\r\n(" + trail.Text() + ")", Here());
    }
}

void TZarixMDIContainer::CloseAll() {
    ZARIX_ASSERT_UI_THREAD();
    Guarded("TZarixMDIContainer.CloseAll", [&] {
        TForm* frame = FMDIParent.Get();
        if (frame == nullptr) return;
        for (int i = 0; i < frame->MDIChildCount(); ++i) frame->MDIChildren(i)->Close();
    });
}

void TZarixMDIContainer::ColapseAll() {}

void TZarixMDIContainer::Tile() {
    Guarded("TZarixMDIContainer.Tile", [&] {
        if (TForm* frame = FMDIParent.Get()) frame->Tile();
    });
}

void TZarixMDIContainer::ArrangeIcons() {
    Guarded("TZarixMDIContainer.ArrangeIcons", [&] {
        if (TForm* frame = FMDIParent.Get()) frame->ArrangeIcons();
    });
}

void TZarixMDIContainer::ForEachSelectedEntry(const std::function<bool(TZarixMDIContainerItem&)>& Action) {
    TTreeView* tree = FActiveWindows.Get();
    TTreeNode* selected = tree != nullptr ? tree->Selected() : nullptr;
    if (selected == nullptr) return;
    for (int i = 0; i < FItems->Count(); ++i) {
        TZarixMDIContainerItem* entry = FItems->Items(i);
        if (entry->FActiveWindowsItem() == selected && entry->Form() != nullptr && !Action(*entry)) return;
    }
}

void TZarixMDIContainer::OnActiveWindowsContextGoto(TObject*) {
    Guarded("TZarixMDIContainer.OnActiveWindowsContextGoto", [&] {
        ForEachSelectedEntry([](TZarixMDIContainerItem& entry) {
            entry.Form()->SetWindowState(wsNormal);
            entry.Form()->BringToFront();
            entry.Form()->SetFocus();
            return true;
        });
    });
}

void TZarixMDIContainer::OnActiveWindowsContextClose(TObject*) {
    Guarded("TZarixMDIContainer.OnActiveWindowsContextClose", [&] {
        TForm* first = nullptr;
        ForEachSelectedEntry([&](TZarixMDIContainerItem& entry) {
            first = entry.Form();
            return false;
        });
        if (first != nullptr) first->Close();
    });
}

void TZarixMDIContainer::OnActiveWindowsContextMinimalize(TObject*) {
    Guarded("TZarixMDIContainer.OnActiveWindowsContextMinimalize", [&] {
        ForEachSelectedEntry([](TZarixMDIContainerItem& entry) {
            entry.Form()->SetWindowState(wsMinimized);
            return true;
        });
    });
}

void TZarixMDIContainer::OnActiveWindowsContextMaximalize(TObject*) {
    Guarded("TZarixMDIContainer.OnActiveWindowsContextMaximalize", [&] {
        ForEachSelectedEntry([](TZarixMDIContainerItem& entry) {
            entry.Form()->SetWindowState(wsMaximized);
            return true;
        });
    });
}

ZARIX_DEFINE_CLASS(TZarixMdiForm)

TZarixMdiForm::TZarixMdiForm(TComponent* AOwner) : TForm(AOwner) {}
TZarixMdiForm::~TZarixMdiForm() = default;

void TZarixMdiForm::Loaded() {
    TForm::Loaded();
    SetVisible(false);
}

void TZarixMdiForm::VisibleChanging() {}

}  // namespace zarix
