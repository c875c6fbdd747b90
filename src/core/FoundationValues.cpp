#include "core/FoundationValues.h"

#include "core/PlistOldStyle.h"

#include <QStringList>
#include <QTimeZone>
#include <charconv>
#include <cmath>
#include <limits>

namespace kx::ns {

namespace {

bool isIntegerType(int t) {
    switch (t) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\v' || u == '\f' ||
           u == 0xA0 || (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 ||
           u == 0x202F || u == 0x205F || u == 0x3000;
}

qsizetype skipBlanks(const QString& s, qsizetype i = 0) {
    while (i < s.size() && isBlank(s[i])) ++i;
    return i;
}

template <typename T> T saturatingTextValue(const QString& s) {
    qsizetype i = skipBlanks(s);
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }
    // Accumulate as a negative number so that the minimum fits.
    T value = 0;
    bool overflow = false;
    for (; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (u < '0' || u > '9') break;
        const int d = u - '0';
        if (!overflow) {
            if (value < (std::numeric_limits<T>::min() + d) / 10) overflow = true;
            else value = value * 10 - d;
        }
    }
    if (overflow) return negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    if (negative) return value;
    if (value == std::numeric_limits<T>::min()) return std::numeric_limits<T>::max();
    return -value;
}

template <typename T> T clampDouble(double d) {
    if (std::isnan(d)) return 0;
    if (d >= double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    if (d <= double(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    return static_cast<T>(d);
}

} // namespace

bool isNil(const QVariant& v) { return !v.isValid() || v.typeId() == QMetaType::Nullptr; }
bool isString(const QVariant& v) { return v.typeId() == QMetaType::QString; }
bool isBool(const QVariant& v) { return v.typeId() == QMetaType::Bool; }
bool isFloatingPoint(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}
bool isNumber(const QVariant& v) { return isBool(v) || isFloatingPoint(v) || isIntegerType(v.typeId()); }
bool isData(const QVariant& v) { return v.typeId() == QMetaType::QByteArray; }
bool isDate(const QVariant& v) { return v.typeId() == QMetaType::QDateTime; }
bool isArray(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList;
}
bool isDictionary(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantMap || v.typeId() == QMetaType::QVariantHash;
}
bool isCollection(const QVariant& v) { return isArray(v) || isDictionary(v); }
bool hasNumberValue(const QVariant& v) { return isString(v) || isNumber(v); }

std::int32_t intValue(const QString& s) { return saturatingTextValue<std::int32_t>(s); }
std::int64_t integerValue(const QString& s) { return saturatingTextValue<std::int64_t>(s); }

double doubleValue(const QString& s) {
    qsizetype i = skipBlanks(s);
    QByteArray number;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) number += char(s[i++].unicode());
    auto digits = [&] {
        qsizetype n = 0;
        while (i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9') {
            number += char(s[i++].unicode());
            ++n;
        }
        return n;
    };
    qsizetype mantissa = digits();
    if (i < s.size() && s[i] == u'.') {
        number += '.';
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0.0;
    if (i + 1 < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == u'-' || s[j] == u'+')) ++j;
        if (j < s.size() && s[j].unicode() >= '0' && s[j].unicode() <= '9') {
            number += 'e';
            while (i + 1 < j) number += char(s[++i].unicode());
            ++i;
            digits();
        }
    }
    const char* begin = number.constData();
    if (*begin == '+') ++begin;
    double d = 0.0;
    const auto r = std::from_chars(begin, number.constData() + number.size(), d);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small gives zero, both with the sign.
        const bool negative = number.startsWith('-');
        const qsizetype e = number.indexOf('e');
        const bool tiny = e >= 0 && number.at(e + 1) == '-';
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return d;
}

bool boolValue(const QString& s) {
    qsizetype i = skipBlanks(s);
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) ++i;
    while (i < s.size() && s[i] == u'0') ++i;
    if (i >= s.size()) return false;
    const char16_t u = s[i].unicode();
    return u == 'Y' || u == 'y' || u == 'T' || u == 't' || (u >= '1' && u <= '9');
}

std::int32_t intValue(const QVariant& v) {
    if (isString(v)) return intValue(v.toString());
    if (isBool(v)) return v.toBool() ? 1 : 0;
    if (isFloatingPoint(v)) return clampDouble<std::int32_t>(v.toDouble());
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong) {
        const quint64 u = v.toULongLong();
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(u));
    }
    if (isIntegerType(v.typeId())) return static_cast<std::int32_t>(v.toLongLong());
    return 0;
}

std::int64_t integerValue(const QVariant& v) {
    if (isString(v)) return integerValue(v.toString());
    if (isBool(v)) return v.toBool() ? 1 : 0;
    if (isFloatingPoint(v)) return clampDouble<std::int64_t>(v.toDouble());
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong)
        return static_cast<std::int64_t>(v.toULongLong());
    if (isIntegerType(v.typeId())) return v.toLongLong();
    return 0;
}

