// Icons from image names.
#include "qt/icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QMetaEnum>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace zarix::qt {

namespace {

QIcon DrawnIcon(const QString& Name, int Size) {
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = QColor::fromHsv(static_cast<int>(qHash(Name) % 360), 140, 200);
    painter.setBrush(colour);
    painter.setPen(colour.darker(140));
    painter.drawRoundedRect(QRectF(0.5, 0.5, Size - 1, Size - 1), 3, 3);
    QFont font = painter.font();
    font.setPixelSize(Size * 3 / 4);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    // The letter of a caption, not the "&" that marks its mnemonic.
    QString letters = Name;
    letters.remove(QLatin1Char('&'));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letters.left(1).toUpper());
    return QIcon(pixmap);
}

}  // namespace

QIcon IconOf(const std::string& ImageName, int Size) {
    if (ImageName.empty()) return {};
    const QString name = QString::fromStdString(ImageName);
    if (QFileInfo(name).isFile()) return QIcon(name);
    const QMetaEnum pixmaps = QMetaEnum::fromType<QStyle::StandardPixmap>();
    bool known = false;
    const int standard = pixmaps.keyToValue(ImageName.c_str(), &known);
    if (known && QApplication::style() != nullptr)
        return QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(standard));
    return DrawnIcon(name, Size);
}

QIcon IconOf(const TImageList* List, int Index) {
    if (List == nullptr || Index < 0 || Index >= List->Count()) return {};
    return IconOf(List->Images(Index), List->Height());
}

QIcon IconOf(const TIcon& Icon) { return IconOf(Icon.ImageName); }

}  // namespace zarix::qt
