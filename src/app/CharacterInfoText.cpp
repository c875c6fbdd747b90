#include "app/CharacterInfoText.h"

#include "core/ByteReader.h"
#include "core/LocalizedStrings.h"
#include "core/Types.h"
#include "model/CharacterText.h"
#include "model/RbxCharacterName.h"

#include <QByteArray>
#include <QStringList>

namespace charinfo {

QString fontText(const QString& displayName, const QString& postScriptName) {
    if (postScriptName.isEmpty() || postScriptName == displayName) return displayName;
    return QStringLiteral("%1 (%2)").arg(displayName, postScriptName);
}

namespace {

QString part(char32_t p) {
    return QStringLiteral("#%1 [U+%2]").arg(uint(p)).arg(uint(p), 4, 16, QLatin1Char('0')).toUpper();
}

QByteArray bigEndian(const QString& text, int width) {
    QByteArray out;
    if (width == 2) {
        for (const QChar u : text) {
            out.append(char(u.unicode() >> 8));
            out.append(char(u.unicode() & 0xFF));
        }
        return out;
    }
    for (const char32_t c : CharacterText::codePoints(text))
        for (int shift = 24; shift >= 0; shift -= 8) out.append(char((c >> shift) & 0xFF));
    return out;
}

} // namespace

CodePoints codePoints(char32_t c) {
    if (RbxCharacterName::isLigatureValue(c)) return {kx::loc(QStringLiteral("Code Point:")), QStringLiteral("N/A")};
    const std::vector<char32_t> parts = CharacterText::codePointsOfCharacter(c);
    QStringList texts;
    for (const char32_t p : parts) texts << part(p);
    return {kx::loc(parts.size() == 1 ? QStringLiteral("Code Point:") : QStringLiteral("Code Points:")),
            texts.join(QStringLiteral(" + "))};
}

QString utf8(const QString& text) { return kx::ByteReader(text.toUtf8()).hexStringWithByteGroups(1); }
QString utf16(const QString& text) { return kx::ByteReader(bigEndian(text, 2)).hexStringWithByteGroups(2); }
QString utf32(const QString& text) { return kx::ByteReader(bigEndian(text, 4)).hexStringWithByteGroups(2); }

QString trimmedCustomName(const QString& typed) {
    QString name = typed.trimmed();
    if (name.isEmpty()) return name;
    for (const char16_t blankLike : {u'\n', u'\r', u'\t', u'\u00A0', u'\u2002', u'\u2003'}) name.replace(QChar(blankLike), u' ');
    while (name.contains(QStringLiteral("  "))) name.replace(QStringLiteral("  "), QStringLiteral(" "));
    // A line break next to the end became a blank after the first trimming.
    return name.trimmed();
}

QString countLine(char32_t c, const QString& text, int families, int totalFamilies) {
    QString shown;
    if (kx::isPrivateUse(c)) {
        const std::vector<char32_t> parts = CharacterText::codePointsOfCharacter(c);
        shown = part(parts.empty() ? c : parts.front());
        if (parts.size() > 1) shown += QChar(0x2026);
    } else {
        shown = kx::loc(QStringLiteral("\"%@\"")).replace(QStringLiteral("%@"), text);
    }
    return kx::loc(QStringLiteral("The character %1$@ is available in %2$d of %3$d font families:"))
        .replace(QStringLiteral("%1$@"), shown)
        .replace(QStringLiteral("%2$d"), QString::number(families))
        .replace(QStringLiteral("%3$d"), QString::number(totalFamilies));
}

} // namespace charinfo
