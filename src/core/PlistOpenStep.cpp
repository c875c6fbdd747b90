// The old-style text form of property lists (OpenStep): strings, quoted or not,
// <hex data>, ( arrays ) and { key = value; } dictionaries, with // and /* */
// comments. A text of "key = value;" pairs without braces (the strings-file form) is
// read as a dictionary.

#include "core/FoundationValues.h"
#include "core/Plist.h"
#include "core/PlistOldStyle.h"

#include <QStringDecoder>

namespace kx::plist {

namespace detail {

bool isUnquotedCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           u == '_' || u == '$' || u == '/' || u == ':' || u == '.' || u == '-';
}

namespace {

QString quotedIfNeeded(const QString& s, OldStyle style) {
    bool plain = !s.isEmpty();
    for (QChar c : s)
        if (!isUnquotedCharacter(c)) { plain = false; break; }
    if (plain) return s;
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        const char16_t u = c.unicode();
        switch (u) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\a': out += QStringLiteral("\\a"); break;
        case '\b': out += QStringLiteral("\\b"); break;
        case '\f': out += QStringLiteral("\\f"); break;
        case '\v': out += QStringLiteral("\\v"); break;
        default:
            if (u < 0x20 || u == 0x7F)
                out += QStringLiteral("\\%1").arg(uint(u), 3, 8, QLatin1Char('0'));
            else if (u >= 0x80 && style == OldStyle::Description)
                out += QStringLiteral("\\U%1").arg(uint(u), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString dataText(const QByteArray& d) {
    QString out = QStringLiteral("<");
    const QByteArray hex = d.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 8) {
        if (i) out += u' ';
        out += QString::fromLatin1(hex.mid(i, 8));
    }
    out += u'>';
    return out;
}

void append(const QVariant& v, int indent, bool nested, OldStyle style, QString& out) {
    const QString pad(indent * 4, u' ');
    const QString inner((indent + 1) * 4, u' ');
    const bool quote = nested || style == OldStyle::File;
    if (ns::isArray(v)) {
        const QVariantList list = v.toList();
        out += QStringLiteral("(\n");
        for (qsizetype i = 0; i < list.size(); ++i) {
            out += inner;
            append(list[i], indent + 1, true, style, out);
            if (i + 1 < list.size()) out += u',';
            out += u'\n';
        }
        out += pad + u')';
    } else if (ns::isDictionary(v)) {
        const QVariantMap map = v.toMap();
        out += QStringLiteral("{\n");
        for (auto it = map.begin(); it != map.end(); ++it) {
            out += inner + quotedIfNeeded(it.key(), style) + QStringLiteral(" = ");
            append(it.value(), indent + 1, true, style, out);
            out += QStringLiteral(";\n");
        }
        out += pad + u'}';
    } else if (ns::isData(v)) {
        out += dataText(v.toByteArray());
    } else if (ns::isNumber(v)) {
        out += ns::stringValue(v);
    } else {
        QString s;
        if (ns::isString(v)) s = v.toString();
        else if (ns::isDate(v)) s = ns::dateDescription(v.toDateTime());
        else if (!v.isValid() || v.isNull()) s = QStringLiteral("(null)");
        else s = v.toString();
        out += quote ? quotedIfNeeded(s, style) : s;
    }
}

} // namespace

QString oldStyleText(const QVariant& value, OldStyle style) {
    QString out;
    append(value, 0, false, style, out);
    return out;
}

} // namespace detail

namespace {

class OpenStepReader {
public:
    explicit OpenStepReader(const QString& text) : s_(text) {}

    Result run() {
        if (!skip()) return failure();
        if (i_ >= s_.size()) return {QVariantMap(), {}};
        QVariant value;
        if (!parseObject(value, 0)) return failure();
        if (!skip()) return failure();
        if (i_ < s_.size()) {
            if (s_[i_] == u'=' && ns::isString(value)) {
                // "key = value;" pairs without braces.
                i_ = 0;
                error_.clear();
                QVariantMap map;
                if (!parseDictEntries(map, 0, false)) return failure();
                return {map, {}};
            }
            fail(QStringLiteral("unexpected text after the property list"));
            return failure();
        }
        return {value, {}};
    }

private:
    bool fail(const QString& message) {
        if (error_.isEmpty()) {
            int line = 1;
            for (qsizetype k = 0; k < i_ && k < s_.size(); ++k)
                if (s_[k] == u'\n') ++line;
            error_ = QStringLiteral("%1 at line %2").arg(message).arg(line);
        }
        return false;
    }
    Result failure() const { return {{}, error_}; }

