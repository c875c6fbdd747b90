#pragma once
// Property lists: the XML form (read and write), the old-style text form of OpenStep
// (read and write) and the binary form "bplist00" (read).
//
// Values are QVariant: QString, qint64 (quint64 above INT64_MAX), double, bool,
// QByteArray, QDateTime (UTC), QVariantList and QVariantMap. Reading answers the value
// or an error text; a damaged input never crashes, hangs or reads past its end.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QStringList>
#include <optional>

namespace kx::plist {

enum class Format { Xml, OpenStep, Binary };

struct Result {
    QVariant value;
    QString error;  // empty when the read succeeded
    bool ok() const { return error.isEmpty(); }
};

// Collections nested deeper than this are refused (the readers recurse).
inline constexpr int MaxDepth = 512;

// Any of the three forms, told apart by their first bytes.
Result read(const QByteArray& bytes, Format* format = nullptr);
// A file in any form; a missing or unreadable file is an error.
Result readFile(const QString& path, Format* format = nullptr);

Result readXml(const QByteArray& bytes);
Result readOpenStep(const QByteArray& bytes);  // UTF-8, or UTF-16 with a byte-order mark
Result readOpenStep(const QString& text);
inline Result readOpenStep(const char* utf8) { return readOpenStep(QByteArray(utf8)); }
Result readBinary(const QByteArray& bytes);

// The XML form with Apple's header and layout: tabs, dictionary keys sorted. Values
// of other types (including nil) are written as their text.
QByteArray writeXml(const QVariant& value);
// The old-style text form: four-blank indentation, strings quoted when they need it,
// numbers and dates as their text, booleans as 1 and 0, data as <hex>.
QString writeOpenStep(const QVariant& value);

// Writes the XML form atomically (kx::AtomicFile): the old file stays intact until the
// new one is complete. Answers false and fills `error` when it could not be written,
// and refuses a value holding text that the XML form cannot carry.
bool writeXmlFile(const QString& path, const QVariant& value, QString* error = nullptr);

// Characters an XML 1.0 document cannot carry, escaped or not: the controls other than
// tab, line feed and carriage return, unpaired surrogates, U+FFFE and U+FFFF. A text
// holding one would make the file unreadable, so the program never stores such text.
bool isXmlCharacter(char32_t c);
// The first character of a text, or of the strings and dictionary keys inside a value,
// that XML cannot carry; nothing when there is none. An unpaired surrogate is answered
// as itself.
std::optional<char32_t> characterXmlCannotCarry(const QString& text);
std::optional<char32_t> characterXmlCannotCarry(const QVariant& value);
// "the text holds U+0000, which a settings file cannot carry": the error for a refused text.
QString unstorableTextError(char32_t c);
// The value without the dictionary entries and array elements whose text XML cannot
// carry (nil when the value itself is such a text); `dropped` receives the paths of
// what was left out ("applications/name", "list/2").
QVariant withoutUnstorableText(const QVariant& value, QStringList* dropped = nullptr, const QString& path = {});

// The value as it reads back from a written file: integers as qint64 (or quint64),
// floating point as double, dates in UTC, strings-lists as lists; nested too.
QVariant normalized(const QVariant& value);

} // namespace kx::plist
