#include "ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

// Drawn on a 256-unit square and scaled, so every size is sharp. An image rather than a pixmap:
// the build renders the package's icon files with no display to paint on.
QImage PaintProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    painter.setPen(Qt::NoPen);

    painter.setBrush(QColor(0x2b, 0x33, 0x40));
    painter.drawRoundedRect(QRectF(8, 24, 240, 208), 24, 24);

    QLinearGradient sky(0, 36, 0, 220);
    sky.setColorAt(0, QColor(0x3b, 0x7d, 0xd8));
    sky.setColorAt(1, QColor(0x9f, 0xd0, 0xf5));
    QPainterPath picture;
    picture.addRoundedRect(QRectF(20, 36, 216, 184), 14, 14);
    painter.setBrush(sky);
    painter.drawPath(picture);

    painter.setBrush(QColor(0xff, 0xd3, 0x4d));
    painter.drawEllipse(QPointF(72, 84), 22, 22);

    QPainterPath hills;
    hills.moveTo(20, 196);
    hills.lineTo(92, 118);
    hills.lineTo(138, 166);
    hills.lineTo(170, 136);
    hills.lineTo(236, 196);
    hills.lineTo(236, 220);
    hills.lineTo(20, 220);
    hills.closeSubpath();
    painter.setBrush(QColor(0x2f, 0x8f, 0x4e));
    painter.drawPath(hills.intersected(picture));

    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRoundedRect(QRectF(150, 52, 72, 64), 8, 8);
    painter.setBrush(QColor(0xd9, 0x44, 0x3a));
    painter.drawRect(QRectF(150, 56, 72, 12));
    painter.setBrush(QColor(0x2b, 0x33, 0x40));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            painter.drawRect(QRectF(160 + 16 * column, 76 + 14 * row, 10, 8));
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : ProgramIconSizes) icon.addPixmap(QPixmap::fromImage(PaintProgramIcon(size)));
    return icon;
}
