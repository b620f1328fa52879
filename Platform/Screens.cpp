#include "Screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QRect Physical(const QRect& logical, double ratio) {
    return QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                 qRound(logical.width() * ratio), qRound(logical.height() * ratio));
}

}  // namespace

QRect PrimaryScreenGeometry() {
    const QScreen* screen = qGuiApp == nullptr ? nullptr : QGuiApplication::primaryScreen();
    return screen == nullptr ? QRect() : Physical(screen->geometry(), screen->devicePixelRatio());
}

QRect PrimaryWorkArea() {
    const QScreen* screen = qGuiApp == nullptr ? nullptr : QGuiApplication::primaryScreen();
    return screen == nullptr ? QRect()
                             : Physical(screen->availableGeometry(), screen->devicePixelRatio());
}

double PrimaryScreenPixelRatio() {
    const QScreen* screen = qGuiApp == nullptr ? nullptr : QGuiApplication::primaryScreen();
    return screen == nullptr ? 1.0 : screen->devicePixelRatio();
}
