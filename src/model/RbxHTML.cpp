#include "model/RbxHTML.h"

#include "core/Bundle.h"
#include "core/Plist.h"
#include "core/ProcessWide.h"
#include "kxlib/RbxDefaults.h"

RbxHTMLEntities& RbxHTMLEntities::shared() { return kx::ProcessWide<RbxHTMLEntities>::get(); }

std::unique_ptr<RbxHTMLEntities> RbxHTMLEntities::makeDefault() { return std::make_unique<RbxHTMLEntities>(); }

const QHash<char32_t, QString>* RbxHTMLEntities::entities() {
    if (entities_) return &*entities_;
    const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("HTML"), QStringLiteral("plist"));
    if (path.isEmpty()) return nullptr;
    const kx::plist::Result r = kx::plist::readFile(path);
    if (!r.ok() || r.value.typeId() != QMetaType::QVariantMap) return nullptr;
    QHash<char32_t, QString> entities;
    const QVariantMap map = r.value.toMap();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        bool ok = false;
        const uint code = it.key().toUInt(&ok, 10);
        const QString name = it.value().toString();
        if (ok && code <= 0x10FFFF && !name.isEmpty()) entities.insert(code, name);
    }
    entities_ = std::move(entities);
    return &*entities_;
}

void RbxHTML::loadHtmlDictionary() { RbxHTMLEntities::shared().entities(); }

QString RbxHTML::htmlEntityForCharacter(char32_t c) {
    if (!RbxDefaults::userDefaults().boolForKey(rbx::key::htmlEntities)) return QString();
    const QHash<char32_t, QString>* entities = RbxHTMLEntities::shared().entities();
    if (!entities) return QString();
    const auto it = entities->constFind(c);
    if (it == entities->constEnd()) return QString();
    return QStringLiteral("&%1;").arg(*it);
}

