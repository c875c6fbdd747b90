#pragma once
// Conversions of property-list values (QVariant) with the rules of Foundation's
// string and number objects, so that settings and data files read the same way as
// the values their writers meant.
//
//   text    intValue/integerValue: leading white space, an optional sign, the digits
//           that follow ("5abc" gives 5, "abc" gives 0); out of range saturates.
//           doubleValue: the longest decimal number at the start (0 when none).
//           boolValue: YES when, after white space, an optional sign and any zeros,
//           the next character is Y, y, T, t or a digit 1 to 9.
//   number  the value converted (floating point truncated towards zero).
//   bool    1 or 0.
//   others  (data, dates, lists, dictionaries, nil) have no number value.

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace kx::ns {

bool isNil(const QVariant& v);
bool isString(const QVariant& v);
bool isBool(const QVariant& v);
// Integers, floating point and booleans (Foundation's number objects).
bool isNumber(const QVariant& v);
bool isFloatingPoint(const QVariant& v);
bool isData(const QVariant& v);
bool isDate(const QVariant& v);
bool isArray(const QVariant& v);
bool isDictionary(const QVariant& v);
// Arrays and dictionaries.
bool isCollection(const QVariant& v);

// True for the values that answer intValue, doubleValue and boolValue: strings and
// numbers.
bool hasNumberValue(const QVariant& v);
inline bool hasIntValue(const QVariant& v) { return hasNumberValue(v); }

std::int32_t intValue(const QVariant& v);
std::int64_t integerValue(const QVariant& v);
inline std::int64_t longLongValue(const QVariant& v) { return integerValue(v); }
double doubleValue(const QVariant& v);
float floatValue(const QVariant& v);
bool boolValue(const QVariant& v);

// The text rules on their own.
std::int32_t intValue(const QString& s);
std::int64_t integerValue(const QString& s);
double doubleValue(const QString& s);
bool boolValue(const QString& s);

// Number texts as Foundation's number objects print them: integers in decimal,
// doubles with up to 16 significant digits, floats with up to 7 ("%0.16g", "%0.7g").
QString numberText(std::int64_t n);
QString numberText(double d);
QString numberText(float f);
// A number object's stringValue (the same texts; booleans as 1 and 0).
QString stringValue(const QVariant& v);

// A date as Foundation prints it: "2001-01-01 00:00:00 +0000" (UTC).
QString dateDescription(const QDateTime& date);
// The date of such a text, with any offset "+HHMM" or "-HHMM"; an invalid date when the
// text has another form.
QDateTime dateFromDescription(const QString& text);

// The description of a value: strings as they are, numbers as above, data as
// "<0a0b0c0d 0e>", dates as above, nil as "(null)", arrays and dictionaries in the
// old-style property-list form with four-blank indentation, their strings quoted when
// they hold anything but letters, digits and _$.:/- (non-ASCII as \Unnnn), dictionary
// keys sorted.
QString description(const QVariant& v);

// A value equal to another as Foundation's isEqual: compares them (numbers by value,
// whatever their type; collections element by element).
bool isEqual(const QVariant& a, const QVariant& b);

// Strings and lists of a value, empty when it is of another type.
QString stringOrEmpty(const QVariant& v);
QVariantList arrayOrEmpty(const QVariant& v);
QVariantMap dictionaryOrEmpty(const QVariant& v);

} // namespace kx::ns
