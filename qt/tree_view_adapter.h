// A tree view as a QTreeWidget in a dock of the main window, its pop-up menu as a QMenu.
#pragma once

#include "platform/ui/tree_view.h"
#include "qt/adapter.h"

#include <QDockWidget>
#include <QPointer>
#include <QTreeWidget>
#include <QWidget>

#include <string>
#include <unordered_map>

class QDockWidget;
class QMainWindow;
class QTreeWidget;
class QTreeWidgetItem;

namespace zarix::qt {

class TTreeViewAdapter : public TAdapter {
public:
    TTreeViewAdapter(TQtFrontEnd& FrontEnd, TTreeView* Tree, QMainWindow* Window, const std::string& Title);
    ~TTreeViewAdapter() override;

    TTreeView* Tree() const noexcept { return static_cast<TTreeView*>(Model()); }
    QWidget* Widget() const override;
    void Changed(TComponent* Sender, std::string_view What) override;

    /// The node an item shows; nullptr when the node is gone.
    TTreeNode* NodeOf(QTreeWidgetItem* Item) const;
    QTreeWidgetItem* ItemOf(const TTreeNode* Node) const;

private:
    void Rebuild();
    void AddNode(TTreeNode* Node, QTreeWidgetItem* Parent);
    void ShowNode(const TTreeNode* Node, QTreeWidgetItem* Item) const;
    void ShowSelection();
    void SetPopupMenu();

    QPointer<QDockWidget> FDock;
    QPointer<QTreeWidget> FWidget;
    TWeak<TComponent> FPopup;
    std::unordered_map<const TTreeNode*, QTreeWidgetItem*> FItems;
    std::unordered_map<const QTreeWidgetItem*, TWeak<TTreeNode>> FNodes;
};

}  // namespace zarix::qt
