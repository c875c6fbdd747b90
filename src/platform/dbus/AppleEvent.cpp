#include "platform/dbus/AppleEvent.h"

#include "platform/dbus/FourCharCode.h"

#include <QStringList>

namespace appleevent {

QString signatureBusName(quint32 signature) {
    return SignaturePrefix + QStringLiteral("%1").arg(signature, 8, 16, QLatin1Char('0'));
}

std::optional<quint32> signatureOfBusName(const QString& name) {
    if (!name.startsWith(SignaturePrefix) || name.size() != SignaturePrefix.size() + 8) return std::nullopt;
    bool ok = false;
    const QString hex = name.mid(SignaturePrefix.size());
    for (QChar c : hex)
        if (!(c.isDigit() || (c >= u'a' && c <= u'f'))) return std::nullopt;
    const quint32 code = hex.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return code;
}

QString validateParameters(const QVariantMap& params) {
    if (params.size() > MaxParameters) return QStringLiteral("too many parameters (%1)").arg(params.size());
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (!fourcc::fromText(it.key())) return QStringLiteral("parameter key is not a four-character code");
        const QVariant& v = it.value();
        switch (v.metaType().id()) {
        case QMetaType::QString:
            if (v.toString().size() > MaxStringLength) return QStringLiteral("parameter '%1' too long").arg(it.key());
            break;
        case QMetaType::QByteArray:
            if (v.toByteArray().size() > MaxBytesLength) return QStringLiteral("parameter '%1' too long").arg(it.key());
            break;
        case QMetaType::QStringList: {
            const QStringList l = v.toStringList();
            if (l.size() > MaxListLength) return QStringLiteral("parameter '%1' too long").arg(it.key());
            for (const QString& s : l)
                if (s.size() > MaxStringLength) return QStringLiteral("parameter '%1' too long").arg(it.key());
            break;
        }
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::UChar:
            break;
        default:
            return QStringLiteral("parameter '%1' has an unsupported type").arg(it.key());
        }
    }
    return {};
}

} // namespace appleevent
