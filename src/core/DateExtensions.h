#pragma once
// Dates in the user's locale and the Gregorian calendar.

#include <QCalendar>
#include <QDateTime>
#include <QString>

namespace kx::ns {

// The formatting styles of dates and times, from none to the fullest.
enum class DateStyle { None = 0, Short = 1, Medium = 2, Long = 3, Full = 4 };

// Which components gregorianDateComponents fills in.
enum DateComponent {
    Era = 1 << 1, Year = 1 << 2, Month = 1 << 3, Day = 1 << 4, Hour = 1 << 5, Minute = 1 << 6,
    Second = 1 << 7, Weekday = 1 << 9,
};

// Requested components hold their value, the others -1. Weekday counts from 1 (Sunday).
struct DateComponents {
    int era = -1, year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1, weekday = -1;
};

// The year of the date in local time.
int year(const QDateTime& date);
// One shared Gregorian calendar.
const QCalendar& gregorianCalendar();
// The requested components (an or of DateComponent) of the date in local time.
DateComponents gregorianDateComponents(const QDateTime& date, int components);
// The date and time in the current locale's long form.
QString localDescription(const QDateTime& date);
QString descriptionWithDateStyle(const QDateTime& date, DateStyle style);
QString descriptionWithTimeStyle(const QDateTime& date, DateStyle style);
QString descriptionWithDateAndTimeStyle(const QDateTime& date, DateStyle style);

} // namespace kx::ns
