#pragma once
// The menu open in the running copy of the palette, as its debug interface describes it:
// each item's title, whether it is enabled and where it is on the screen.
#include "RuneboxCopy.h"

#include <QDBusArgument>
#include <QList>
#include <QRect>

namespace x11test {

inline QRect rectOf(const QVariant& v) {
    const QVariantList r = qdbus_cast<QVariantList>(v);
    return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
}

struct MenuItem {
    QString title;
    bool enabled = false;
    QRect rect;
};

// Empty when no menu is open.
inline QList<MenuItem> menuItems() {
    QList<MenuItem> items;
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("MenuItems")))) {
        const QVariantMap m = qdbus_cast<QVariantMap>(v);
        items.append({m.value(QStringLiteral("title")).toString(), m.value(QStringLiteral("enabled")).toBool(),
                      rectOf(m.value(QStringLiteral("rect")))});
    }
    return items;
}

} // namespace x11test
