#pragma once
// Operations on text used across the system: counting and walking Unicode characters
// (not UTF-16 units), trimming, splitting, Mac OS Roman decoding, numeric parsing and a
// few conversions. "Unit" means one UTF-16 unit.

#include <QByteArray>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <QStringView>

namespace kx::str {

// Length in units less one for every low surrogate directly after a high surrogate.
qsizetype numberOfUnicodeCharacters(const QString& s);

// The code point at unit i: a high surrogate followed by a low one gives the combined
// code point, any other unit is returned as it is; 0 when i lies outside the text.
char32_t longCharacterAtIndex(const QString& s, qsizetype i);

// Walks the code points of a text as Qt's QStringIterator does (which Qt keeps among its
// private headers): a high surrogate followed by a low one is one code point, every other
// unit is a code point of its own, a broken half of a pair included. brokenHalf() tells
// whether the code point read last was such a half, so that each caller keeps its own rule
// for broken text.
class CodePointIterator {
public:
    // Begins at unit `from`.
    explicit CodePointIterator(QStringView text, qsizetype from = 0) : text_(text), pos_(from) {}
    bool hasNext() const { return pos_ < text_.size(); }
    // The unit at which the next code point begins.
    qsizetype index() const { return pos_; }
    char32_t next() {
        const char16_t u = text_[pos_++].unicode();
        broken_ = false;
        if (!QChar::isSurrogate(u)) return u;
        if (QChar::isHighSurrogate(u) && pos_ < text_.size() && QChar::isLowSurrogate(text_[pos_].unicode()))
            return QChar::surrogateToUcs4(u, text_[pos_++].unicode());
        broken_ = true;
        return u;
    }
    bool brokenHalf() const { return broken_; }
    // Passes over one unit unread.
    void skipUnit() {
        if (hasNext()) ++pos_;
    }

private:
    QStringView text_;
    qsizetype pos_;
    bool broken_ = false;
};

// Calls fn(char32_t) for each code point in order: surrogate pairs combined; a high
// surrogate not followed by a low one is skipped together with the unit after it; a
// lone low surrogate is passed on as its own value.
template <typename Fn> void forUTF32Characters(const QString& s, Fn&& fn) {
    CodePointIterator it(s);
    while (it.hasNext()) {
        const char32_t c = it.next();
        if (it.brokenHalf() && QChar::isHighSurrogate(c)) {
            it.skipUnit();
            continue;
        }
        fn(c);
    }
}

// The code points as "%04X" joined by ",".
QString UTF32SequenceString(const QString& s);

// Without leading and trailing units up to U+0020 and U+00A0. Answers the text itself
// (sharing its data) when nothing is removed, "" when nothing else remains.
QString stringByTrimmingWhitespace(const QString& s);

// Trimmed of white space (the Unicode White_Space characters, line ends included) at
// both ends.
QString trimWhitespace(const QString& s);

// The pieces between occurrences of the unit c: empty pieces are kept, a trailing c
// gives no empty last piece, an empty text gives no pieces.
QStringList componentsSeparatedByCharacter(const QString& s, char16_t c);

// The text n times ("" for n < 1), built by doubling. A result too large to hold is
// refused: "" and a log line.
QString repeated(const QString& s, qsizetype n);

// The UTF-8 text read as a C integer literal (leading blanks and a sign allowed; "0x"
// hexadecimal, a leading 0 octal, else decimal), stopping at the first character that
// does not fit; 0 when nothing fits. Values beyond 64 bits saturate.
long long numericValue(const QString& s);

// -1, 0 or 1: comparison ignoring case, with runs of ASCII digits compared by value.
int caseInsensitiveNumericCompare(const QString& a, const QString& b);

// Mac OS Roman bytes decoded: up to the first 0 byte, or exactly n bytes.
QString stringWithMacRomanCString(const char* bytes);
QString stringWithMacRomanCString(const char* bytes, qsizetype n);
QString stringWithMacRomanCString(const QByteArray& bytes);

// The MD5 digest of the UTF-8 bytes as 32 lower-case hexadecimal digits.
QString MD5String(const QString& s);

// Appends the text, encoded, at the end of the file, creating the file when it does not
// exist. False when the file cannot be opened or written.
bool appendToFile(const QString& s, const QString& path,
                  QStringConverter::Encoding encoding = QStringConverter::Utf8);

} // namespace kx::str