double doubleValue(const QVariant& v) {
    if (isString(v)) return doubleValue(v.toString());
    if (isBool(v)) return v.toBool() ? 1.0 : 0.0;
    if (isFloatingPoint(v)) return v.toDouble();
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong)
        return double(v.toULongLong());
    if (isIntegerType(v.typeId())) return double(v.toLongLong());
    return 0.0;
}

float floatValue(const QVariant& v) { return static_cast<float>(doubleValue(v)); }

bool boolValue(const QVariant& v) {
    if (isString(v)) return boolValue(v.toString());
    if (isFloatingPoint(v)) return v.toDouble() != 0.0;
    if (isNumber(v)) return v.toULongLong() != 0 || v.toLongLong() != 0;
    return false;
}

QString numberText(std::int64_t n) { return QString::number(n); }
QString numberText(double d) {
    if (std::isnan(d)) return QStringLiteral("nan");
    if (std::isinf(d)) return d < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    return QString::number(d, 'g', 16);
}
QString numberText(float f) {
    if (std::isnan(f)) return QStringLiteral("nan");
    if (std::isinf(f)) return f < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    return QString::number(double(f), 'g', 7);
}

QString stringValue(const QVariant& v) {
    if (isBool(v)) return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (v.typeId() == QMetaType::Float) return numberText(v.toFloat());
    if (v.typeId() == QMetaType::Double) return numberText(v.toDouble());
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong)
        return QString::number(v.toULongLong());
    if (isIntegerType(v.typeId())) return numberText(std::int64_t(v.toLongLong()));
    return description(v);
}

QString dateDescription(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

QDateTime dateFromDescription(const QString& text) {
    // "yyyy-MM-dd HH:mm:ss +HHMM"
    if (text.size() != 25 || text[19] != u' ' || (text[20] != u'+' && text[20] != u'-')) return {};
    QDateTime local = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    bool okHours = false, okMinutes = false;
    const int hours = text.mid(21, 2).toInt(&okHours);
    const int minutes = text.mid(23, 2).toInt(&okMinutes);
    if (!local.isValid() || !okHours || !okMinutes || minutes > 59) return {};
    const int offset = (text[20] == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return QDateTime(local.date(), local.time(), QTimeZone(offset)).toUTC();
}

QString description(const QVariant& v) {
    return plist::detail::oldStyleText(v, plist::detail::OldStyle::Description);
}

bool isEqual(const QVariant& a, const QVariant& b) {
    if (isNumber(a) && isNumber(b)) {
        if (isFloatingPoint(a) || isFloatingPoint(b)) return doubleValue(a) == doubleValue(b);
        const bool ua = a.typeId() == QMetaType::ULongLong || a.typeId() == QMetaType::ULong;
        const bool ub = b.typeId() == QMetaType::ULongLong || b.typeId() == QMetaType::ULong;
        if (ua || ub) {
            if (!ua && a.toLongLong() < 0) return false;
            if (!ub && b.toLongLong() < 0) return false;
            return a.toULongLong() == b.toULongLong();
        }
        return integerValue(a) == integerValue(b);
    }
    if (isArray(a) && isArray(b)) {
        const QVariantList la = a.toList(), lb = b.toList();
        if (la.size() != lb.size()) return false;
        for (qsizetype i = 0; i < la.size(); ++i)
            if (!isEqual(la[i], lb[i])) return false;
        return true;
    }
    if (isDictionary(a) && isDictionary(b)) {
        const QVariantMap ma = a.toMap(), mb = b.toMap();
        if (ma.size() != mb.size()) return false;
        for (auto it = ma.begin(); it != ma.end(); ++it) {
            auto other = mb.find(it.key());
            if (other == mb.end() || !isEqual(it.value(), other.value())) return false;
        }
        return true;
    }
    if (isString(a) && isString(b)) return a.toString() == b.toString();
    if (isData(a) && isData(b)) return a.toByteArray() == b.toByteArray();
    if (isDate(a) && isDate(b)) return a.toDateTime() == b.toDateTime();
    const bool nilA = !a.isValid(), nilB = !b.isValid();
    if (nilA || nilB) return nilA == nilB;
    return a.typeId() == b.typeId() && a == b;
}

QString stringOrEmpty(const QVariant& v) { return isString(v) ? v.toString() : QString(); }
QVariantList arrayOrEmpty(const QVariant& v) { return isArray(v) ? v.toList() : QVariantList(); }
QVariantMap dictionaryOrEmpty(const QVariant& v) { return isDictionary(v) ? v.toMap() : QVariantMap(); }

} // namespace kx::ns
