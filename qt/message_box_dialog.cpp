// Message boxes.
#include "qt/message_box_dialog.h"

#include <QApplication>
#include <QMessageBox>

namespace zarix::qt {

namespace {

QMessageBox::StandardButtons ButtonsOf(int Buttons) {
    switch (Buttons) {
        case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
        case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
        default: return QMessageBox::Ok;
    }
}

int ResultOf(int Button) {
    switch (Button) {
        case QMessageBox::Ok: return mrOk;
        case QMessageBox::Cancel: return mrCancel;
        case QMessageBox::Yes: return mrYes;
        case QMessageBox::No: return mrNo;
        default: return mrCancel;
    }
}

}  // namespace

int ShowMessageBoxDialog(const TMessageBoxRequest& Request) {
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setIcon(Request.Buttons == MB_YESNO ? QMessageBox::Question : QMessageBox::Information);
    box.setWindowTitle(QString::fromStdString(Request.Caption.empty() ? QApplication::applicationName().toStdString()
                                                                      : Request.Caption));
    box.setText(QString::fromStdString(Request.Text));
    box.setStandardButtons(ButtonsOf(Request.Buttons));
    // Closed without a button (Escape, the close box): the gentlest answer.
    return ResultOf(box.exec());
}

void ShowExceptionReport(const TExceptionReport& Report) {
    auto* box = new QMessageBox(QApplication::activeWindow());
    box->setObjectName(QStringLiteral("exceptionReport"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Critical);
    box->setWindowTitle(QString::fromStdString(Report.Context));
    box->setText(QString::fromStdString(Report.Message));
    box->setDetailedText(QString::fromStdString(Report.ExceptionClass + "\n" + Report.Location.File + ":" +
                                                std::to_string(Report.Location.Line) + " " + Report.Location.Function +
                                                "\n" + Report.Module));
    box->setModal(false);
    box->show();
}

}  // namespace zarix::qt
