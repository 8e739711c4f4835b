// TZarixMDIContainer: the registry of the application's open MDI windows, mirrored in the
// active-windows tree; lookup, placement, the closing protocol and the result hand-over.
#pragma once

#include "platform/rtl/collection.h"
#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/application.h"
#include "platform/ui/forms.h"
#include "platform/ui/image_list.h"
#include "platform/ui/tree_view.h"
#include "sync/sync.h"

#include <memory>
#include <string>

namespace zarix {

class TZarixMDIContainer;
class TZarixMDIContainerItems;

/// One registered window: its form, label, parent window, record, placement and tree node.
class ZARIX_API TZarixMDIContainerItem : public TCollectionItem {
    ZARIX_CLASS(TZarixMDIContainerItem, TCollectionItem)
    explicit TZarixMDIContainerItem(TCollection* Collection);
    ~TZarixMDIContainerItem() override;
    /// Copies another entry's window, label, parent window, record, placement, icon and node;
    /// the form's show and close handlers are hooked by the container that takes the copy.
    void Assign(const TPersistent* Source) override;

    /// The registered window; nullptr once it is destroyed.
    TForm* Form() const noexcept { return FForm.Get(); }
    void SetForm(TForm* Value) { FForm = Value; }
    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    /// The window that opened it; nullptr for a top-level window (or once that window is gone).
    TForm* ParentForm() const noexcept { return fParentForm.Get(); }
    void SetParentForm(TForm* Value) { fParentForm = Value; }
    int32_t OrigId() const noexcept { return iOrigId; }
    void SetOrigId(int32_t Value) { iOrigId = Value; }
    TFormAlign FormAlign() const noexcept { return fAlign; }
    void SetFormAlign(TFormAlign Value) { fAlign = Value; }
    /// The window's node in the attached tree; nullptr when it has none (or it was deleted).
    TTreeNode* FActiveWindowsItem() const noexcept { return fFActiveWindowsItem.Get(); }
    void SetFActiveWindowsItem(TTreeNode* Value) { fFActiveWindowsItem = Value; }

    /// The form's show handler while registered: runs the handler the form had before.
    void OnMDIChildFormCreate(TObject* Sender);
    /// The form's close handler while registered: the closing bookkeeping (see the container).
    void OnMDIChildFormClose(TObject* Sender, TCloseAction& Action);

    int32_t IconIdx = 0;

private:
    friend class TZarixMDIContainer;
    // What the form's hooks reach. The hooks hold it, not the entry: once the entry is gone
    // they find it empty and only run the handlers the form had before registration.
    struct THooks {
        TZarixMDIContainerItem* Entry = nullptr;
        TNotifyEvent OrginalOnShow;
        TCloseEvent OrginalOnClose;
    };
    void Hook();

    TWeak<TForm> FForm;
    std::string FName;
    TWeak<TForm> fParentForm;
    int32_t iOrigId = 0;
    TFormAlign fAlign = alNotAligned;
    TWeak<TTreeNode> fFActiveWindowsItem;
    std::shared_ptr<THooks> FHooks;
};

class ZARIX_API TZarixMDIContainerItems : public TTypedCollection<TZarixMDIContainerItem> {
    ZARIX_CLASS(TZarixMDIContainerItems, TCollection)
    explicit TZarixMDIContainerItems(TZarixMDIContainer* AMDIContainer);
    ~TZarixMDIContainerItems() override;
    TZarixMDIContainer* MDIContainer() const noexcept { return FMDIContainer; }

protected:
    TPersistent* GetOwner() const override;

private:
    TZarixMDIContainer* FMDIContainer;
};

/// The registry of open MDI windows. Every operation reports its failures through
/// ZarixExceptionHandler and returns normally; none raises to its caller. It belongs to the UI
/// thread (see TApplication); debug builds stop at a call of its registry, lookup and
/// closing methods from another thread.
class ZARIX_API TZarixMDIContainer : public TComponent {
    ZARIX_CLASS(TZarixMDIContainer, TComponent)
    explicit TZarixMDIContainer(TComponent* AOwner);
    ~TZarixMDIContainer() override;

    TZarixMDIContainerItems* Items() const;
    /// Copies Value's entries into the container's own collection, whose entries then answer
    /// their forms' show and close as registered entries do.
    void SetItems(const TZarixMDIContainerItems* Value);

    TForm* getMDIParent() const;
    void SetMDIParent(TForm* Value);
    TTreeView* ActiveWindows() const noexcept { return FActiveWindows.Get(); }
    /// The image list the plugin-side registration takes new windows' icons from.
    TWeak<TImageList> IconList;

    // Registry and tree.

