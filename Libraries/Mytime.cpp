#include "Mytime.h"

#include "Clock.h"
#include "QtText.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

QDate DayZero() {
    return QDate(1899, 12, 30);
}

QString LongTimeFormatWithColons() {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    static const QRegularExpression hoursToMinutes(QStringLiteral("([hH]+)[^a-zA-Z']+(m+)"));
    static const QRegularExpression minutesToSeconds(QStringLiteral("(m+)[^a-zA-Z']+(s+)"));
    format.replace(hoursToMinutes, QStringLiteral("\\1:\\2"));
    format.replace(minutesToSeconds, QStringLiteral("\\1:\\2"));
    return format;
}

}  // namespace

double ToDateTime(const QDateTime& time) {
    const double days = static_cast<double>(DayZero().daysTo(time.date()));
    const double fraction = time.time().msecsSinceStartOfDay() / kMillisecondsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime FromDateTime(double dateTime) {
    const double whole = std::trunc(dateTime);
    const double fraction = std::fabs(dateTime - whole);
    const int milliseconds =
        std::min(static_cast<int>(std::llround(fraction * kMillisecondsPerDay)),
                 static_cast<int>(kMillisecondsPerDay) - 1);
    return QDateTime(DayZero().addDays(static_cast<qint64>(whole)),
                     QTime::fromMSecsSinceStartOfDay(milliseconds));
}

double DateTimeNow() {
    return ToDateTime(Clock::Instance().Now());
}

int DayOfYear(double date) {
    const QDate day = FromDateTime(date).date();
    const double firstOfJanuary = ToDateTime(QDateTime(QDate(day.year(), 1, 1), QTime(0, 0)));
    return static_cast<int>(std::trunc(date) + 1 - firstOfJanuary);
}

std::string DateTimeStamp(std::string_view separator, const QDateTime& moment) {
    const QDateTime time = moment.toLocalTime();
    // The default locale is the system's unless the program chose another.
    const QLocale locale;

    std::string stamp = ToBytes(locale.toString(time.date(), QLocale::LongFormat));
    stamp += " (" + std::to_string(DayOfYear(ToDateTime(time))) + ")";
    stamp += separator;
    stamp += ToBytes(locale.toString(time, LongTimeFormatWithColons()));
    stamp += " (" + std::to_string(time.time().msecsSinceStartOfDay() / 100000) + ")";
    return stamp;
}
