#pragma once

#include <QRect>
#include <array>
#include <vector>

// What the layout needs of the skin.
struct TCalendarMetrics {
    int YearTextSize = 15, MonthTextSize = 20, DayOfWeekTextSize = 12, DaysTextSize = 12;
    int HorizontalMarginSpacing = 25, VerticalMarginSpacing = 25, YMBottomSpace = 10,
        DOWBottomSpace = 10;
    int OtherMonthsWeeks = 1;
    bool FirstDayIsMonday = true;
    bool OvalBack = false;
    int OvalBackEccentricity = 100;
    int SeparatorThickness = 2;
};

// The place of the calendar as fractions of the desktop area; the layout limits and writes them
// back.
struct TRelativeRect {
    double Left = 0.7, Top = 0.15, Width = 0.1, Height = 0.1;
};

struct TCalendarCell {
    QRect Rect;
    int DayOfMonth = 0;
    bool InMonth = false;  // in the month of now
    bool Weekend = false;  // Saturday or Sunday, whatever the locale
    bool Today = false;
};

// Screen pixels unless noted.
struct TCalendarLayout {
    int TodayColumn = 0, FirstColumn = 0, Back = 0, DaysInMonth = 0, Rows = 0;
    double FirstCell = 0;  // a date-time: now minus Back days
    int BarHeight = 0, DayOfWeekHeight = 0, HeadHeight = 0, CellWidth = 0, RowHeight = 0;
    int Width = 0, Height = 0, Left = 0, Top = 0;
    QRect Calendar;                  // Left, Top, Width, Height
    QRect BackShape;                 // the oval's box or the calendar rectangle
    QRect Header;                    // year-month bar
    std::array<QRect, 7> DayOfWeek;  // index 0 Monday ... 6 Sunday, at their columns
    QRect Separator;
    std::vector<TCalendarCell> Cells;  // Rows x 7, row by row
    int Year = 0, Month = 0;           // of now
};

// area: the desktop work area less the margin. place is limited as the painting limits it and
// receives Width/Height = W / areaW, H / areaH. A calendar wider (taller) than the area is pinned
// to its left (top) edge, so that its place stays the same from one painting to the next.
TCalendarLayout LayOutCalendar(const TCalendarMetrics& metrics, double now, const QRect& area,
                               TRelativeRect& place);
