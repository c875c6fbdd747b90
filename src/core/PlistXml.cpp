// The XML form of property lists. The reader is a small parser of its own for the
// elements of the property-list DTD: it accepts what Apple's writer produces
// (including raw control characters) and refuses anything malformed with an error.

#include "core/FoundationValues.h"
#include "core/Plist.h"

#include <QTimeZone>
#include <cmath>
#include <limits>

namespace kx::plist {

namespace {

// Reads the UTF-8 bytes themselves: markup is ASCII, so only the character data of
// keys and values is decoded, each run on its own, and no text of the whole file is made.
// A run never ends inside a multi-byte sequence (it ends at '<' or '&'), so the values are
// those of decoding the whole file at once, invalid sequences included.
class XmlReader {
public:
    explicit XmlReader(QByteArrayView bytes) : s_(bytes) {}

    Result run() {
        if (!skipMisc()) return failure();
        Tag top;
        if (!readTag(top)) return failure();
        if (top.closing) return fail(QStringLiteral("unexpected closing tag </%1>").arg(text(top.name))), failure();
        QVariant value;
        if (top.name == "plist") {
            if (top.empty) return fail(QStringLiteral("empty property list")), failure();
            if (!skipMisc()) return failure();
            Tag inner;
            if (!readTag(inner)) return failure();
            if (inner.closing) return fail(QStringLiteral("empty property list")), failure();
            if (!parseValue(inner, value, 0)) return failure();
            if (!skipMisc() || !expectClose("plist")) return failure();
        } else if (!parseValue(top, value, 0)) {
            return failure();
        }
        if (!skipMisc()) return failure();
        if (i_ < s_.size()) return fail(QStringLiteral("unexpected text after the property list")), failure();
        return {value, {}};
    }

private:
    struct Tag {
        QByteArrayView name;  // within the bytes read
        bool closing = false;
        bool empty = false;
    };

    static QString text(QByteArrayView utf8) { return QString::fromUtf8(utf8); }

    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = QStringLiteral("%1 at line %2").arg(message).arg(lineAt(i_));
        return false;
    }
    Result failure() const { return {{}, error_.isEmpty() ? QStringLiteral("malformed XML") : error_}; }

    int lineAt(qsizetype pos) const {
        int line = 1;
        for (qsizetype k = 0; k < pos && k < s_.size(); ++k)
            if (s_[k] == '\n') ++line;
        return line;
    }

    bool startsWith(QByteArrayView what) const { return s_.sliced(i_).startsWith(what); }

    qsizetype indexOf(QByteArrayView what, qsizetype from) const {
        const qsizetype k = s_.sliced(from).indexOf(what);
        return k < 0 ? -1 : from + k;
    }

    void skipBlanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }

    // Skips to just after `end`; fails when it never comes.
    bool skipPast(QByteArrayView end, const char* what) {
        const qsizetype k = indexOf(end, i_);
        if (k < 0) return fail(QStringLiteral("unterminated %1").arg(QLatin1String(what)));
        i_ = k + end.size();
        return true;
    }

    // White space, comments, processing instructions and the document type.
    bool skipMisc() {
        for (;;) {
            skipBlanks();
            // Mostly an element's tag comes next.
            if (i_ + 1 < s_.size() && s_[i_] == '<' && s_[i_ + 1] != '!' && s_[i_ + 1] != '?') return true;
            if (startsWith("<!--")) {
                if (!skipPast("-->", "comment")) return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>", "processing instruction")) return false;
            } else if (startsWith("<!DOCTYPE")) {
                // Skip to the closing '>' outside quotes and an internal subset.
                i_ += 9;
                char quote = 0;
                int bracket = 0;
                for (;; ++i_) {
                    if (i_ >= s_.size()) return fail(QStringLiteral("unterminated document type"));
                    const char c = s_[i_];
                    if (quote) { if (c == quote) quote = 0; continue; }
                    if (c == '"' || c == '\'') quote = c;
                    else if (c == '[') ++bracket;
                    else if (c == ']') --bracket;
                    else if (c == '>' && bracket <= 0) { ++i_; break; }
                }
            } else {
                return true;
            }
        }
    }

