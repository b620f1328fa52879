#pragma once

#include "CalendarDrawing.h"
#include "CalendarLayout.h"
#include "CalendarSkin.h"

#include <QRect>

// Paints the month of now onto the wallpaper in the look of skin: the header with the month's
// name and the year, the day-of-week bar, the separator and the days, on its back. place gives
// where, as fractions of area (the desktop's work area less the margin); it is limited to the
// area and receives the calendar's size. On a high-density screen pixelRatio (the screen's device
// pixel ratio) scales the skin's pixel quantities, so that the calendar keeps its physical size.
void PaintMonthCalendar(TGraphics& graphics, const TCalendarSkin& skin, double now,
                        const QRect& area, TRelativeRect& place, double pixelRatio);

// The skin's figures the layout needs, in pixels of a screen of that ratio.
TCalendarMetrics CalendarMetrics(const TCalendarSkin& skin, double pixelRatio);
