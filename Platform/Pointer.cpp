#include "Pointer.h"

#include <QCursor>
#include <QGuiApplication>

std::optional<QPoint> CursorPosition() {
    if (qGuiApp == nullptr || QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::nullopt;
    return QCursor::pos();
}