    bool readTag(Tag& tag) {
        if (i_ >= s_.size()) return fail(QStringLiteral("unexpected end of the property list"));
        if (s_[i_] != '<') return fail(QStringLiteral("unexpected text"));
        ++i_;
        tag = Tag{};
        if (i_ < s_.size() && s_[i_] == '/') { tag.closing = true; ++i_; }
        const qsizetype start = i_;
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\n' || c == '\r') break;
            ++i_;
        }
        tag.name = s_.sliced(start, i_ - start);
        if (tag.name.isEmpty()) return fail(QStringLiteral("tag without a name"));
        // Attributes are skipped.
        char quote = 0;
        for (;; ++i_) {
            if (i_ >= s_.size()) return fail(QStringLiteral("unterminated tag <%1").arg(text(tag.name)));
            const char c = s_[i_];
            if (quote) { if (c == quote) quote = 0; continue; }
            if (c == '"' || c == '\'') quote = c;
            else if (c == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == '>') {
                tag.empty = true;
                i_ += 2;
                break;
            } else if (c == '>') { ++i_; break; }
        }
        if (tag.closing && tag.empty) return fail(QStringLiteral("malformed closing tag"));
        return true;
    }

    bool expectClose(QByteArrayView name) {
        Tag tag;
        if (!readTag(tag)) return false;
        if (!tag.closing || tag.name != name)
            return fail(QStringLiteral("expected </%1>, found <%2%3>")
                            .arg(text(name), tag.closing ? QStringLiteral("/") : QString(), text(tag.name)));
        return true;
    }

    bool appendEntity(QString& out) {
        const qsizetype end = indexOf(";", i_);
        if (end < 0 || end - i_ > 12) return fail(QStringLiteral("malformed entity"));
        const QByteArrayView name = s_.sliced(i_ + 1, end - i_ - 1);
        i_ = end + 1;
        if (name == "lt") out += u'<';
        else if (name == "gt") out += u'>';
        else if (name == "amp") out += u'&';
        else if (name == "quot") out += u'"';
        else if (name == "apos") out += u'\'';
        else if (name.startsWith('#')) {
            bool ok = false;
            const QByteArray number = name.startsWith("#x") ? name.sliced(2).toByteArray() : name.sliced(1).toByteArray();
            const uint code = number.toUInt(&ok, name.startsWith("#x") ? 16 : 10);
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return fail(QStringLiteral("invalid character reference &%1;").arg(text(name)));
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
        } else {
            return fail(QStringLiteral("unknown entity &%1;").arg(text(name)));
        }
        return true;
    }

    // Character data up to the closing tag of `name`.
    bool readText(QByteArrayView name, QString& out) {
        for (;;) {
            if (i_ >= s_.size()) return fail(QStringLiteral("unterminated <%1>").arg(text(name)));
            const char c = s_[i_];
            if (c == '&') {
                if (!appendEntity(out)) return false;
            } else if (c == '<') {
                if (startsWith("<![CDATA[")) {
                    const qsizetype end = indexOf("]]>", i_ + 9);
                    if (end < 0) return fail(QStringLiteral("unterminated CDATA section"));
                    append(out, s_.sliced(i_ + 9, end - i_ - 9));
                    i_ = end + 3;
                } else if (startsWith("<!--")) {
                    if (!skipPast("-->", "comment")) return false;
                } else {
                    return expectClose(name);
                }
            } else {
                // A run of plain characters at once.
                const qsizetype from = i_;
                while (i_ < s_.size() && s_[i_] != '&' && s_[i_] != '<') ++i_;
                append(out, s_.sliced(from, i_ - from));
            }
        }
    }

    // The common case, one run and nothing else, decodes straight into the value.
    static void append(QString& out, QByteArrayView utf8) {
        if (out.isEmpty()) out = QString::fromUtf8(utf8);
        else out += QString::fromUtf8(utf8);
    }

    bool parseValue(const Tag& tag, QVariant& out, int depth) {
        if (tag.closing) return fail(QStringLiteral("unexpected </%1>").arg(text(tag.name)));
        if (depth > MaxDepth) return fail(QStringLiteral("collections nested too deeply"));
        const QByteArrayView n = tag.name;
        if (n == "dict") return parseDict(tag, out, depth);
        if (n == "array") return parseArray(tag, out, depth);
        if (n == "true" || n == "false") {
            if (!tag.empty) {
                skipBlanks();
                if (!expectClose(n)) return false;
            }
            out = QVariant(n == "true");
            return true;
        }
        QString text;
        if (!tag.empty && !readText(n, text)) return false;
        if (n == "string" || n == "key") {
            out = std::move(text);
        } else if (n == "integer") {
            return parseInteger(text.trimmed(), out);
        } else if (n == "real") {
            return parseReal(text.trimmed(), out);
        } else if (n == "data") {
            QByteArray base64;
            for (QChar c : text) {
                const char16_t u = c.unicode();
                if (u == ' ' || u == '\t' || u == '\n' || u == '\r') continue;
                base64 += char(u < 0x80 ? u : '!');
            }
            auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded) return fail(QStringLiteral("invalid base64 data"));
            out = *decoded;
        } else if (n == "date") {
            QDateTime d = QDateTime::fromString(text.trimmed(), Qt::ISODate);
            if (!d.isValid()) return fail(QStringLiteral("invalid date \"%1\"").arg(text.trimmed()));
            out = d.toUTC();
        } else {
            return fail(QStringLiteral("unknown element <%1>").arg(XmlReader::text(n)));
        }
        return true;
    }

    bool parseInteger(const QString& t, QVariant& out) {
        QString digits = t;
        bool negative = false;
        if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
            negative = digits.startsWith(u'-');
            digits.remove(0, 1);
        }
        int base = 10;
        if (digits.startsWith(QLatin1String("0x")) || digits.startsWith(QLatin1String("0X"))) {
            base = 16;
            digits.remove(0, 2);
        }
        bool ok = !digits.isEmpty();
        for (QChar c : digits) {
            const char16_t u = c.unicode();
            const bool hex = (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
            if (!((u >= '0' && u <= '9') || (base == 16 && hex))) ok = false;
        }
        const quint64 u = ok ? digits.toULongLong(&ok, base) : 0;
        if (!ok) return fail(QStringLiteral("invalid integer \"%1\"").arg(t));
        if (negative) {
            if (u > quint64(std::numeric_limits<qint64>::max()) + 1)
                return fail(QStringLiteral("integer out of range \"%1\"").arg(t));
            out = QVariant::fromValue(qint64(0 - u));
        } else if (u > quint64(std::numeric_limits<qint64>::max())) {
            out = QVariant::fromValue(u);
        } else {
            out = QVariant::fromValue(qint64(u));
        }
        return true;
    }

    bool parseReal(const QString& t, QVariant& out) {
        const QString l = t.toLower();
        if (l == QLatin1String("nan")) { out = std::numeric_limits<double>::quiet_NaN(); return true; }
        if (l == QLatin1String("+infinity") || l == QLatin1String("infinity") || l == QLatin1String("inf") ||
            l == QLatin1String("+inf")) {
            out = std::numeric_limits<double>::infinity();
            return true;
        }
        if (l == QLatin1String("-infinity") || l == QLatin1String("-inf")) {
            out = -std::numeric_limits<double>::infinity();
            return true;
        }
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok) return fail(QStringLiteral("invalid real \"%1\"").arg(t));
        out = d;
        return true;
    }

    bool parseArray(const Tag& tag, QVariant& out, int depth) {
        QVariantList list;
        if (!tag.empty) {
            for (;;) {
                if (!skipMisc()) return false;
                Tag t;
                if (!readTag(t)) return false;
                if (t.closing) {
                    if (t.name != "array") return fail(QStringLiteral("expected </array>"));
                    break;
                }
                QVariant v;
                if (!parseValue(t, v, depth + 1)) return false;
                list.append(std::move(v));
            }
        }
        out = std::move(list);
        return true;
    }

    bool parseDict(const Tag& tag, QVariant& out, int depth) {
        QVariantMap map;
        if (!tag.empty) {
            for (;;) {
                if (!skipMisc()) return false;
                Tag t;
                if (!readTag(t)) return false;
                if (t.closing) {
                    if (t.name != "dict") return fail(QStringLiteral("expected </dict>"));
                    break;
                }
                if (t.name != "key") return fail(QStringLiteral("expected <key>, found <%1>").arg(text(t.name)));
                QString key;
                if (!t.empty && !readText(t.name, key)) return false;
                if (!skipMisc()) return false;
                Tag valueTag;
                if (!readTag(valueTag)) return false;
                if (valueTag.closing) return fail(QStringLiteral("key \"%1\" without a value").arg(key));
                QVariant v;
                if (!parseValue(valueTag, v, depth + 1)) return false;
                map.insert(key, std::move(v));
            }
        }
        out = std::move(map);
        return true;
    }

    const QByteArrayView s_;
    qsizetype i_ = 0;
    QString error_;
};

