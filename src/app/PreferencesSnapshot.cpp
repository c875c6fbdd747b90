#include "app/PreferencesSnapshot.h"

#include "kxlib/KXDefaults.h"

const QStringList& PreferencesSnapshot::keys() {
    static const QStringList k = {
        QStringLiteral("relativeFontSize"), QStringLiteral("hilite recent characters"), QStringLiteral("recentLines"),
        QStringLiteral("fitAscii"), QStringLiteral("minimumFitSize"), QStringLiteral("htmlEntities"),
        QStringLiteral("hexHtml"), QStringLiteral("showTooltips"), QStringLiteral("insertion closes"),
        QStringLiteral("click outside closes"), QStringLiteral("mouse outside closes"), QStringLiteral("animate window"),
        QStringLiteral("activator"), QStringLiteral("hide Q in corner"), QStringLiteral("start at login"),
        QStringLiteral("characterShadow"), QStringLiteral("openWindowHotkey"), QStringLiteral("fontNameInFont"),
        QStringLiteral("useUniversalFont"), QStringLiteral("darkTable"), QStringLiteral("updateInterval"),
        QStringLiteral("checkForBetaVersions")};
    return k;
}

void PreferencesSnapshot::take(KXDefaults& store) {
    // Entries of an earlier opening would bring back values that are gone by now.
    values_.clear();
    const QVariantMap users = store.platformDefaults().persistentDomain();
    for (const QString& key : keys())
        if (users.contains(key)) values_.insert(key, users.value(key));
    taken_ = true;
}

void PreferencesSnapshot::restore(KXDefaults& store) {
    if (!taken_) return;
    const QVariantMap users = store.platformDefaults().persistentDomain();
    for (const QString& key : keys()) {
        const auto it = values_.constFind(key);
        const QVariant now = users.value(key);
        if (it == values_.constEnd()) {
            if (now.isValid()) store.removeObjectForKey(key);
        } else if (now != *it) {
            store.setObject(*it, key);
        }
    }
    values_.clear();
    taken_ = false;
}

std::optional<QVariant> PreferencesSnapshot::value(const QString& key) const {
    const auto it = values_.constFind(key);
    if (it == values_.constEnd()) return std::nullopt;
    return *it;
}
