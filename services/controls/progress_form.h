// The progress window: one line of text over a progress bar, shown while long work runs.
#pragma once

#include "platform/rtl/export.h"
#include "platform/ui/forms.h"

#include <string>

namespace zarix {

/// The bar of a progress window.
struct TProgressBar {
    int Max = 100;
    int Position = 0;
    int Step = 10;
};

class ZARIX_API TProgressFrm : public TForm {
    ZARIX_CLASS(TProgressFrm, TForm)
    explicit TProgressFrm(TComponent* AOwner);
    ~TProgressFrm() override;

    /// The line of text above the bar.
    const std::string& TextLine() const noexcept { return FTextLine; }
    void SetTextLine(const std::string& Value);
    const TProgressBar& Bar() const noexcept { return FBar; }
    void SetMax(int Value);
    void SetPosition(int Value);
    void SetStep(int Value);
    /// Advances the bar by one step, stopping at its maximum.
    void StepIt();
    /// Places the window in the middle of the screen.
    void CenterOnScreen();
    bool Centered() const noexcept { return FCentered; }

private:
    std::string FTextLine;
    TProgressBar FBar;
    bool FCentered = false;
};

}  // namespace zarix
