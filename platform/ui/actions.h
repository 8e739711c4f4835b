// Action lists and actions: commands with keyboard shortcuts.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"
#include "platform/ui/shortcuts.h"

#include <vector>

namespace zarix {

class TActionList;

class ZARIX_API TAction : public TComponent {
    ZARIX_CLASS(TAction, TComponent)
    explicit TAction(TComponent* AOwner);
    ~TAction() override;

    TActionList* ActionList() const noexcept { return FActionList; }
    /// Joins a list (appended to its actions) or leaves it, with nullptr.
    void SetActionList(TActionList* Value);
    TShortCut ShortCut() const noexcept { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value);
    const TNotifyEvent& OnExecute() const noexcept { return FOnExecute; }
    void SetOnExecute(TNotifyEvent Value) { FOnExecute = std::move(Value); }
    /// Runs the execute handler with the action as sender; false when there was none to run.
    bool Execute();

private:
    friend class TActionList;
    TActionList* FActionList = nullptr;
    TShortCut FShortCut = 0;
    bool FEnabled = true;
    TNotifyEvent FOnExecute;
};

class ZARIX_API TActionList : public TComponent {
    ZARIX_CLASS(TActionList, TComponent)
    explicit TActionList(TComponent* AOwner);
    ~TActionList() override;

    int ActionCount() const noexcept { return static_cast<int>(FActions.size()); }
    /// Action Index; raises EListError when out of range.
    TAction* Actions(int Index) const;
    /// Executes the first enabled action with this shortcut, as a key press would; false when
    /// none has it.
    bool IsShortCut(TShortCut ShortCut);

private:
    friend class TAction;
    std::vector<TAction*> FActions;
};

}  // namespace zarix
