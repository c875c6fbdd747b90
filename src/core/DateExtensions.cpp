#include "core/DateExtensions.h"

#include <QLocale>

namespace kx::ns {

namespace {

QString dateFormat(DateStyle style) {
    const QLocale locale;
    switch (style) {
    case DateStyle::None: return QString();
    case DateStyle::Short: return locale.dateFormat(QLocale::ShortFormat);
    case DateStyle::Medium: {
        // The long form without the weekday and with an abbreviated month.
        QString f = locale.dateFormat(QLocale::LongFormat);
        f.remove(QStringLiteral("dddd, ")).remove(QStringLiteral("dddd ")).remove(QStringLiteral("dddd"));
        f.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
        return f.trimmed();
    }
    case DateStyle::Long: {
        QString f = locale.dateFormat(QLocale::LongFormat);
        f.remove(QStringLiteral("dddd, ")).remove(QStringLiteral("dddd ")).remove(QStringLiteral("dddd"));
        return f.trimmed();
    }
    case DateStyle::Full: return locale.dateFormat(QLocale::LongFormat);
    }
    return QString();
}

QString timeFormat(DateStyle style) {
    const QLocale locale;
    switch (style) {
    case DateStyle::None: return QString();
    case DateStyle::Short: return locale.timeFormat(QLocale::ShortFormat);
    case DateStyle::Medium: {
        QString f = locale.timeFormat(QLocale::ShortFormat);
        if (!f.contains(QStringLiteral("ss"))) f.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
        return f;
    }
    case DateStyle::Long:
    case DateStyle::Full: return locale.timeFormat(QLocale::LongFormat);
    }
    return QString();
}

} // namespace

int year(const QDateTime& date) { return date.toLocalTime().date().year(); }

const QCalendar& gregorianCalendar() {
    static const QCalendar calendar(QCalendar::System::Gregorian);
    return calendar;
}

DateComponents gregorianDateComponents(const QDateTime& date, int components) {
    const QDateTime local = date.toLocalTime();
    const QCalendar::YearMonthDay ymd = gregorianCalendar().partsFromDate(local.date());
    const QTime t = local.time();
    DateComponents c;
    if (components & Era) c.era = ymd.year > 0 ? 1 : 0;
    if (components & Year) c.year = ymd.year > 0 ? ymd.year : 1 - ymd.year;
    if (components & Month) c.month = ymd.month;
    if (components & Day) c.day = ymd.day;
    if (components & Hour) c.hour = t.hour();
    if (components & Minute) c.minute = t.minute();
    if (components & Second) c.second = t.second();
    if (components & Weekday) c.weekday = gregorianCalendar().dayOfWeek(local.date()) % 7 + 1;
    return c;
}

QString localDescription(const QDateTime& date) {
    return QLocale().toString(date.toLocalTime(), QLocale::LongFormat);
}

QString descriptionWithDateStyle(const QDateTime& date, DateStyle style) {
    const QString f = dateFormat(style);
    return f.isEmpty() ? QString() : QLocale().toString(date.toLocalTime().date(), f);
}

QString descriptionWithTimeStyle(const QDateTime& date, DateStyle style) {
    const QString f = timeFormat(style);
    return f.isEmpty() ? QString() : QLocale().toString(date.toLocalTime().time(), f);
}

QString descriptionWithDateAndTimeStyle(const QDateTime& date, DateStyle style) {
    const QString d = descriptionWithDateStyle(date, style);
    const QString t = descriptionWithTimeStyle(date, style);
    if (d.isEmpty()) return t;
    if (t.isEmpty()) return d;
    return d + u' ' + t;
}

} // namespace kx::ns
