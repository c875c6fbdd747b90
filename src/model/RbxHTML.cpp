#include "model/RbxHTML.h"

#include "core/Bundle.h"
#include "core/Plist.h"
#include "kxlib/RbxDefaults.h"

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

void RbxHTML::resetForTesting() { dictionary().reset(); }
