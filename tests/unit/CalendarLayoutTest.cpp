#include "CalendarLayout.h"

#include "Mytime.h"

#include <gtest/gtest.h>

namespace {

const QRect kArea(20, 20, 1240, 984);  // a 1280 x 1024 screen less a margin of 20

double Noon(int year, int month, int day) {
    return ToDateTime(QDateTime(QDate(year, month, day), QTime(12, 0)));
}

struct TMonthCase {
    const char* name;
    int year, month, day;
    bool mondayFirst;
    int weeks;
    int todayColumn, firstColumn, back, daysInMonth, rows;
};

const TMonthCase kMonthCases[] = {
    {"ThirtyOneDaysFromTheFirstColumn", 2023, 5, 17, true, 1, 2, 0, 23, 31, 7},
    {"FebruaryFromTheFirstColumnFillsFourRows", 2021, 2, 10, true, 0, 2, 0, 9, 28, 4},
    {"FourWeeksOfOtherMonthsOnEachSide", 2021, 2, 10, true, 4, 2, 0, 37, 28, 12},
    {"SundayFirstMovesMondayToColumnOne", 2021, 2, 10, false, 1, 3, 1, 17, 28, 7},
    {"FirstInTheLastColumnNeedsASixthRow", 2024, 9, 1, true, 1, 6, 6, 13, 30, 8},
    // Today is the grid's very last cell.
    {"TodayTheLastDayInTheLastColumn", 2024, 6, 30, true, 0, 6, 5, 34, 30, 5},
    {"LeapYear2008", 2008, 2, 1, true, 1, 4, 4, 11, 29, 7},
    {"CommonYear2007", 2007, 2, 1, true, 1, 3, 3, 10, 28, 7},
    {"LeapCentury2000", 2000, 2, 1, true, 1, 1, 1, 8, 29, 7},
    {"CommonCentury1900", 1900, 2, 1, true, 1, 3, 3, 10, 28, 7},
};

class CalendarMonthTest : public ::testing::TestWithParam<TMonthCase> {};

TEST_P(CalendarMonthTest, LaysOutTheMonthAndItsNeighbours) {
    const TMonthCase& c = GetParam();
    TCalendarMetrics metrics;
    metrics.FirstDayIsMonday = c.mondayFirst;
    metrics.OtherMonthsWeeks = c.weeks;
    TRelativeRect place;
    const double now = Noon(c.year, c.month, c.day);
    const TCalendarLayout layout = LayOutCalendar(metrics, now, kArea, place);
    EXPECT_EQ(layout.TodayColumn, c.todayColumn);
    EXPECT_EQ(layout.FirstColumn, c.firstColumn);
    EXPECT_EQ(layout.Back, c.back);
    EXPECT_EQ(layout.FirstCell, now - c.back);
    EXPECT_EQ(layout.DaysInMonth, c.daysInMonth);
    EXPECT_EQ(layout.Rows, c.rows);
    EXPECT_EQ(layout.Year, c.year);
    EXPECT_EQ(layout.Month, c.month);
    // Sunday's name heads the first column or the last, 36 pixels wide from x 913.
    EXPECT_EQ(layout.DayOfWeek[6].left(), c.mondayFirst ? 1129 : 913);
    EXPECT_EQ(layout.DayOfWeek[0].left(), c.mondayFirst ? 913 : 949);
    ASSERT_EQ(layout.Cells.size(), static_cast<size_t>(c.rows * 7));
    const int first = c.firstColumn + 7 * c.weeks;
    for (int i = 0; i < c.rows * 7; ++i) {
        const TCalendarCell& cell = layout.Cells[i];
        const bool inMonth = i >= first && i < first + c.daysInMonth;
        const int column = i % 7;
        EXPECT_EQ(cell.InMonth, inMonth) << i;
        if (inMonth) {
            EXPECT_EQ(cell.DayOfMonth, i - first + 1) << i;
        }
        EXPECT_EQ(cell.Today, i == c.back) << i;
        EXPECT_EQ(cell.Weekend, c.mondayFirst ? column >= 5 : column == 0 || column == 6) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CalendarMonthTest, ::testing::ValuesIn(kMonthCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CalendarLayoutTest, DefaultSkinGeometry) {
    TRelativeRect place;
    const TCalendarLayout l = LayOutCalendar(TCalendarMetrics(), Noon(2023, 5, 17), kArea, place);
    EXPECT_EQ(l.BarHeight, 25);
    EXPECT_EQ(l.DayOfWeekHeight, 14);
    EXPECT_EQ(l.HeadHeight, 59);
    EXPECT_EQ(l.CellWidth, 36);
    EXPECT_EQ(l.RowHeight, 24);
    EXPECT_EQ(l.Calendar, QRect(888, 167, 302, 277));
    EXPECT_EQ(l.BackShape, l.Calendar);
    EXPECT_EQ(place.Width, 302.0 / 1240);
    EXPECT_EQ(place.Height, 277.0 / 984);
    EXPECT_EQ(l.Header, QRect(913, 192, 252, 25));
    EXPECT_EQ(l.DayOfWeek[0], QRect(913, 227, 36, 14));
    EXPECT_EQ(l.DayOfWeek[6], QRect(1129, 227, 36, 14));
    EXPECT_EQ(l.Separator, QRect(913, 245, 252, 2));
    EXPECT_EQ(l.Cells.front().Rect, QRect(913, 251, 36, 24));
    // The last row leaves exactly the bottom margin.
    EXPECT_EQ(l.Cells.back().Rect, QRect(1129, 395, 36, 24));
}

TEST(CalendarLayoutTest, OddSeparatorHalvesTruncate) {
    TCalendarMetrics metrics;
    metrics.SeparatorThickness = 3;
    metrics.DOWBottomSpace = 8;
    TRelativeRect place;
    EXPECT_EQ(LayOutCalendar(metrics, Noon(2023, 5, 17), kArea, place).Separator,
              QRect(913, 244, 252, 3));
}

struct TOvalCase {
    const char* name;
    int eccentricity;
    QRect back;
};

class CalendarOvalTest : public ::testing::TestWithParam<TOvalCase> {};

// The default calendar is 302 x 277 at (888, 167): its diagonal is 409.8.
TEST_P(CalendarOvalTest, CentresTheOvalOnTheCalendar) {
    TCalendarMetrics metrics;
    metrics.OvalBack = true;
    metrics.OvalBackEccentricity = GetParam().eccentricity;
    TRelativeRect place;
    EXPECT_EQ(LayOutCalendar(metrics, Noon(2023, 5, 17), kArea, place).BackShape, GetParam().back);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CalendarOvalTest,
    ::testing::Values(TOvalCase{"CircleOfTheDiagonal", 100, QRect(834, 101, 410, 410)},
                      TOvalCase{"NarrowWidthRoundsUp", 33, QRect(971, 101, 136, 410)},
                      TOvalCase{"WideOddOverhangHalvesTowardZero", 150, QRect(732, 101, 615, 410)}),
    [](const auto& row) { return std::string(row.param.name); });

struct TPlaceCase {
    const char* name;
    double left, top, limitedLeft, limitedTop;
    QPoint topLeft;
};

class CalendarPlaceTest : public ::testing::TestWithParam<TPlaceCase> {};

TEST_P(CalendarPlaceTest, KeepsTheCalendarInTheArea) {
    const TPlaceCase& c = GetParam();
    TRelativeRect place{c.left, c.top};
    const TCalendarLayout l = LayOutCalendar(TCalendarMetrics(), Noon(2023, 5, 17), kArea, place);
    EXPECT_EQ(place.Left, c.limitedLeft);
    EXPECT_EQ(place.Top, c.limitedTop);
    EXPECT_EQ(l.Calendar.topLeft(), c.topLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CalendarPlaceTest,
    ::testing::Values(TPlaceCase{"InsideIsKept", 0.7, 0.15, 0.7, 0.15, {888, 167}},
                      TPlaceCase{"BelowZeroBecomesZero", -0.1, -0.2, 0, 0, {20, 20}},
                      TPlaceCase{"PastTheFarEdgeIsPulledBack",
                                 0.95,
                                 0.9,
                                 1 - 302.0 / 1240,
                                 1 - 277.0 / 984,
                                 {958, 727}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CalendarLayoutTest, OversizedCalendarStaysPinnedToTheTopLeft) {
    TCalendarMetrics metrics;
    metrics.DaysTextSize = 40;
    metrics.HorizontalMarginSpacing = metrics.VerticalMarginSpacing = 50;
    TRelativeRect place{0.5, 0.5};
    for (int painting = 0; painting < 2; ++painting) {
        const TCalendarLayout l =
            LayOutCalendar(metrics, Noon(2023, 5, 17), QRect(0, 0, 800, 600), place);
        EXPECT_EQ(l.Calendar, QRect(0, 0, 940, 719)) << painting;
        EXPECT_EQ(place.Left, 0) << painting;
        EXPECT_EQ(place.Top, 0) << painting;
    }
}

}  // namespace
