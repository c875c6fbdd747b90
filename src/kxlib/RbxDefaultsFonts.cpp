// Per-family settings: layouts linked to font families (with the bundle's
// suggestions) and size adjustments.

#include "kxlib/RbxDefaults.h"

#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/Plist.h"

namespace ns = kx::ns;
namespace key = rbx::key;

void RbxDefaults::installFontLayoutSuggestions() {
    if (suggestionsInstalled_) return;
    suggestionsInstalled_ = true;
    const kx::plist::Result r = kx::plist::readFile(resourcePath(QStringLiteral("FontLinks.plist")));
    if (!r.ok() || !ns::isDictionary(r.value)) {
        kx::log(QStringLiteral("could not read suggested font/layout links"));
        return;
    }
    const QVariantMap links = r.value.toMap();
    const QVariantList installed = ns::arrayOrEmpty(objectForKey(key::fontLayoutSuggestionsInstalled));
    QVariantMap layouts = ns::dictionaryOrEmpty(objectForKey(key::fontSpecificLayouts));
    bool anyNew = false, anyAdded = false;
    for (auto it = links.begin(); it != links.end(); ++it) {
        bool known = false;
        for (const QVariant& v : installed)
            if (ns::isString(v) && v.toString() == it.key()) known = true;
        if (known) continue;
        anyNew = true;
        kx::log(QStringLiteral("new layout suggestion for font %1").arg(it.key()));
        if (!layouts.contains(it.key())) {
            layouts.insert(it.key(), it.value());
            anyAdded = true;
            kx::log(QStringLiteral("  linking with suggested layout: %1").arg(ns::description(it.value())));
        } else {
            kx::log(QStringLiteral("  existing link: %1").arg(ns::description(layouts.value(it.key()))));
        }
    }
    if (anyNew) {
        QVariantList all;
        for (auto it = links.begin(); it != links.end(); ++it) all << it.key();
        setObject(all, key::fontLayoutSuggestionsInstalled.qname());
    }
    if (anyAdded) setObject(layouts, key::fontSpecificLayouts.qname());
}

QString RbxDefaults::layoutForFontFamily(const QString& family) {
    installFontLayoutSuggestions();
    if (family.isEmpty()) return QString();
    return ns::stringOrEmpty(ns::dictionaryOrEmpty(objectForKey(key::fontSpecificLayouts)).value(family));
}

void RbxDefaults::setLayout(const QString& layout, const QString& family) {
    installFontLayoutSuggestions();
    if (family.isEmpty()) return;
    QVariantMap layouts = ns::dictionaryOrEmpty(objectForKey(key::fontSpecificLayouts));
    if (layout.isNull()) layouts.remove(family);
    else layouts.insert(family, layout);
    setObject(layouts, key::fontSpecificLayouts.qname());
}

float RbxDefaults::sizeAdjustmentForFontFamily(const QString& family) {
    const QVariant v = ns::dictionaryOrEmpty(objectForKey(key::fontSizeAdjustment)).value(family);
    return ns::hasNumberValue(v) ? ns::floatValue(v) : 0.0f;
}

void RbxDefaults::setSizeAdjustment(float adjustment, const QString& family) {
    QVariantMap adjustments = ns::dictionaryOrEmpty(objectForKey(key::fontSizeAdjustment));
    adjustments.insert(family, double(adjustment));
    setObject(adjustments, key::fontSizeAdjustment.qname());
}

void RbxDefaults::clearAllSizeAdjustments() { removeObjectForKey(key::fontSizeAdjustment.qname()); }

double RbxDefaults::fontSizeFactorForAdjustment(double a) {
    if (a < 0) return 1 + a / 2;
    return 1 + a / 2 + a * a / 2;
}
