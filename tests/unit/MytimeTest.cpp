#include "Mytime.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <ctime>
#include <limits>
#include <optional>

namespace {

TEST(MytimeTest, DateTimesCountDaysFromTheEndOf1899) {
    EXPECT_DOUBLE_EQ(ToDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(ToDateTime(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    EXPECT_DOUBLE_EQ(ToDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);

    for (double t : {0.0, 2.75, -1.25, 46363.5729166667}) {
        EXPECT_NEAR(ToDateTime(FromDateTime(t)), t, 1e-8) << t;
    }
    EXPECT_EQ(FromDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

TEST(MytimeTest, DayOfYear) {
    EXPECT_EQ(DayOfYear(ToDateTime(QDateTime(QDate(2026, 1, 1), QTime(23, 59)))), 1);
    EXPECT_EQ(DayOfYear(ToDateTime(QDateTime(QDate(2026, 12, 7), QTime(12, 0)))), 341);
    EXPECT_EQ(DayOfYear(ToDateTime(QDateTime(QDate(2024, 12, 31), QTime(0, 0)))), 366);
}

TEST(MytimeTest, StampHasTheLongDateAndTimeWithTheirCounts) {
    EXPECT_EQ(DateTimeStamp(" | ", QDateTime(QDate(2026, 12, 7), QTime(13, 45, 30))),
              "Monday, 7 December 2026 (341) | 13:45:30 UTC (495)");
    EXPECT_EQ(DateTimeStamp("/", QDateTime(QDate(2026, 1, 1), QTime(23, 59, 59))),
              "Thursday, 1 January 2026 (1)/23:59:59 UTC (863)");
}

TEST(MytimeTest, StampSeparatesHoursMinutesAndSecondsWithColonsInEveryLocale) {
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    const std::string stamp = DateTimeStamp(" | ", QDateTime(QDate(2026, 12, 7), QTime(9, 5, 7)));
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(stamp.ends_with(" | 9:05:07 UTC (327)")) << stamp;
}

TEST(MytimeTest, StampNamesTheZoneOfTheMomentInTheHourThatHappensTwice) {
    const QByteArray savedZone = qgetenv("TZ");
    // Berlin's rule, written out so that no time-zone database is needed.
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    // On 25 October 2026 Berlin's clocks go back from 03:00 summer time to 02:00.
    const QDateTime firstPass(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC);
    const std::string first = DateTimeStamp(" | ", firstPass);
    const std::string second = DateTimeStamp(" | ", firstPass.addSecs(3600));
    if (savedZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedZone);
    tzset();
    EXPECT_EQ(first, "Sunday, 25 October 2026 (298) | 02:30:00 CEST (90)");
    EXPECT_EQ(second, "Sunday, 25 October 2026 (298) | 02:30:00 CET (90)");
}

double At(int day, const char* time) {
    return ToDateTime(QDateTime(QDate(2026, 12, day), QTime::fromString(time, "HH:mm:ss")));
}

TEST(MytimeTest, ScheduleIsDueAtItsBoundariesAndNeverCatchesUp) {
    struct Case {
        const char* interval;
        std::optional<int> startHour;
        double last;
        double now;
        bool due;
    };
    const Case cases[] = {
        {"1 hour", {}, At(7, "10:00:00"), At(7, "10:59:59"), false},
        {"1 hour", {}, At(7, "10:00:00"), At(7, "11:00:00"), true},
        // Nights away give one change, not one for every hour missed.
        {"1 hour", {}, At(1, "10:00:00"), At(7, "09:00:00"), true},
        // A last change after now (the clock was ahead) is due at once, not when the clock has
        // caught up; a change at this very instant is not.
        {"1 hour", {}, At(7, "10:00:00"), At(7, "09:30:00"), true},
        {"1 hour", 0, At(7, "10:00:00"), At(7, "09:30:00"), true},
        {"1 hour", {}, At(7, "10:00:00"), At(7, "10:00:00"), false},
        // Stored values that are no date at all.
        {"1 hour", {}, 1e308, At(7, "10:00:00"), true},
        {"1 hour", 0, -1e308, At(7, "10:00:00"), true},
        {"1 hour", {}, std::numeric_limits<double>::quiet_NaN(), At(7, "10:00:00"), true},
        {"1 hour", 8, std::numeric_limits<double>::infinity(), At(7, "10:00:00"), true},
        {"2 hours", 8, At(6, "12:00:00"), At(7, "07:30:00"), false},
        {"2 hours", 8, At(6, "12:00:00"), At(7, "08:00:00"), true},
        {"2 hours", 8, At(7, "08:00:01"), At(7, "09:59:59"), false},
        {"2 hours", 8, At(7, "08:00:01"), At(7, "10:00:00"), true},
        {"1 week", 20, At(6, "20:00:05"), At(7, "19:59:59"), false},
        {"1 week", 20, At(6, "20:00:05"), At(7, "20:00:00"), true},
        {"1 week", 20, At(7, "20:00:00"), At(7, "23:00:00"), false},
        {"1 hour", 0, At(7, "15:30:00"), At(7, "15:59:59"), false},
        {"1 hour", 0, At(7, "15:30:00"), At(7, "16:00:00"), true},
        // No interval at all is a second, not a change at every tick or a division by zero.
        {"", {}, At(7, "15:30:00"), At(7, "15:30:00"), false},
        {"", 0, At(7, "15:30:00"), At(7, "15:30:01"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.interval) + " " + FromDateTime(c.now).toString().toStdString());
        EXPECT_EQ(IsScheduleDue(IntervalTextToSeconds(c.interval), c.last, c.now, c.startHour),
                  c.due);
    }
}

TEST(MytimeTest, IntervalTextsMonthLengthsAndWeekdayColumns) {
    EXPECT_EQ(IntervalTextToSeconds("90 seconds"), 90);
    EXPECT_EQ(IntervalTextToSeconds("2 weeks"), 1209600);
    EXPECT_EQ(IntervalTextToSeconds("15 minutes"), 900);
    EXPECT_EQ(IntervalTextToSeconds("20 hours"), 72000);
    EXPECT_EQ(IntervalTextToSeconds("3 days"), 259200);
    EXPECT_EQ(IntervalTextToSeconds("5"), 1);
    EXPECT_EQ(IntervalTextToSeconds(""), 0);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2026, 12), 31);
    // 6 December 2026 is a Sunday.
    EXPECT_EQ(WeekdayColumn(false, At(6, "12:00:00")), 0);
    EXPECT_EQ(WeekdayColumn(true, At(6, "12:00:00")), 6);
    EXPECT_EQ(WeekdayColumn(true, At(7, "00:00:00")), 0);
    EXPECT_EQ(WeekdayColumn(false, At(12, "23:59:59")), 6);
}

}  // namespace