void appendEscaped(QByteArray& out, const QString& s) {
    QString e;
    e.reserve(s.size());
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u == '&') e += QStringLiteral("&amp;");
        else if (u == '<') e += QStringLiteral("&lt;");
        else if (u == '>') e += QStringLiteral("&gt;");
        else if ((u < 0x20 && u != '\t' && u != '\n') || u == 0x7F)
            e += QStringLiteral("&#%1;").arg(uint(u));
        else e += c;
    }
    out += e.toUtf8();
}

QString realText(double d) {
    if (std::isnan(d)) return QStringLiteral("nan");
    if (std::isinf(d)) return d < 0 ? QStringLiteral("-infinity") : QStringLiteral("+infinity");
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

void writeValue(QByteArray& out, const QVariant& v, int indent) {
    const QByteArray tabs(indent, '\t');
    out += tabs;
    if (ns::isDictionary(v)) {
        const QVariantMap map = v.toMap();
        if (map.isEmpty()) { out += "<dict/>\n"; return; }
        out += "<dict>\n";
        for (auto it = map.begin(); it != map.end(); ++it) {
            out += tabs + "\t<key>";
            appendEscaped(out, it.key());
            out += "</key>\n";
            writeValue(out, it.value(), indent + 1);
        }
        out += tabs + "</dict>\n";
    } else if (ns::isArray(v)) {
        const QVariantList list = v.toList();
        if (list.isEmpty()) { out += "<array/>\n"; return; }
        out += "<array>\n";
        for (const QVariant& e : list) writeValue(out, e, indent + 1);
        out += tabs + "</array>\n";
    } else if (ns::isBool(v)) {
        out += v.toBool() ? "<true/>\n" : "<false/>\n";
    } else if (ns::isFloatingPoint(v)) {
        out += "<real>" + realText(v.toDouble()).toLatin1() + "</real>\n";
    } else if (ns::isNumber(v)) {
        out += "<integer>" + ns::stringValue(v).toLatin1() + "</integer>\n";
    } else if (ns::isData(v)) {
        const QByteArray b64 = v.toByteArray().toBase64();
        const qsizetype line = std::max<qsizetype>(16, (76 - 8 * indent) / 4 * 4);
        out += "<data>\n";
        for (qsizetype k = 0; k < b64.size(); k += line) out += tabs + b64.mid(k, line) + '\n';
        out += tabs + "</data>\n";
    } else if (ns::isDate(v)) {
        out += "<date>" +
               v.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")).toLatin1() +
               "</date>\n";
    } else {
        out += "<string>";
        appendEscaped(out, ns::isString(v) ? v.toString() : ns::description(v));
        out += "</string>\n";
    }
}

} // namespace

Result readXml(const QByteArray& bytes) {
    return XmlReader(bytes).run();
}

QByteArray writeXml(const QVariant& value) {
    QByteArray out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n";
    writeValue(out, value, 0);
    out += "</plist>\n";
    return out;
}

} // namespace kx::plist
