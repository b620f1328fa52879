#include "Mytime.h"

#include "Clock.h"
#include "QtText.h"
#include "UtilitiesValues.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;
// Far beyond any date a clock shows, yet small enough to count in milliseconds.
constexpr double kLatestDate = 1e7;

// Schedules compare whole milliseconds: differences of date-times carry rounding errors that
// would put a boundary a hair after the instant it falls on.
int64_t Milliseconds(double days) {
    return std::llround(days * kMillisecondsPerDay);
}

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

double IntervalTextToSeconds(std::string_view text) {
    if (text.empty()) return 0;
    const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    const double number = TextToInt(text.substr(0, digits));
    struct Unit {
        std::string_view name;
        double seconds;
    };
    for (const Unit unit : {Unit{"second", 1}, Unit{"minute", 60}, Unit{"hour", 3600},
                            Unit{"day", kSecondsPerDay}, Unit{"week", 7 * kSecondsPerDay}})
        if (text.find(unit.name) != std::string_view::npos) return number * unit.seconds;
    return 1;
}

int DaysInMonth(int year, int month) {
    return QDate(year, month, 1).daysInMonth();
}

int WeekdayColumn(bool mondayFirst, double date) {
    // Qt counts Monday 1 to Sunday 7.
    const int weekday = FromDateTime(date).date().dayOfWeek();
    return mondayFirst ? weekday - 1 : weekday % 7;
}

bool IsScheduleDue(double intervalSeconds, double lastTime, double now,
                   std::optional<int> startHour) {
    // A last run after now (the clock was ahead then) or no date at all would otherwise hold the
    // schedule until the clock caught up with it, if ever.
    if (!(std::fabs(lastTime) <= kLatestDate) || lastTime > now) return true;
    // An interval below a second would make every tick due, or divide by nothing.
    const int64_t interval = std::max<int64_t>(std::llround(intervalSeconds * 1000), 1000);
    if (!startHour) return Milliseconds(now) - Milliseconds(lastTime) >= interval;
    const int64_t start = Milliseconds(std::trunc(now) + *startHour / 24.0);
    const int64_t boundary = start + (Milliseconds(now) - start) / interval * interval;
    return Milliseconds(now) >= boundary && boundary > Milliseconds(lastTime);
}
