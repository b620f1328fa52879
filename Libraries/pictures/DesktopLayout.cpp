#include "DesktopLayout.h"

#include <algorithm>
#include <iterator>

TMonitorsMode MonitorsModeFromText(std::string_view text) {
    for (size_t mode = 0; mode < std::size(kMonitorsModeNames); ++mode)
        if (text == kMonitorsModeNames[mode]) return static_cast<TMonitorsMode>(mode);
    return TMonitorsMode::Each;
}

int TDesktopLayout::Pictures() const {
    int pictures = 0;
    for (const TWallpaperFrame& frame : Frames)
        pictures = std::max(pictures, frame.PictureStep + 1);
    return pictures;
}

TDesktopLayout LayOutDesktop(const std::vector<TMonitor>& monitors, TMonitorsMode mode,
                             const QString& calendarMonitor) {
    TDesktopLayout layout;
    if (monitors.empty()) {
        layout.Groups.push_back({});
        layout.Frames.push_back({});
        return layout;
    }

    // Groups in desktop coordinates first; a monitor overlapping a group joins it.
    struct TPlacedGroup {
        TMonitorGroup Group;
        std::vector<const TMonitor*> Members;
    };
    std::vector<TPlacedGroup> placed;
    for (const TMonitor& monitor : monitors) {
        auto overlapped =
            std::find_if(placed.begin(), placed.end(), [&](const TPlacedGroup& group) {
                return group.Group.Area.intersects(monitor.Geometry);
            });
        if (overlapped == placed.end()) overlapped = placed.insert(placed.end(), TPlacedGroup{});
        overlapped->Group.Area |= monitor.Geometry;
        overlapped->Group.Outputs << monitor.Name;
        overlapped->Group.LogicalGeometries << monitor.LogicalGeometry;
        overlapped->Members.push_back(&monitor);
    }
    // The primary's group stays first.
    std::stable_sort(placed.begin() + 1, placed.end(), [](const auto& a, const auto& b) {
        const QPoint p = a.Group.Area.topLeft();
        const QPoint q = b.Group.Area.topLeft();
        return p.x() != q.x() ? p.x() < q.x() : p.y() < q.y();
    });

    QRect bounds;
    for (const TPlacedGroup& group : placed) bounds |= group.Group.Area;
    layout.Desktop = bounds.size();
    const QPoint origin = bounds.topLeft();

    const TMonitor* calendar = &monitors.front();
    for (const TMonitor& monitor : monitors)
        if (monitor.Name == calendarMonitor) calendar = &monitor;
    for (size_t index = 0; index < placed.size(); ++index) {
        TMonitorGroup group = placed[index].Group;
        group.Area.translate(-origin);
        layout.Groups.push_back(group);
        if (mode != TMonitorsMode::Span)
            layout.Frames.push_back(
                {group.Area, mode == TMonitorsMode::Each ? static_cast<int>(index) : 0});
        const auto& members = placed[index].Members;
        if (std::find(members.begin(), members.end(), calendar) != members.end() &&
            mode != TMonitorsMode::Span)
            layout.CalendarFrame = static_cast<int>(index);
    }
    if (mode == TMonitorsMode::Span)
        layout.Frames.push_back({QRect(QPoint(0, 0), bounds.size()), 0});

    // Panels may reach over a monitor's edge in the session's reckoning; the calendar stays on it.
    const QRect frame = layout.Frames[static_cast<size_t>(layout.CalendarFrame)].Area;
    layout.CalendarWorkArea =
        (calendar->WorkArea & calendar->Geometry).translated(-origin).translated(-frame.topLeft());
    layout.CalendarPixelRatio = calendar->PixelRatio;
    return layout;
}
