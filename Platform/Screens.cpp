#include "Screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QRect Physical(const QRect& logical, double ratio) {
    return QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                 qRound(logical.width() * ratio), qRound(logical.height() * ratio));
}

// Screens exist only in a program with a graphical user interface (qGuiApp is no test of it:
// it casts whatever application there is).
bool HasScreens() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

const QScreen* PrimaryScreen() {
    return HasScreens() ? QGuiApplication::primaryScreen() : nullptr;
}

}  // namespace

std::vector<TMonitor> Monitors() {
    std::vector<TMonitor> monitors;
    if (!HasScreens()) return monitors;
    const QScreen* primary = PrimaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const double ratio = screen->devicePixelRatio();
        TMonitor monitor{screen->name(),
                         Physical(screen->geometry(), ratio),
                         Physical(screen->availableGeometry(), ratio),
                         screen->geometry(),
                         ratio,
                         screen == primary};
        if (monitor.Primary)
            monitors.insert(monitors.begin(), std::move(monitor));
        else
            monitors.push_back(std::move(monitor));
    }
    return monitors;
}
