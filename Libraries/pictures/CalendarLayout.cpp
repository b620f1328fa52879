#include "CalendarLayout.h"

#include "Mytime.h"

#include <algorithm>
#include <cmath>

namespace {

// With no room for the calendar, 1 - size is negative: limiting a place to it would store a
// negative place that the next painting turns into 0, and so on back and forth for ever.
double LimitPlace(double place, double size) {
    if (place < 0 || size > 1) return 0;
    return std::min(place, 1 - size);
}

}  // namespace

TCalendarLayout LayOutCalendar(const TCalendarMetrics& metrics, double now, const QRect& area,
                               TRelativeRect& place) {
    TCalendarLayout layout;
    const QDate today = FromDateTime(now).date();
    layout.Year = today.year();
    layout.Month = today.month();
    const int weeks = metrics.OtherMonthsWeeks;
    layout.TodayColumn = WeekdayColumn(metrics.FirstDayIsMonday, now);
    layout.FirstColumn = ((layout.TodayColumn - (today.day() - 1)) % 7 + 7) % 7;
    layout.Back = today.day() - 1 + layout.FirstColumn + 7 * weeks;
    layout.FirstCell = now - layout.Back;
    layout.DaysInMonth = DaysInMonth(layout.Year, layout.Month);
    layout.Rows = (layout.DaysInMonth + layout.FirstColumn + 6) / 7 + 2 * weeks;

    // Integer fractions truncate exactly where size x 1.25 or x 1.2 in floating point could land
    // a hair below a whole number.
    layout.BarHeight = std::max(metrics.YearTextSize, metrics.MonthTextSize) * 5 / 4;
    layout.DayOfWeekHeight = metrics.DayOfWeekTextSize * 6 / 5;
    layout.HeadHeight =
        layout.BarHeight + metrics.YMBottomSpace + layout.DayOfWeekHeight + metrics.DOWBottomSpace;
    layout.CellWidth = std::max(metrics.DaysTextSize, metrics.DayOfWeekTextSize) * 3;
    layout.RowHeight = metrics.DaysTextSize * 2;
    layout.Width = 2 * metrics.HorizontalMarginSpacing + 7 * layout.CellWidth;
    layout.Height =
        layout.Rows * layout.RowHeight + 2 * metrics.VerticalMarginSpacing + layout.HeadHeight;

    place.Width = static_cast<double>(layout.Width) / area.width();
    place.Height = static_cast<double>(layout.Height) / area.height();
    place.Left = LimitPlace(place.Left, place.Width);
    place.Top = LimitPlace(place.Top, place.Height);
    layout.Left = static_cast<int>(std::trunc(area.left() + area.width() * place.Left));
    layout.Top = static_cast<int>(std::trunc(area.top() + area.height() * place.Top));
    layout.Calendar = QRect(layout.Left, layout.Top, layout.Width, layout.Height);

    layout.BackShape = layout.Calendar;
    if (metrics.OvalBack) {
        const double width = layout.Width, height = layout.Height;
        const int diagonal =
            static_cast<int>(std::ceil(std::sqrt(width * width + height * height)));
        const int ovalWidth =
            static_cast<int>(std::ceil(diagonal * metrics.OvalBackEccentricity / 100.0));
        layout.BackShape = QRect(layout.Left + (layout.Width - ovalWidth) / 2,
                                 layout.Top + (layout.Height - diagonal) / 2, ovalWidth, diagonal);
    }

    const int gridLeft = layout.Left + metrics.HorizontalMarginSpacing;
    const int barTop = layout.Top + metrics.VerticalMarginSpacing;
    layout.Header = QRect(gridLeft, barTop, 7 * layout.CellWidth, layout.BarHeight);
    const int dayOfWeekTop = barTop + layout.BarHeight + metrics.YMBottomSpace;
    for (int i = 0; i < 7; ++i) {
        const int column = metrics.FirstDayIsMonday ? i : (i + 1) % 7;
        layout.DayOfWeek[i] = QRect(gridLeft + column * layout.CellWidth, dayOfWeekTop,
                                    layout.CellWidth, layout.DayOfWeekHeight);
    }
    const int thickness = metrics.SeparatorThickness;
    layout.Separator =
        QRect(gridLeft,
              dayOfWeekTop + layout.DayOfWeekHeight + metrics.DOWBottomSpace / 2 - thickness / 2,
              7 * layout.CellWidth, thickness);

    // Whole days are counted on the date, not on the date-time: before 30 December 1899 the
    // date-time's fraction runs the other way, and adding days to it would shift the time of day.
    QDate day = today.addDays(-layout.Back);
    const int cellsTop = layout.Top + layout.HeadHeight + metrics.VerticalMarginSpacing;
    for (int row = 0; row < layout.Rows; ++row) {
        for (int column = 0; column < 7; ++column, day = day.addDays(1)) {
            layout.Cells.push_back(
                {QRect(gridLeft + column * layout.CellWidth, cellsTop + row * layout.RowHeight,
                       layout.CellWidth, layout.RowHeight),
                 day.day(), day.year() == layout.Year && day.month() == layout.Month,
                 day.dayOfWeek() >= Qt::Saturday, day == today});
        }
    }
    return layout;
}
