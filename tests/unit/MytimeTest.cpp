#include "Mytime.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <ctime>

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

}  // namespace
