#include "table/widgets/RbxNamedColors.h"

#include "core/Bundle.h"
#include "core/Log.h"
#include "core/Plist.h"

#include <QHash>
#include <optional>

namespace rbx::colors {

namespace {

const QHash<QString, KXDynamicColor>& builtIn() {
    static const QHash<QString, KXDynamicColor> colors = {
        {QStringLiteral("unicodeBlockHeaderColor"), KXDynamicColor(QColor(0x32, 0x32, 0x36))},
        {QStringLiteral("lightUnicodeBlockHeaderColor"), KXDynamicColor(QColor(0xE6, 0xE8, 0xEC))},
        {QStringLiteral("gridColor"), KXDynamicColor(QColor(0x4A, 0x4A, 0x4E))},
        {QStringLiteral("lightGridColor"), KXDynamicColor(QColor(0xD4, 0xD4, 0xD8))},
        {QStringLiteral("favoriteColor"), KXDynamicColor(QColor(0xD9, 0x9A, 0x18), QColor(0xB0, 0x7A, 0x0C))},
        {QStringLiteral("recentColor"), KXDynamicColor(QColor(0x4C, 0x8C, 0xD0), QColor(0x2F, 0x6A, 0xAE))},
        {QStringLiteral("blueSelectionColor"), KXDynamicColor(QColor(0x2F, 0x6F, 0xD8), QColor(0x3A, 0x7B, 0xE6))},
        {QStringLiteral("charSubstitutionColor"), KXDynamicColor(QColor(0x1C, 0x6B, 0xB0), QColor(0x6C, 0xB4, 0xF5))},
        {QStringLiteral("bigCharColor"), KXDynamicColor(QColor(Qt::black), QColor(Qt::white))},
        {QStringLiteral("magnifierInfoLinesColor"), KXDynamicColor(QColor(0xD0, 0x70, 0x70), QColor(0xB8, 0x5C, 0x5C))},
        {QStringLiteral("shortcutBackground"), KXDynamicColor(QColor(Qt::white), QColor(0x48, 0x48, 0x4C))},
    };
    return colors;
}

std::optional<QVariantMap>& fileColors() {
    static std::optional<QVariantMap> colors;
    return colors;
}

const QVariantMap& loaded() {
    auto& colors = fileColors();
    if (!colors) {
        colors = QVariantMap();
        const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Colors"), QStringLiteral("plist"));
        if (path.isEmpty()) {
            kx::log(QStringLiteral("Colors.plist is missing; built-in colours are used"));
        } else {
            const kx::plist::Result r = kx::plist::readFile(path);
            if (r.ok() && r.value.typeId() == QMetaType::QVariantMap) colors = r.value.toMap();
            else kx::log(QStringLiteral("Colors.plist cannot be read (%1); built-in colours are used").arg(r.error));
        }
    }
    return *colors;
}

QHash<QString, KXDynamicColor>& madeColors() {
    static QHash<QString, KXDynamicColor> colors;
    return colors;
}

} // namespace

KXDynamicColor named(const QString& name) {
    auto& made = madeColors();
    if (auto it = made.constFind(name); it != made.constEnd()) return *it;
    KXDynamicColor color = builtIn().value(name, KXDynamicColor(QColor(Qt::gray)));
    const QVariant entry = loaded().value(name);
    if (entry.typeId() == QMetaType::QVariantMap) {
        if (auto c = KXDynamicColor::fromArchive(entry.toMap())) color = *c;
        else kx::log(QStringLiteral("Colors.plist: the colour %1 cannot be read").arg(name));
    }
    made.insert(name, color);
    return color;
}

void reload() {
    fileColors().reset();
    madeColors().clear();
}

} // namespace rbx::colors
