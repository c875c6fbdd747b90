#include "model/RbxHTML.h"

#include "core/Bundle.h"
#include "core/Plist.h"
#include "core/StringExtensions.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxCharacterName.h"
#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"

#include <optional>

namespace {

std::optional<QHash<char32_t, QString>>& dictionary() {
    static std::optional<QHash<char32_t, QString>> d;
    return d;
}

} // namespace

void RbxHTML::loadHtmlDictionary() {
    if (dictionary()) return;
    const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("HTML"), QStringLiteral("plist"));
    if (path.isEmpty()) return;
    const kx::plist::Result r = kx::plist::readFile(path);
    if (!r.ok() || r.value.typeId() != QMetaType::QVariantMap) return;
    QHash<char32_t, QString> entities;
    const QVariantMap map = r.value.toMap();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        bool ok = false;
        const uint code = it.key().toUInt(&ok, 10);
        const QString name = it.value().toString();
        if (ok && code <= 0x10FFFF && !name.isEmpty()) entities.insert(code, name);
    }
    dictionary() = std::move(entities);
}

QString RbxHTML::htmlEntityForCharacter(char32_t c) {
    if (!RbxDefaults::userDefaults().boolForKey(rbx::key::htmlEntities)) return QString();
    loadHtmlDictionary();
    if (!dictionary()) return QString();
    const auto it = dictionary()->constFind(c);
    if (it == dictionary()->constEnd()) return QString();
    return QStringLiteral("&%1;").arg(*it);
}

QString RbxHTML::numericReference(char32_t c) {
    if (RbxDefaults::userDefaults().boolForKey(rbx::key::hexHtml))
        return QStringLiteral("&#x%1;").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("&#%1;").arg(static_cast<uint>(c));
}

QString RbxHTML::pieceForCodePoint(char32_t c, bool allowBasicCharacters) {
    const QString entity = htmlEntityForCharacter(c);
    if (!entity.isNull()) return entity;
    const bool unsafe = c == u'<' || c == u'>' || c == u'"' || c == u'&' || c < 0x20 || c > 0x7E;
    if (unsafe || !allowBasicCharacters) return numericReference(c);
    return QString(QChar(static_cast<char16_t>(c)));
}

QString RbxHTML::htmlStringForCharacter(char32_t c, bool allowBasicCharacters) {
    if (RbxCharacterName::isLigatureValue(c)) {
        // The ligature's text; a value beyond the defined ligatures stands for itself.
        QString out;
        kx::str::forUTF32Characters(kx::str::stringWithUTF32Character(c), [&](char32_t cp) {
            out += RbxCharacterName::isLigatureValue(cp) ? numericReference(cp) : htmlStringForCharacter(cp, true);
        });
        return out;
    }
    QString out;
    const int parts = RbxEmoji::nPartsOfVirtualCharacter(c);
    for (int n = 1; n <= parts; ++n) out += pieceForCodePoint(RbxEmoji::partOfVirtualCharacter(n, c), allowBasicCharacters);
    return out;
}

QString RbxHTML::htmlStringForString(const QString& text) {
    QString out;
    out.reserve(text.size() * 8);
    kx::str::forUTF32Characters(text, [&](char32_t cp) { out += htmlStringForCharacter(cp, true); });
    return out;
}

void RbxHTML::resetForTesting() { dictionary().reset(); }
