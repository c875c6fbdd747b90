#pragma once
// Four-character codes (creator codes, event classes and IDs, parameter keywords):
// 32-bit values written as four Latin-1 characters, 'ABCD' = 0x41424344.

#include <QString>
#include <QtGlobal>
#include <optional>

namespace fourcc {

// The code of a four-character text; nothing when the text is not exactly four
// characters from U+0020 to U+00FF (control characters are refused).
std::optional<quint32> fromText(const QString& text);
// The four characters of a code; "" when a byte is a control character.
QString toText(quint32 code);
// "%02X%02X%02X%02X".
QString toHex(quint32 code);

constexpr quint32 make(char a, char b, char c, char d) {
    return (quint32(quint8(a)) << 24) | (quint32(quint8(b)) << 16) | (quint32(quint8(c)) << 8) | quint32(quint8(d));
}

} // namespace fourcc
