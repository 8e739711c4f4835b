// The progress window.
#include "services/controls/progress_form.h"

#include "platform/ui/ui_change.h"

#include <algorithm>

namespace zarix {

ZARIX_DEFINE_CLASS(TProgressFrm, ZARIX_PROPERTY(TextLine, TextLine, SetTextLine))

TProgressFrm::TProgressFrm(TComponent* AOwner) : TForm(AOwner) { SetBounds(0, 0, 400, 80); }
TProgressFrm::~TProgressFrm() = default;

void TProgressFrm::SetTextLine(const std::string& Value) {
    FTextLine = Value;
    NotifyUIChange(this, "TextLine");
}

void TProgressFrm::SetMax(int Value) {
    FBar.Max = Value;
    NotifyUIChange(this, "Max");
}

void TProgressFrm::SetPosition(int Value) {
    FBar.Position = Value;
    NotifyUIChange(this, "Position");
}

void TProgressFrm::SetStep(int Value) {
    FBar.Step = Value;
    NotifyUIChange(this, "Step");
}

void TProgressFrm::StepIt() {
    FBar.Position = std::min(FBar.Position + FBar.Step, FBar.Max);
    NotifyUIChange(this, "Position");
}

void TProgressFrm::CenterOnScreen() {
    // A headless screen of the usual size; a front-end centres the real window itself.
    constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
    SetLeft((kScreenWidth - Width()) / 2);
    SetTop((kScreenHeight - Height()) / 2);
    FCentered = true;
}

}  // namespace zarix