    /// Attaches the tree: a click goes to a node's window; its pop-up menu offers "Idź do...",
    /// "Zamknij", "Minimalizacja" and "Maksymalizacja".
    void SetActiveWindows(TTreeView* Nodes);
    /// Registers a window opened by PForm (nullptr for none) for record OrigId, hooks its show and
    /// close handlers, sizes it and gives it a node. FormAlign is not used here. Always true.
    bool AddMDIForm(TForm* AForm, int32_t Height, int32_t Width, TForm* PForm, int32_t OrigId,
                    TFormAlign FormAlign, int32_t IconIdx);
    /// Accepted and ignored.
    void AddPrevMDIForm(const std::string& PluginName, const std::string& MethodName, const std::string& NodeName,
                        const std::string& Params);
    /// Removes every entry of the form and their nodes.
    void DelMDIForm(TForm* AForm);
    /// Hands the children of Form to Form's own parent.
    void PrepareToRebuild(TForm* Form);
    /// Rebuilds the tree from the registry, keeping the tree's first node.
    void RebuildTree();
    void CloseAll();
    void ColapseAll();
    void Tile();
    void ArrangeIcons();
    void OnActiveWindowsContextGoto(TObject* Sender);
    void OnActiveWindowsContextClose(TObject* Sender);
    void OnActiveWindowsContextMinimalize(TObject* Sender);
    void OnActiveWindowsContextMaximalize(TObject* Sender);

    // Lookup, placement and closing.

    /// A window of class ChildClassName for record ChildOrigId: the nearest such ancestor of
    /// SourceForm (askTop), the first such descendant (askBottom, any record when ChildOrigId
    /// is negative), or the last such window of all (askAll, or without SourceForm).
    TForm* IsMDIForm(TForm* SourceForm, const std::string& ChildClassName, int32_t ChildOrigId, TAskMode AskMode);
    /// The deepest window below SourceForm along the first child at each level whose class is
    /// not listed (";TName;" in excludeClassNames, any letter case).
    TForm* GetMDIBottomChild(TForm* SourceForm, const std::string& excludeClassNames);
    /// The last child of SourceForm of another class than ExceptChildForm's.
    TForm* GetMDILastChild(TForm* SourceForm, TForm* ExceptChildForm);
    int32_t GetMDIOrigid(TForm* Form);
    void ChangeName(TForm* Form, const std::string& Name);
    void ChangeOrigId(TForm* Form, int32_t OrigId);
    /// Places a window relative to its parent: cascaded (20, 30) below it, or at its right top.
    void GetPosition(TForm* ActualForm, TFormAlign FormAlign);
    void RestoreMDI(TForm* Form);
    /// MDIRefresh on every other window, then the modified-objects registry is emptied.
    int32_t RefreshMDI(TForm* CallingForm);
    /// Asks the children of Form, depth first, whether Form may close; the first refusal wins.
    bool CanCloseMDI(TForm* Form, const std::string& Name, int32_t OrigId, std::string& Msg, bool RestoreParent);
    /// Tells every child of Parent that Parent is closing; children may close meanwhile.
    void OnCloseInfoToChildren(TForm* Parent, int32_t OrigId);

    // Result hand-over.

    /// Tells the parent of SourceForm to take its results, then empties the results registry.
    void SendMDIResult(TForm* SourceForm);
    /// Tells DestForm to take the results waiting for it, then empties the results registry.
    void SendResultToForm(TForm* DestForm);

protected:
    /// A registered form destroyed without closing takes its entries with it.
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TZarixMDIContainerItem;
    TZarixMDIContainer(TComponent* AOwner, const TNameSpaceWriteGuard& lock);
    bool TreeHasNodes() const;
    TTreeNode* AddNode(TZarixMDIContainerItem& Entry, TTreeNode* ParentNode);
    void DeleteEntry(TZarixMDIContainerItem* Entry);
    TZarixMDIContainerItem* FirstEntryOf(TForm* Form) const;
    TZarixMDIContainerItem* LastEntryOf(TForm* Form) const;
    void ForEachSelectedEntry(const std::function<bool(TZarixMDIContainerItem&)>& Action);
    void Close(TZarixMDIContainerItem& Entry, TObject* Sender, TCloseAction& Action);

    std::unique_ptr<TZarixMDIContainerItems> FItems;
    TWeak<TTreeView> FActiveWindows;
    TWeak<TForm> FMDIParent;
};

/// The most recently constructed container, nullptr once it is destroyed.
ZARIX_API TZarixMDIContainer* CurrentMDIContainer();

/// Base of the application's MDI child forms: hidden once loaded, and hiding is never refused.
class ZARIX_API TZarixMdiForm : public TForm {
    ZARIX_CLASS(TZarixMdiForm, TForm)
    explicit TZarixMdiForm(TComponent* AOwner);
    ~TZarixMdiForm() override;

protected:
    void Loaded() override;
    void VisibleChanging() override;
};

}  // namespace zarix
