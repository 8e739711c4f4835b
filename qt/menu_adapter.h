// A menu as the actions of a QMenuBar (the main menu) or a QMenu (a pop-up menu), each item a
// QAction with its submenu; rebuilt in place when items come, go or move.
#pragma once

#include "platform/ui/menus.h"
#include "qt/adapter.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <unordered_map>

class QMenu;

namespace zarix::qt {

class TMenuAdapter : public TAdapter {
public:
    /// Container is the menu bar of a main menu or the QMenu of a pop-up menu.
    TMenuAdapter(TQtFrontEnd& FrontEnd, TMenu* Menu, QWidget* Container);
    ~TMenuAdapter() override;

    TMenu* Menu() const noexcept { return static_cast<TMenu*>(Model()); }
    QWidget* Widget() const override { return FContainer.data(); }
    QAction* ActionOf(const TComponent* Item) const override;
    void Changed(TComponent* Sender, std::string_view What) override;
    void PartFreed(TComponent* Part) override;
    /// Where the next Popup of a pop-up menu opens, in screen coordinates (else at the cursor):
    /// the widget that was clicked knows the place better than the model's client coordinates.
    void SetPopupPoint(const QPoint& At) { FPopupPoint = At; }

private:
    struct TEntry {
        QPointer<QAction> Action;
        QPointer<QMenu> SubMenu;
    };
    /// Lays Item's children out in the widget showing them, creating what is missing; Deep
    /// also lays out the submenus already shown.
    void Sync(TMenuItem* Item, bool Deep);
    /// Shows Item's last child when it is the one new child after those shown; false otherwise.
    bool AppendLast(TMenuItem* Item, QWidget* Container);
    TEntry& Entry(TMenuItem* Item);
    /// Fresh: the action is new and still has Qt's defaults.
    void ShowItem(TMenuItem* Item, TEntry& Entry, bool Fresh = false);
    QWidget* ContainerOf(TMenuItem* Item);
    void Drop(TEntry& Entry);

    QPointer<QWidget> FContainer;
    std::optional<QPoint> FPopupPoint;
    std::unique_ptr<QObject> FOwner;  // parent of the actions and submenus made here
    std::unordered_map<const TComponent*, TEntry> FEntries;
};

}  // namespace zarix::qt
