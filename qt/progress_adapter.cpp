// The progress adapter.
#include "qt/progress_adapter.h"

#include "qt/front_end.h"

#include <QApplication>
#include <QProgressDialog>
#include <QSignalBlocker>

namespace zarix::qt {

TProgressAdapter::TProgressAdapter(TQtFrontEnd& FrontEnd, TProgressFrm* Form) : TAdapter(FrontEnd, Form) {
    // The work runs on this thread and repaints the dialog through ProcessMessages: no cancel
    // button, no delay before it shows, and nothing a person can do but wait.
    FDialog = new QProgressDialog(QApplication::activeWindow());
    FDialog->setWindowModality(Qt::ApplicationModal);
    FDialog->setCancelButton(nullptr);
    FDialog->setMinimumDuration(0);
    FDialog->setAutoClose(false);
    FDialog->setAutoReset(false);
    FDialog->setWindowTitle(QString::fromStdString(Form->Caption()));
    FDialog->setMinimumWidth(Form->Width());
    Show();
}

TProgressAdapter::~TProgressAdapter() {
    if (FDialog) {
        FDialog->hide();
        FDialog->deleteLater();
    }
}

QWidget* TProgressAdapter::Widget() const { return FDialog.data(); }

void TProgressAdapter::Show() {
    if (!FDialog) return;
    const QSignalBlocker blocker(FDialog);
    const TProgressBar& bar = Form()->Bar();
    FDialog->setLabelText(QString::fromStdString(Form()->TextLine()));
    FDialog->setRange(0, bar.Max);
    FDialog->setValue(bar.Position);
    FDialog->setVisible(Form()->Visible());
}

void TProgressAdapter::Changed(TComponent* Sender, std::string_view What) {
    if (Sender != Model() || !FDialog) return;
    if (What == "Caption") FDialog->setWindowTitle(QString::fromStdString(Form()->Caption()));
    else Show();
}

}  // namespace zarix::qt