    // White space and comments.
    bool skip() {
        while (i_ < s_.size()) {
            const char16_t u = s_[i_].unicode();
            if (u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\v' || u == '\f' ||
                u == 0xFEFF) {
                ++i_;
            } else if (u == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == u'/') {
                while (i_ < s_.size() && s_[i_] != u'\n' && s_[i_] != u'\r') ++i_;
            } else if (u == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == u'*') {
                const qsizetype end = s_.indexOf(QLatin1StringView("*/"), i_ + 2);
                if (end < 0) return fail(QStringLiteral("unterminated comment"));
                i_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool parseObject(QVariant& out, int depth) {
        if (depth > MaxDepth) return fail(QStringLiteral("collections nested too deeply"));
        if (!skip()) return false;
        if (i_ >= s_.size()) return fail(QStringLiteral("unexpected end of the property list"));
        const QChar c = s_[i_];
        if (c == u'{') {
            ++i_;
            QVariantMap map;
            if (!parseDictEntries(map, depth, true)) return false;
            out = map;
            return true;
        }
        if (c == u'(') {
            ++i_;
            return parseArray(out, depth);
        }
        if (c == u'<') {
            ++i_;
            return parseData(out);
        }
        if (c == u'"' || c == u'\'') {
            ++i_;
            QString s;
            if (!parseQuoted(c, s)) return false;
            out = s;
            return true;
        }
        if (detail::isUnquotedCharacter(c)) {
            const qsizetype start = i_;
            while (i_ < s_.size() && detail::isUnquotedCharacter(s_[i_])) ++i_;
            out = s_.mid(start, i_ - start);
            return true;
        }
        return fail(QStringLiteral("unexpected character '%1'").arg(c));
    }

    bool parseDictEntries(QVariantMap& map, int depth, bool braced) {
        for (;;) {
            if (!skip()) return false;
            if (i_ >= s_.size()) {
                if (braced) return fail(QStringLiteral("missing } at the end of a dictionary"));
                return true;
            }
            if (braced && s_[i_] == u'}') { ++i_; return true; }
            QVariant key;
            const qsizetype keyStart = i_;
            if (!parseObject(key, depth + 1)) return false;
            if (!ns::isString(key)) {
                i_ = keyStart;
                return fail(QStringLiteral("dictionary key is not a string"));
            }
            if (!skip()) return false;
            QVariant value;
            if (i_ < s_.size() && s_[i_] == u';') {
                // "key;" in a strings file stands for key = key.
                value = key;
            } else {
                if (i_ >= s_.size() || s_[i_] != u'=')
                    return fail(QStringLiteral("missing = after key \"%1\"").arg(key.toString()));
                ++i_;
                if (!parseObject(value, depth + 1)) return false;
                if (!skip()) return false;
            }
            map.insert(key.toString(), value);
            if (i_ < s_.size() && s_[i_] == u';') {
                ++i_;
            } else if (!(braced && i_ < s_.size() && s_[i_] == u'}')) {
                return fail(QStringLiteral("missing ; after the value of \"%1\"").arg(key.toString()));
            }
        }
    }

    bool parseArray(QVariant& out, int depth) {
        QVariantList list;
        for (;;) {
            if (!skip()) return false;
            if (i_ >= s_.size()) return fail(QStringLiteral("missing ) at the end of an array"));
            if (s_[i_] == u')') { ++i_; break; }
            QVariant v;
            if (!parseObject(v, depth + 1)) return false;
            list << v;
            if (!skip()) return false;
            if (i_ < s_.size() && s_[i_] == u',') { ++i_; continue; }
            if (i_ < s_.size() && s_[i_] == u')') { ++i_; break; }
            return fail(QStringLiteral("missing , or ) in an array"));
        }
        out = list;
        return true;
    }

    static int hexDigit(QChar c) {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') return u - '0';
        if (u >= 'a' && u <= 'f') return u - 'a' + 10;
        if (u >= 'A' && u <= 'F') return u - 'A' + 10;
        return -1;
    }

    bool parseData(QVariant& out) {
        QByteArray bytes;
        int high = -1;
        for (;;) {
            if (i_ >= s_.size()) return fail(QStringLiteral("missing > at the end of data"));
            const QChar c = s_[i_++];
            if (c == u'>') break;
            const char16_t u = c.unicode();
            if (u == ' ' || u == '\t' || u == '\n' || u == '\r') continue;
            const int d = hexDigit(c);
            if (d < 0) return fail(QStringLiteral("invalid character in data"));
            if (high < 0) high = d;
            else { bytes += char(high << 4 | d); high = -1; }
        }
        if (high >= 0) return fail(QStringLiteral("odd number of hex digits in data"));
        out = bytes;
        return true;
    }

    bool parseQuoted(QChar quote, QString& out) {
        for (;;) {
            if (i_ >= s_.size()) return fail(QStringLiteral("unterminated quoted string"));
            const QChar c = s_[i_++];
            if (c == quote) return true;
            if (c != u'\\') { out += c; continue; }
            if (i_ >= s_.size()) return fail(QStringLiteral("unterminated quoted string"));
            const QChar e = s_[i_++];
            switch (e.unicode()) {
            case 'a': out += u'\a'; break;
            case 'b': out += u'\b'; break;
            case 'f': out += u'\f'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'v': out += u'\v'; break;
            case 'U': case 'u': {
                uint code = 0;
                int n = 0;
                while (n < 4 && i_ < s_.size() && hexDigit(s_[i_]) >= 0) {
                    code = code * 16 + uint(hexDigit(s_[i_++]));
                    ++n;
                }
                out += QChar(char16_t(code));
                break;
            }
            default:
                if (e.unicode() >= '0' && e.unicode() <= '7') {
                    uint code = e.unicode() - '0';
                    int n = 1;
                    while (n < 3 && i_ < s_.size() && s_[i_].unicode() >= '0' && s_[i_].unicode() <= '7') {
                        code = code * 8 + (s_[i_++].unicode() - '0');
                        ++n;
                    }
                    out += QChar(char16_t(code & 0xFF));
                } else {
                    out += e;
                }
            }
        }
    }

    const QString& s_;
    qsizetype i_ = 0;
    QString error_;
};

} // namespace

Result readOpenStep(const QString& text) { return OpenStepReader(text).run(); }

Result readOpenStep(const QByteArray& bytes) {
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(bytes.startsWith("\xFE\xFF") ? QStringConverter::Utf16BE
                                                            : QStringConverter::Utf16LE);
        return readOpenStep(QString(decoder.decode(bytes.mid(2))));
    }
    return readOpenStep(QString::fromUtf8(bytes));
}

QString writeOpenStep(const QVariant& value) {
    return detail::oldStyleText(value, detail::OldStyle::File) + u'\n';
}

} // namespace kx::plist
