// The login dialog.
#include "login_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zarixdesktop {

std::optional<int32_t> AskUser(const std::vector<TUserEntry>& Users, int32_t Current, QWidget* Parent) {
    QDialog dialog(Parent);
    dialog.setObjectName(QStringLiteral("loginDialog"));
    // "Logowanie" = logging in, "Wybierz użytkownika" = choose the user.
    dialog.setWindowTitle(QStringLiteral("Logowanie"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Wybierz użytkownika:"), &dialog));
    auto* list = new QListWidget(&dialog);
    for (const TUserEntry& user : Users) {
        auto* item = new QListWidgetItem(QString::fromStdString(user.FullName + " (" + user.Login + ")"), list);
        item->setData(Qt::UserRole, user.Id);
        if (user.Id == Current || list->currentItem() == nullptr) list->setCurrentItem(item);
    }
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Zaloguj"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted || list->currentItem() == nullptr) return std::nullopt;
    return list->currentItem()->data(Qt::UserRole).toInt();
}

}  // namespace zarixdesktop
