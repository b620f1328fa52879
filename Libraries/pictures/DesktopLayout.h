#pragma once

#include "Screens.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

// How several monitors share the wallpaper: a picture of its own on each (the current one on the
// primary, the ones after it in the list on the others, left to right), the current picture on
// each, or one picture across the whole desktop.
enum class TMonitorsMode { Each, Same, Span };

// The option's texts, in the order of the mode's values.
inline constexpr const char* kMonitorsModeNames[] = {"Each", "Same", "Span"};
// Each for a text that names no mode.
TMonitorsMode MonitorsModeFromText(std::string_view text);

// Monitors that show the same part of the desktop (mirrors) are one group, with one picture.
struct TMonitorGroup {
    QRect Area;  // in the desktop bitmap's pixels: the bounding box's top left is (0, 0)
    QStringList Outputs;
    QList<QRect> LogicalGeometries;

    bool operator==(const TMonitorGroup&) const = default;
};

// One bitmap of the wallpaper, with its own picture fitted to it.
struct TWallpaperFrame {
    QRect Area;           // in the desktop bitmap's pixels
    int PictureStep = 0;  // the current picture, or the one this many places after it
    bool operator==(const TWallpaperFrame&) const = default;
};

struct TDesktopLayout {
    QSize Desktop;                        // the bounding box of all monitors
    std::vector<TMonitorGroup> Groups;    // the primary's first, then left to right
    std::vector<TWallpaperFrame> Frames;  // likewise; in Span one for the whole desktop
    int CalendarFrame = 0;
    QRect CalendarWorkArea;  // the calendar's monitor's work area, in its frame's pixels
    double CalendarPixelRatio = 1.0;

    bool operator==(const TDesktopLayout&) const = default;
    // How many different pictures the monitors show.
    int Pictures() const;
};

// The wallpaper's layout for these monitors (the primary first, as Monitors() gives them), with
// the calendar on the monitor named calendarMonitor, or on the primary when none is so named.
// Without monitors there is one empty frame.
TDesktopLayout LayOutDesktop(const std::vector<TMonitor>& monitors, TMonitorsMode mode,
                             const QString& calendarMonitor);
