#pragma once

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
