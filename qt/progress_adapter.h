// The progress window as a modal QProgressDialog.
#pragma once

#include "qt/adapter.h"
#include "services/controls/progress_form.h"

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

class QProgressDialog;

namespace zarix::qt {

class TProgressAdapter : public TAdapter {
public:
    TProgressAdapter(TQtFrontEnd& FrontEnd, TProgressFrm* Form);
    ~TProgressAdapter() override;

    TProgressFrm* Form() const noexcept { return static_cast<TProgressFrm*>(Model()); }
    QWidget* Widget() const override;
    void Changed(TComponent* Sender, std::string_view What) override;

private:
    void Show();

    QPointer<QProgressDialog> FDialog;
};

}  // namespace zarix::qt
