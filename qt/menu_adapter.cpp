// The menu adapter.
#include "qt/menu_adapter.h"

#include "qt/adapter_registry.h"
#include "qt/front_end.h"
#include "qt/icons.h"
#include "qt/shortcut_keys.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>

#include <algorithm>

namespace zarix::qt {

TMenuAdapter::TMenuAdapter(TQtFrontEnd& FrontEnd, TMenu* Menu, QWidget* Container)
    : TAdapter(FrontEnd, Menu), FContainer(Container), FOwner(std::make_unique<QObject>()) {
    if (TMenuItem* root = Menu->Items()) {
        FrontEnd.Registry().WatchPart(root, this);
        Sync(root, true);
    }
}

TMenuAdapter::~TMenuAdapter() {
    for (auto& [item, entry] : FEntries) Drop(entry);
    FEntries.clear();
}

void TMenuAdapter::Drop(TEntry& Entry) {
    if (QAction* action = Entry.Action) {
        action->disconnect();
        // Out of every widget now; the object itself may be the one whose trigger runs.
        for (QObject* widget : action->associatedObjects())
            if (auto* w = qobject_cast<QWidget*>(widget)) w->removeAction(action);
        // Out of the owner as well: deleting an object with a deleteLater still pending makes Qt
        // search every posted event, so the owner tearing down a whole menu this way would
        // search them once per action.
        action->setParent(nullptr);
        action->deleteLater();
    }
    if (QMenu* menu = Entry.SubMenu) menu->deleteLater();
    Entry = {};
}

QAction* TMenuAdapter::ActionOf(const TComponent* Item) const {
    auto it = FEntries.find(Item);
    return it == FEntries.end() ? nullptr : it->second.Action.data();
}

QWidget* TMenuAdapter::ContainerOf(TMenuItem* Item) {
    if (Item == Menu()->Items()) return FContainer;
    TEntry& entry = Entry(Item);
    if (!entry.SubMenu) {
        entry.SubMenu = new QMenu;
        entry.SubMenu->setParent(FContainer, Qt::Popup);
        entry.SubMenu->setTitle(QString::fromStdString(Item->Caption()));
    }
    // Setting the same menu again costs Qt a disconnect and a connect by name.
    if (entry.Action && entry.Action->menu() != entry.SubMenu) entry.Action->setMenu(entry.SubMenu);
    return entry.SubMenu;
}

TMenuAdapter::TEntry& TMenuAdapter::Entry(TMenuItem* Item) {
    auto [it, added] = FEntries.try_emplace(Item);
    if (added && Item != Menu()->Items()) {
        auto* action = new QAction(FOwner.get());
        it->second.Action = action;
        FrontEnd().Registry().WatchPart(Item, this);
        // Held weakly: the item may go while its action is still queued for a click.
        TWeak<TMenuItem> weak = Item;
        QObject::connect(action, &QAction::triggered, action, [weak, action](bool checked) {
            if (weak.Get() == nullptr) return;
            // Qt turned the check mark of a checkable action already; the item learns it
            // before its handler runs, which then sees the state the person chose.
            TQtFrontEnd::Guarded("TMenuItem.Click", [&] {
                if (action->isCheckable()) weak.Get()->SetChecked(checked);
                if (TMenuItem* item = weak.Get()) item->Click();
            });
        });
        ShowItem(Item, it->second, true);
    }
    return it->second;
}

void TMenuAdapter::ShowItem(TMenuItem* Item, TEntry& Entry, bool Fresh) {
    QAction* action = Entry.Action;
    if (action == nullptr) return;
    const QSignalBlocker blocker(action);
    // A new action has Qt's defaults already: a menu of a thousand items is built faster
    // setting only what differs from them.
    const TImageList* images = Menu()->Images();
    // "-" is a separator line, as the platform's menus draw it.
    if (!Fresh || Item->Caption() == "-") action->setSeparator(Item->Caption() == "-");
    action->setText(QString::fromStdString(Item->Caption()));
    if (!Fresh || !Item->Hint().empty()) action->setStatusTip(QString::fromStdString(Item->Hint()));
    if (!Fresh || !Item->Enabled()) action->setEnabled(Item->Enabled());
    if (!Fresh || !Item->Visible()) action->setVisible(Item->Visible());
    // Once checked, an item stays checkable, so a person can turn it back on after turning it off.
    if (Item->Checked()) action->setCheckable(true);
    if (!Fresh || Item->Checked()) action->setChecked(Item->Checked());
    if (!Fresh || Item->ShortCut() != 0) action->setShortcut(KeySequenceOf(Item->ShortCut()));
    if (!Fresh || (images != nullptr && Item->ImageIndex() >= 0)) action->setIcon(IconOf(images, Item->ImageIndex()));
    if (Entry.SubMenu) Entry.SubMenu->setTitle(action->text());
}

bool TMenuAdapter::AppendLast(TMenuItem* Item, QWidget* Container) {
    // The change a menu being built makes a thousand times: one new item after those shown.
    const int count = Item->Count();
    if (count == 0) return false;
    TMenuItem* last = Item->Items(count - 1);
    const QList<QAction*> shown = Container->actions();
    if (FEntries.contains(last) || shown.size() != count - 1) return false;
    if (count > 1 && (shown.back() != ActionOf(Item->Items(count - 2)) || shown.back() == nullptr)) return false;
    TEntry& entry = Entry(last);
    if (last->Count() > 0) Sync(last, false);
    if (entry.Action) Container->addAction(entry.Action);
    return true;
}

void TMenuAdapter::Sync(TMenuItem* Item, bool Deep) {
    QWidget* container = ContainerOf(Item);
    if (container == nullptr) return;
    if (!Deep && AppendLast(Item, container)) return;
    QList<QAction*> wanted;
    wanted.reserve(Item->Count());
    for (int i = 0; i < Item->Count(); ++i) {
        TMenuItem* child = Item->Items(i);
        const bool known = FEntries.contains(child);
        TEntry& entry = Entry(child);
        // A submenu already shown reports its own changes; only one that came in with its
        // children (or the first showing of all) needs laying out from here.
        if ((child->Count() > 0 || entry.SubMenu) && (Deep || !known || !entry.SubMenu)) Sync(child, Deep);
        if (entry.Action) wanted.push_back(entry.Action);
    }
    // The same actions, in the model's order: nothing is rebuilt that did not change.
    const QList<QAction*> shown = container->actions();
    if (shown == wanted) return;
    // A menu being built grows at its end: only the new actions go in.
    if (shown.size() < wanted.size() && std::equal(shown.begin(), shown.end(), wanted.begin())) {
        container->addActions(wanted.mid(shown.size()));
        return;
    }
    for (QAction* action : shown) container->removeAction(action);
    container->addActions(wanted);
}

void TMenuAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (Sender == Model()) {
        if (What == "Images")
            for (auto& [item, entry] : FEntries)
                if (item != Menu()->Items()) ShowItem(const_cast<TMenuItem*>(static_cast<const TMenuItem*>(item)), entry);
        if (What == "Popup")
            if (auto* menu = qobject_cast<QMenu*>(FContainer.data())) {
                menu->popup(FPopupPoint.value_or(QCursor::pos()));
                FPopupPoint.reset();
            }
        return;
    }
    auto* item = static_cast<TMenuItem*>(Sender);
    if (What == "Items") {
        Sync(item, false);
        return;
    }
    auto it = FEntries.find(item);
    if (it != FEntries.end()) ShowItem(item, it->second);
}

void TMenuAdapter::PartFreed(TComponent* Part) {
    auto it = FEntries.find(Part);
    if (it == FEntries.end()) return;
    Drop(it->second);
    FEntries.erase(it);
}

}  // namespace zarix::qt
