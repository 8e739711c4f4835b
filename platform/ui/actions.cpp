// Actions and action lists.
#include "platform/ui/actions.h"

#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"

#include <algorithm>

namespace zarix {

ZARIX_DEFINE_CLASS(TAction)

TAction::TAction(TComponent* AOwner) : TComponent(AOwner) {}

TAction::~TAction() { SetActionList(nullptr); }

void TAction::SetActionList(TActionList* Value) {
    if (Value == FActionList) return;
    if (FActionList != nullptr) {
        EraseFromEnd(FActionList->FActions, static_cast<const TAction*>(this));
        NotifyUIChange(FActionList, "Actions");
    }
    FActionList = Value;
    if (FActionList != nullptr) {
        FActionList->FActions.push_back(this);
        NotifyUIChange(FActionList, "Actions");
    }
}

void TAction::SetShortCut(TShortCut Value) { ChangeProperty(this, FShortCut, Value, "ShortCut"); }

void TAction::SetEnabled(bool Value) { ChangeProperty(this, FEnabled, Value, "Enabled"); }

bool TAction::Execute() {
    if (!FEnabled || !FOnExecute) return false;
    TNotifyEvent handler = FOnExecute;
    handler(this);
    return true;
}

ZARIX_DEFINE_CLASS(TActionList)

TActionList::TActionList(TComponent* AOwner) : TComponent(AOwner) {}

TActionList::~TActionList() {
    for (TAction* action : FActions) action->FActionList = nullptr;
    FActions.clear();
}

TAction* TActionList::Actions(int Index) const {
    if (Index < 0 || Index >= ActionCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FActions[static_cast<std::size_t>(Index)];
}

bool TActionList::IsShortCut(TShortCut ShortCut) {
    if (ShortCut == 0) return false;
    for (TAction* action : FActions)
        if (action->FShortCut == ShortCut && action->FEnabled) return action->Execute();
    return false;
}

}  // namespace zarix
