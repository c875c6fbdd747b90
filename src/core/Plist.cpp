#include "core/Plist.h"

#include "core/AtomicFile.h"
#include "core/FoundationValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace kx::plist {

namespace {

// The text of a byte block with a byte-order mark, as UTF-8 without one.
QByteArray withoutByteOrderMark(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return bytes.mid(3);
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(bytes.startsWith("\xFE\xFF") ? QStringConverter::Utf16BE
                                                            : QStringConverter::Utf16LE);
        const QString text = decoder.decode(bytes.mid(2));
        return text.toUtf8();
    }
    return bytes;
}

bool looksLikeXml(const QByteArray& utf8) {
    qsizetype i = 0;
    while (i < utf8.size() && (utf8[i] == ' ' || utf8[i] == '\t' || utf8[i] == '\n' || utf8[i] == '\r'))
        ++i;
    const QByteArray rest = utf8.mid(i, 9);
    return rest.startsWith("<?xml") || rest.startsWith("<!DOCTYPE") || rest.startsWith("<plist") ||
           rest.startsWith("<!--");
}

} // namespace

Result read(const QByteArray& bytes, Format* format) {
    if (bytes.startsWith("bplist")) {
        if (format) *format = Format::Binary;
        return readBinary(bytes);
    }
    const QByteArray text = withoutByteOrderMark(bytes);
    if (looksLikeXml(text)) {
        if (format) *format = Format::Xml;
        return readXml(text);
    }
    if (format) *format = Format::OpenStep;
    return readOpenStep(QString::fromUtf8(text));
}

Result readFile(const QString& path, Format* format) {
    QFile file(path);
    if (QFileInfo(path).isDir()) return {{}, QStringLiteral("%1 is a folder").arg(path)};
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("cannot open %1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    Result r = read(bytes, format);
    if (!r.ok()) r.error = QStringLiteral("%1: %2").arg(path, r.error);
    return r;
}

bool writeXmlFile(const QString& path, const QVariant& value, QString* error) {
    if (const auto c = characterXmlCannotCarry(value)) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, unstorableTextError(*c));
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("cannot make folder %1").arg(folder);
        return false;
    }
    return writeFileAtomically(path, writeXml(value), error);
}

bool isXmlCharacter(char32_t c) {
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

std::optional<char32_t> characterXmlCannotCarry(const QString& text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            ++i;  // a pair: every supplementary character is allowed
            continue;
        }
        if (!isXmlCharacter(u)) return char32_t(u);
    }
    return std::nullopt;
}

std::optional<char32_t> characterXmlCannotCarry(const QVariant& value) {
    if (ns::isDictionary(value)) {
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (auto c = characterXmlCannotCarry(it.key())) return c;
            if (auto c = characterXmlCannotCarry(it.value())) return c;
        }
        return std::nullopt;
    }
    if (ns::isArray(value)) {
        for (const QVariant& e : value.toList())
            if (auto c = characterXmlCannotCarry(e)) return c;
        return std::nullopt;
    }
    if (ns::isString(value)) return characterXmlCannotCarry(value.toString());
    return std::nullopt;
}

QString unstorableTextError(char32_t c) {
    return QStringLiteral("the text holds U+%1, which a settings file cannot carry")
        .arg(QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
}

QVariant withoutUnstorableText(const QVariant& value, QStringList* dropped, const QString& path) {
    auto inner = [&](const QString& name) { return path.isEmpty() ? name : path + u'/' + name; };
    if (ns::isDictionary(value)) {
        QVariantMap out;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            const QString at = inner(it.key());
            if (characterXmlCannotCarry(it.key())) {
                if (dropped) *dropped << at;
                continue;
            }
            const QVariant kept = withoutUnstorableText(it.value(), dropped, at);
            if (kept.isValid()) out.insert(it.key(), kept);
        }
        return out;
    }
    if (ns::isArray(value)) {
        QVariantList out;
        const QVariantList list = value.toList();
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QVariant kept = withoutUnstorableText(list[i], dropped, inner(QString::number(i)));
            if (kept.isValid()) out << kept;
        }
        return out;
    }
    if (ns::isString(value) && characterXmlCannotCarry(value.toString())) {
        if (dropped) *dropped << path;
        return {};
    }
    return value;
}

QVariant normalized(const QVariant& v) {
    if (ns::isArray(v)) {
        QVariantList out;
        for (const QVariant& e : v.toList()) out << normalized(e);
        return out;
    }
    if (ns::isDictionary(v)) {
        QVariantMap out;
        const QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) out.insert(it.key(), normalized(it.value()));
        return out;
    }
    if (ns::isBool(v)) return v.toBool();
    if (ns::isFloatingPoint(v)) return v.toDouble();
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong) {
        const quint64 u = v.toULongLong();
        if (u <= quint64(std::numeric_limits<qint64>::max())) return QVariant::fromValue(qint64(u));
        return QVariant::fromValue(u);
    }
    if (ns::isNumber(v)) return QVariant::fromValue(qint64(v.toLongLong()));
    if (ns::isDate(v)) return v.toDateTime().toUTC();
    return v;
}

} // namespace kx::plist
