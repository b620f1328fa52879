#include "Mytime.h"

#include <gtest/gtest.h>
#include <QLocale>

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
    const double t = ToDateTime(QDateTime(QDate(2026, 12, 7), QTime(13, 45, 30)));
    EXPECT_EQ(DateTimeStamp(" | ", t), "Monday, 7 December 2026 (341) | 13:45:30 UTC (495)");
    EXPECT_EQ(DateTimeStamp("/", ToDateTime(QDateTime(QDate(2026, 1, 1), QTime(23, 59, 59)))),
              "Thursday, 1 January 2026 (1)/23:59:59 UTC (863)");
}

TEST(MytimeTest, StampSeparatesHoursMinutesAndSecondsWithColonsInEveryLocale) {
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    const double t = ToDateTime(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 7)));
    const std::string stamp = DateTimeStamp(" | ", t);
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(stamp.ends_with(" | 9:05:07 UTC (327)")) << stamp;
}

}  // namespace
