#pragma once

#include <QDateTime>
#include <optional>
#include <string>
#include <string_view>

// Date-times are doubles: whole days since 30 December 1899 plus the fraction of the day, in
// local time. Before that day the whole part counts back and the fraction still runs forward
// from midnight (-1.25 is 29 December 1899, 06:00).
double ToDateTime(const QDateTime& time);
QDateTime FromDateTime(double dateTime);
double DateTimeNow();

// 1 for 1 January.
int DayOfYear(double date);

// The long date and the long time of the user's locale in local time, each with a bracketed
// count: the day of the year after the date, and the whole 100-second periods since midnight
// (0 to 863) after the time, which always uses ":" between hours, minutes and seconds and names
// the time zone. It takes the moment rather than a date-time: when the clocks go back, an hour of
// date-times happens twice, and only the moment knows which zone it was in.
std::string DateTimeStamp(std::string_view separator, const QDateTime& moment);

// The seconds an interval item such as "15 minutes" or "2 days" stands for: the leading number
// times the first unit named anywhere in the text ("second", "minute", "hour", "day", "week");
// 1 when no unit is named, 0 for empty text.
double IntervalTextToSeconds(std::string_view text);

// month 1 to 12, Gregorian leap years.
int DaysInMonth(int year, int month);

// The column of the date's weekday in a week that starts on Monday or on Sunday, from 0.
int WeekdayColumn(bool mondayFirst, double date);

// Whether the next run of a schedule is due at now, the last one having run at lastTime. Without
// a start hour: once intervalSeconds have passed. With one: at the boundaries today's start hour
// plus whole intervals, one not yet passed by lastTime. Missed runs are never caught up. A
// lastTime after now, or one that is no date, is due at once.
bool IsScheduleDue(double intervalSeconds, double lastTime, double now,
                   std::optional<int> startHour);
