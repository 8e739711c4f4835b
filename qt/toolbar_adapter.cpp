// The toolbar adapter.
#include "qt/toolbar_adapter.h"

#include "qt/adapter_registry.h"
#include "qt/front_end.h"
#include "qt/icons.h"

#include <QAction>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QToolBar>

#include <algorithm>
#include <vector>

namespace zarix::qt {

TToolBarAdapter::TToolBarAdapter(TQtFrontEnd& FrontEnd, TToolBar* ToolBar, QMainWindow* Window)
    : TAdapter(FrontEnd, ToolBar), FBar(new QToolBar(Window)) {
    FBar->setObjectName(QStringLiteral("toolbar"));
    FBar->setMovable(false);
    Window->addToolBar(Qt::TopToolBarArea, FBar);
    ShowBar();
    Sync();
}

TToolBarAdapter::~TToolBarAdapter() {
    for (auto& [button, action] : FActions) {
        FrontEnd().Registry().UnwatchPart(const_cast<TComponent*>(button));
        if (action) {
            action->disconnect();
            action->deleteLater();
        }
    }
    if (FBar) {
        FBar->hide();
        FBar->deleteLater();
    }
}

QWidget* TToolBarAdapter::Widget() const { return FBar.data(); }

QAction* TToolBarAdapter::ActionOf(const TComponent* Button) const {
    auto it = FActions.find(Button);
    return it == FActions.end() ? nullptr : it->second.data();
}

void TToolBarAdapter::ShowBar() {
    if (!FBar) return;
    FBar->setToolButtonStyle(ToolBar()->ShowCaptions() ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    const int side = ToolBar()->Images() != nullptr ? ToolBar()->Images()->Height() : 16;
    FBar->setIconSize(QSize(side, side));
    FBar->setVisible(ToolBar()->Visible());
}

namespace {

// A short caption keeps the "_" that joins words belonging together ("Faktura_VAT"); on the
// button it is a blank that does not break. "&" stays: Qt reads the mnemonic as it does for
// any tool button.
QString ButtonText(const std::string& Caption) {
    QString text = QString::fromStdString(Caption);
    text.replace(QLatin1Char('_'), QChar::Nbsp);
    return text;
}

}  // namespace

void TToolBarAdapter::ShowButton(TToolButton* Button, QAction* Action) {
    const QSignalBlocker blocker(Action);
    Action->setText(ButtonText(Button->Caption()));
    Action->setToolTip(Button->Hint().empty() ? Action->iconText() : QString::fromStdString(Button->Hint()));
    Action->setStatusTip(QString::fromStdString(Button->Hint()));
    Action->setEnabled(Button->Enabled());
    Action->setVisible(Button->Visible());
    QIcon icon = IconOf(ToolBar()->Images(), Button->ImageIndex());
    // A button without an image still needs a face when captions are off.
    if (icon.isNull()) icon = IconOf(Button->Caption().empty() ? Button->Hint() : Button->Caption());
    Action->setIcon(icon);
}

void TToolBarAdapter::Sync() {
    if (!FBar) return;
    std::vector<std::pair<int, QAction*>> placed;
    for (int i = 0; i < ToolBar()->ButtonCount(); ++i) {
        TToolButton* button = ToolBar()->Buttons(i);
        auto [it, added] = FActions.try_emplace(button);
        if (added) {
            auto* action = new QAction(FBar);
            it->second = action;
            FrontEnd().Registry().WatchPart(button, this);
            TWeak<TToolButton> weak = button;
            QObject::connect(action, &QAction::triggered, action, [weak] {
                if (TToolButton* b = weak.Get()) TQtFrontEnd::Guarded("TToolButton.Click", [b] { b->Click(); });
            });
        }
        if (QAction* action = it->second) {
            ShowButton(button, action);
            placed.emplace_back(button->Left(), action);
        }
    }
    // Buttons stand in the order of their Left, as the platform's toolbar lays them out.
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QAction*> wanted;
    for (const auto& [left, action] : placed) wanted.push_back(action);
    if (FBar->actions() == wanted) return;
    for (QAction* action : FBar->actions()) FBar->removeAction(action);
    FBar->addActions(wanted);
}

void TToolBarAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (Sender == Model()) {
        if (What == "Buttons") Sync();
        else {
            ShowBar();
            if (What == "Images" || What == "ShowCaptions") Sync();
        }
        return;
    }
    auto* button = static_cast<TToolButton*>(Sender);
    if (QAction* action = ActionOf(button)) ShowButton(button, action);
    if (What == "Left" || What == "Parent") Sync();
}

void TToolBarAdapter::PartFreed(TComponent* Part) {
    auto it = FActions.find(Part);
    if (it == FActions.end()) return;
    if (QAction* action = it->second) {
        action->disconnect();
        if (FBar) FBar->removeAction(action);
        action->deleteLater();
    }
    FActions.erase(it);
}

}  // namespace zarix::qt
