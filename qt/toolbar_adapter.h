// A toolbar as a QToolBar of the main window, each button a QAction.
#pragma once

#include "platform/ui/toolbar.h"
#include "qt/adapter.h"

#include <QPointer>
#include <QToolBar>
#include <QWidget>

#include <unordered_map>

class QMainWindow;
class QToolBar;

namespace zarix::qt {

class TToolBarAdapter : public TAdapter {
public:
    TToolBarAdapter(TQtFrontEnd& FrontEnd, TToolBar* ToolBar, QMainWindow* Window);
    ~TToolBarAdapter() override;

    TToolBar* ToolBar() const noexcept { return static_cast<TToolBar*>(Model()); }
    QWidget* Widget() const override;
    QAction* ActionOf(const TComponent* Button) const override;
    void Changed(TComponent* Sender, std::string_view What) override;
    void PartFreed(TComponent* Part) override;

private:
    void Sync();
    void ShowBar();
    void ShowButton(TToolButton* Button, QAction* Action);

    QPointer<QToolBar> FBar;
    std::unordered_map<const TComponent*, QPointer<QAction>> FActions;
};

}  // namespace zarix::qt
