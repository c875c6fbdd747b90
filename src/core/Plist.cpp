#include "core/Plist.h"

#include "core/FoundationValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("cannot make folder %1").arg(folder);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = writeXml(value);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
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
