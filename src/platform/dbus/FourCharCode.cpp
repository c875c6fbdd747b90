#include "platform/dbus/FourCharCode.h"

namespace fourcc {

namespace {
bool acceptable(uint c) { return c >= 0x20 && c <= 0xFF && c != 0x7F && !(c >= 0x80 && c < 0xA0); }
} // namespace

std::optional<quint32> fromText(const QString& text) {
    if (text.size() != 4) return std::nullopt;
    quint32 code = 0;
    for (QChar ch : text) {
        const uint c = ch.unicode();
        if (!acceptable(c)) return std::nullopt;
        code = (code << 8) | c;
    }
    return code;
}

QString toText(quint32 code) {
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const uint c = (code >> shift) & 0xFF;
        if (!acceptable(c)) return {};
        s.append(QChar(char16_t(c)));
    }
    return s;
}

QString toHex(quint32 code) { return QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper(); }

} // namespace fourcc
