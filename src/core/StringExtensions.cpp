#include "core/StringExtensions.h"

#include "core/Log.h"
#include "core/RbxMacRoman.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringEncoder>
#include <cstdlib>
#include <cstring>

namespace kx::str {

namespace {

// Longest text `repeated` builds (2 GiB of UTF-16).
constexpr qsizetype kMaxRepeatedLength = qsizetype{1} << 30;

bool isTrimmedUnit(char16_t u) { return u <= 0x20 || u == 0xA0; }

bool isWhiteSpace(char16_t u) {
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F ||
           u == 0x205F || u == 0x3000;
}

bool isDigit(char16_t u) { return u >= u'0' && u <= u'9'; }

} // namespace

qsizetype numberOfUnicodeCharacters(const QString& s) {
    qsizetype n = 0;
    for (CodePointIterator it(s); it.hasNext(); it.next()) ++n;
    return n;
}

char32_t longCharacterAtIndex(const QString& s, qsizetype i) {
    if (i < 0 || i >= s.size()) return 0;
    return CodePointIterator(s, i).next();
}

QString UTF32SequenceString(const QString& s) {
    QString out;
    forUTF32Characters(s, [&](char32_t c) {
        if (!out.isEmpty()) out += u',';
        out += QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
    });
    return out;
}

QString stringByTrimmingWhitespace(const QString& s) {
    qsizetype start = 0, end = s.size();
    while (start < end && isTrimmedUnit(s[start].unicode())) ++start;
    while (end > start && isTrimmedUnit(s[end - 1].unicode())) --end;
    if (start == 0 && end == s.size()) return s;
    if (start == end) return QStringLiteral("");
    return s.mid(start, end - start);
}

QString trimWhitespace(const QString& s) {
    qsizetype start = 0, end = s.size();
    while (start < end && isWhiteSpace(s[start].unicode())) ++start;
    while (end > start && isWhiteSpace(s[end - 1].unicode())) --end;
    return s.mid(start, end - start);
}

QStringList componentsSeparatedByCharacter(const QString& s, char16_t c) {
    QStringList pieces;
    qsizetype from = 0;
    const qsizetype n = s.size();
    while (from < n) {
        qsizetype at = s.indexOf(QChar(c), from);
        if (at < 0) at = n;
        pieces << s.mid(from, at - from);
        from = at + 1;
    }
    return pieces;
}

QString repeated(const QString& s, qsizetype n) {
    if (n < 1 || s.isEmpty()) return QStringLiteral("");
    if (n > kMaxRepeatedLength / s.size()) {
        kx::log(QStringLiteral("repeated: a text of %1 units %2 times refused").arg(s.size()).arg(n));
        return QStringLiteral("");
    }
    QString out;
    out.reserve(s.size() * n);
    QString doubling = s;
    // Binary expansion of n: append the doubled piece for each bit set.
    for (qsizetype k = n;;) {
        if (k & 1) out += doubling;
        k >>= 1;
        if (!k) break;
        doubling += doubling;
    }
    return out;
}

long long numericValue(const QString& s) {
    // A short text of ASCII (any number strtoll reads) is converted without allocating.
    char ascii[32];
    if (s.size() < qsizetype(sizeof ascii)) {
        qsizetype n = 0;
        for (const QChar c : s) {
            if (c.unicode() >= 0x80) break;
            ascii[n++] = char(c.unicode());
        }
        if (n == s.size()) {
            ascii[n] = 0;
            return std::strtoll(ascii, nullptr, 0);
        }
    }
    const QByteArray utf8 = s.toUtf8();
    return std::strtoll(utf8.constData(), nullptr, 0);
}

int caseInsensitiveNumericCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    const qsizetype na = a.size(), nb = b.size();
    while (i < na && j < nb) {
        if (isDigit(a[i].unicode()) && isDigit(b[j].unicode())) {
            qsizetype ei = i, ej = j;
            while (ei < na && isDigit(a[ei].unicode())) ++ei;
            while (ej < nb && isDigit(b[ej].unicode())) ++ej;
            qsizetype si = i, sj = j;
            while (si < ei - 1 && a[si] == u'0') ++si;
            while (sj < ej - 1 && b[sj] == u'0') ++sj;
            const qsizetype la = ei - si, lb = ej - sj;
            if (la != lb) return la < lb ? -1 : 1;
            for (qsizetype k = 0; k < la; ++k) {
                const char16_t x = a[si + k].unicode(), y = b[sj + k].unicode();
                if (x != y) return x < y ? -1 : 1;
            }
            i = ei;
            j = ej;
            continue;
        }
        CodePointIterator ia(a, i), ib(b, j);
        const char32_t ca = QChar::toCaseFolded(ia.next());
        const char32_t cb = QChar::toCaseFolded(ib.next());
        if (ca != cb) return ca < cb ? -1 : 1;
        i = ia.index();
        j = ib.index();
    }
    if (i < na) return 1;
    if (j < nb) return -1;
    return 0;
}

QString stringWithMacRomanCString(const char* bytes, qsizetype n) {
    QString out;
    if (!bytes || n <= 0) return out;
    out.resize(n);
    QChar* d = out.data();
    for (qsizetype i = 0; i < n; ++i)
        d[i] = QChar(static_cast<char16_t>(RbxMacRoman::unicodeForMacRoman(static_cast<unsigned char>(bytes[i]))));
    return out;
}

QString stringWithMacRomanCString(const char* bytes) {
    if (!bytes) return QString();
    return stringWithMacRomanCString(bytes, static_cast<qsizetype>(std::strlen(bytes)));
}

QString stringWithMacRomanCString(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    return stringWithMacRomanCString(bytes.constData(), nul < 0 ? bytes.size() : nul);
}

QString MD5String(const QString& s) {
    return QString::fromLatin1(QCryptographicHash::hash(s.toUtf8(), QCryptographicHash::Md5).toHex());
}

bool appendToFile(const QString& s, const QString& path, QStringConverter::Encoding encoding) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        kx::log(QStringLiteral("could not open %1 for appending: %2").arg(path, f.errorString()));
        return false;
    }
    QStringEncoder encoder(encoding);
    const QByteArray bytes = encoder.encode(s);
    const bool ok = f.write(bytes) == bytes.size();
    f.close();
    return ok && f.error() == QFileDevice::NoError;
}

} // namespace kx::str
