#include "Pointer.h"

#include <QCursor>
#include <QGuiApplication>

std::optional<QPoint> CursorPosition() {
    // Without a graphical application (qGuiApp would wrongly cast a plain one) nobody knows.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr ||
        QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::nullopt;
    return QCursor::pos();
}
