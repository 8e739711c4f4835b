// The action list adapter.
#include "qt/action_list_adapter.h"

#include "qt/adapter_registry.h"
#include "qt/front_end.h"
#include "qt/shortcut_keys.h"

#include <QAction>
#include <QWidget>
#include <QSignalBlocker>

namespace zarix::qt {

TActionListAdapter::TActionListAdapter(TQtFrontEnd& FrontEnd, TActionList* List, QWidget* Window)
    : TAdapter(FrontEnd, List), FWindow(Window) {
    Sync();
}

TActionListAdapter::~TActionListAdapter() {
    for (auto& [action, qaction] : FActions) {
        FrontEnd().Registry().UnwatchPart(const_cast<TComponent*>(action));
        Drop(qaction);
    }
}

void TActionListAdapter::Drop(QAction* Action) {
    if (Action == nullptr) return;
    Action->disconnect();
    if (FWindow) FWindow->removeAction(Action);
    Action->deleteLater();
}

QAction* TActionListAdapter::ActionOf(const TComponent* Action) const {
    auto it = FActions.find(Action);
    return it == FActions.end() ? nullptr : it->second.data();
}

void TActionListAdapter::Sync() {
    if (!FWindow) return;
    for (int i = 0; i < List()->ActionCount(); ++i) {
        TAction* action = List()->Actions(i);
        auto [it, added] = FActions.try_emplace(action);
        if (added) {
            auto* qaction = new QAction(FWindow);
            // Anywhere in the main window, MDI children included.
            qaction->setShortcutContext(Qt::WindowShortcut);
            it->second = qaction;
            FWindow->addAction(qaction);
            FrontEnd().Registry().WatchPart(action, this);
            TWeak<TAction> weak = action;
            QObject::connect(qaction, &QAction::triggered, qaction, [weak] {
                if (TAction* a = weak.Get()) TQtFrontEnd::Guarded("TAction.Execute", [a] { a->Execute(); });
            });
        }
        if (QAction* qaction = it->second) {
            const QSignalBlocker blocker(qaction);
            qaction->setShortcut(KeySequenceOf(action->ShortCut()));
            qaction->setEnabled(action->Enabled());
        }
    }
    // Actions that left the list but live on lose their shortcut here.
    for (auto it = FActions.begin(); it != FActions.end();) {
        auto* action = const_cast<TAction*>(static_cast<const TAction*>(it->first));
        if (action->ActionList() == List()) {
            ++it;
            continue;
        }
        FrontEnd().Registry().UnwatchPart(action);
        Drop(it->second);
        it = FActions.erase(it);
    }
}

void TActionListAdapter::Changed(TComponent*, std::string_view) { Sync(); }

void TActionListAdapter::PartFreed(TComponent* Part) {
    auto it = FActions.find(Part);
    if (it == FActions.end()) return;
    Drop(it->second);
    FActions.erase(it);
}

}  // namespace zarix::qt
