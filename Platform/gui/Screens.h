#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <vector>

// One monitor of the session as a wallpaper is made for it: in physical pixels (its device pixel
// ratio applied), so that a wallpaper made for it is sharp on high-density screens.
struct TMonitor {
    QString Name;             // X11's RandR monitor or output, Wayland's output
    QRect Geometry;           // physical pixels, in the desktop's coordinates
    QRect WorkArea;           // what panels and docks leave free, in the same pixels
    QRect LogicalGeometry;    // as the session's own tools count (logical pixels)
    double PixelRatio = 1.0;  // physical pixels per logical pixel
    bool Primary = false;

    bool operator==(const TMonitor&) const = default;
};

// The session's monitors, the primary first; none without a screen.
std::vector<TMonitor> Monitors();

// Tells when the X server's monitors change. Qt's screens report monitors plugged in and out, but
// not one that keeps its name and changes size or place (a new mode): Qt's screen keeps its old
// geometry and says nothing, while Monitors() reads the server itself. Without an X11 display it
// never tells anything; Qt's screen signals are all there is.
class MonitorWatch : public QObject {
    Q_OBJECT

public:
    // The application's watch, made on first use; it goes with the application.
    static MonitorWatch& Instance();

signals:
    // After Qt has taken in the change itself; a burst of changes comes as one. It may come when
    // nothing that Monitors() answers has changed.
    void MonitorsChanged();

private:
    using QObject::QObject;
};
