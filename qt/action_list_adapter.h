// An action list as QActions of the main window, so their shortcuts work anywhere in it.
#pragma once

#include "platform/ui/actions.h"
#include "qt/adapter.h"

#include <QPointer>
#include <QWidget>

#include <unordered_map>

namespace zarix::qt {

class TActionListAdapter : public TAdapter {
public:
    TActionListAdapter(TQtFrontEnd& FrontEnd, TActionList* List, QWidget* Window);
    ~TActionListAdapter() override;

    TActionList* List() const noexcept { return static_cast<TActionList*>(Model()); }
    QWidget* Widget() const override { return FWindow.data(); }
    QAction* ActionOf(const TComponent* Action) const override;
    void Changed(TComponent* Sender, std::string_view What) override;
    void PartFreed(TComponent* Part) override;

private:
    void Sync();
    void Drop(QAction* Action);

    QPointer<QWidget> FWindow;
    std::unordered_map<const TComponent*, QPointer<QAction>> FActions;
};

}  // namespace zarix::qt
