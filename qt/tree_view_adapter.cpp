// The tree view adapter.
#include "qt/tree_view_adapter.h"

#include "qt/adapter_registry.h"
#include "qt/front_end.h"
#include "qt/icons.h"
#include "qt/menu_adapter.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace zarix::qt {

TTreeViewAdapter::TTreeViewAdapter(TQtFrontEnd& FrontEnd, TTreeView* Tree, QMainWindow* Window, const std::string& Title)
    : TAdapter(FrontEnd, Tree) {
    FDock = new QDockWidget(QString::fromStdString(Title), Window);
    FDock->setObjectName(QStringLiteral("activeWindows"));
    FDock->setFeatures(QDockWidget::DockWidgetMovable);
    FWidget = new QTreeWidget(FDock);
    FWidget->setHeaderHidden(true);
    FWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    FDock->setWidget(FWidget);
    Window->addDockWidget(Qt::LeftDockWidgetArea, FDock);
    const TWeak<TTreeView> tree = Tree;
    // A person's clicks go to the tree's own handlers: a click selects, a double click also
    // runs OnClick (the container goes to the window), a right click pops the menu up.
    QObject::connect(FWidget, &QTreeWidget::itemClicked, FWidget, [this, tree](QTreeWidgetItem* item) {
        TTreeNode* node = NodeOf(item);
        if (tree && node != nullptr) TQtFrontEnd::Guarded("TTreeView.Select", [&] { tree->SetSelected(node); });
    });
    QObject::connect(FWidget, &QTreeWidget::itemDoubleClicked, FWidget, [this, tree](QTreeWidgetItem* item) {
        TTreeNode* node = NodeOf(item);
        if (tree && node != nullptr) TQtFrontEnd::Guarded("TTreeView.Click", [&] { tree->ClickNode(node); });
    });
    QObject::connect(FWidget, &QTreeWidget::customContextMenuRequested, FWidget, [this, tree](const QPoint& at) {
        TTreeNode* node = NodeOf(FWidget->itemAt(at));
        if (auto* popup = dynamic_cast<TMenuAdapter*>(this->FrontEnd().Registry().AdapterOf(FPopup.Get())))
            popup->SetPopupPoint(FWidget->viewport()->mapToGlobal(at));
        if (tree && node != nullptr)
            TQtFrontEnd::Guarded("TTreeView.RightClick", [&] { tree->RightClickNode(node, at.x(), at.y()); });
    });
    SetPopupMenu();
    Rebuild();
}

TTreeViewAdapter::~TTreeViewAdapter() {
    if (FPopup) FrontEnd().Registry().Remove(FPopup.Get());
    if (FWidget) FWidget->disconnect();
    if (FDock) {
        FDock->hide();
        FDock->deleteLater();
    }
}

QWidget* TTreeViewAdapter::Widget() const { return FWidget.data(); }

TTreeNode* TTreeViewAdapter::NodeOf(QTreeWidgetItem* Item) const {
    auto it = FNodes.find(Item);
    return it == FNodes.end() ? nullptr : it->second.Get();
}

QTreeWidgetItem* TTreeViewAdapter::ItemOf(const TTreeNode* Node) const {
    auto it = FItems.find(Node);
    return it == FItems.end() ? nullptr : it->second;
}

void TTreeViewAdapter::SetPopupMenu() {
    if (FPopup) FrontEnd().Registry().Remove(FPopup.Get());
    FPopup = Tree()->PopupMenu();
    if (TPopupMenu* popup = Tree()->PopupMenu()) {
        auto* menu = new QMenu(FWidget);
        FrontEnd().Registry().Add(std::make_unique<TMenuAdapter>(FrontEnd(), popup, menu));
    }
}

void TTreeViewAdapter::ShowNode(const TTreeNode* Node, QTreeWidgetItem* Item) const {
    Item->setText(0, QString::fromStdString(Node->Text()));
    Item->setIcon(0, IconOf(Tree()->Images(), Node->ImageIndex()));
}

void TTreeViewAdapter::AddNode(TTreeNode* Node, QTreeWidgetItem* Parent) {
    auto* item = Parent != nullptr ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(FWidget);
    ShowNode(Node, item);
    FItems[Node] = item;
    FNodes[item] = Node;
    for (int i = 0; i < Node->Count(); ++i) AddNode(Node->Item(i), item);
    // The windows tree is small and its structure is the point: show every level.
    item->setExpanded(true);
}

void TTreeViewAdapter::Rebuild() {
    if (!FWidget) return;
    const QSignalBlocker blocker(FWidget);
    FWidget->clear();
    FItems.clear();
    FNodes.clear();
    // The tree clears its nodes while it is being destroyed, before its free notification.
    TTreeNodes* nodes = Tree()->Items();
    if (nodes == nullptr) return;
    for (int i = 0; i < nodes->RootCount(); ++i) AddNode(nodes->Root(i), nullptr);
    ShowSelection();
}

void TTreeViewAdapter::ShowSelection() {
    if (!FWidget || Tree()->Items() == nullptr) return;
    const QSignalBlocker blocker(FWidget);
    FWidget->setCurrentItem(ItemOf(Tree()->Selected()));
}

void TTreeViewAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (!FWidget) return;
    if (Sender == Model()) {
        if (What == "Selected") ShowSelection();
        else if (What == "PopupMenu") SetPopupMenu();
        else Rebuild();
        return;
    }
    auto* node = static_cast<TTreeNode*>(Sender);
    if (QTreeWidgetItem* item = ItemOf(node)) {
        const QSignalBlocker blocker(FWidget);
        ShowNode(node, item);
    } else {
        Rebuild();
    }
}

}  // namespace zarix::qt
