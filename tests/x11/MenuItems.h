#pragma once
// The menu open in the running copy of the palette, as its debug interface describes it:
// each item's title, whether it is enabled and where it is on the screen.
#include "RuneboxCopy.h"

#include <QApplication>
#include <QDBusArgument>
#include <QElapsedTimer>
#include <QList>
#include <QRect>
#include <algorithm>
#include <functional>

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

// Waits for the open menu or list to hold an item for which `wanted` holds and that is in
// view where it was a moment before (a list opening may still scroll to the chosen item),
// and clicks it; answers its title ("" when there is none).
inline QString clickOpenItem(const std::function<bool(const QString&)>& wanted) {
    QElapsedTimer opened;  // since the palette first answered with the open list
    QString title;
    QRect place;
    auto find = [&] {
        title.clear();
        place = QRect();
        for (const MenuItem& item : menuItems())
            if (wanted(item.title) && !item.rect.isEmpty() && item.rect.height() > 4) {
                title = item.title;
                place = item.rect;
                return true;
            }
        return false;
    };
    rbxtest::waitFor([&] {
        if (!find()) return false;
        if (!opened.isValid()) opened.start();
        const QRect before = place;
        rbxtest::spinEventLoop(150);
        return find() && place == before;
    }, 10000);
    if (title.isEmpty()) return title;
    // A pop-up list takes no click within a double-click's time of opening (a person's
    // click would not come so soon).
    rbxtest::spinEventLoop(int(std::max<qint64>(0, QApplication::doubleClickInterval() + 100 - opened.elapsed())));
    x11test::pointTo(place.center());
    x11test::click();
    // The list gone, the palette has let go of the pointer it held for it (it does so as
    // the list closes): the next click finds the palette itself.
    rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000);
    return title;
}

inline QString clickOpenItem(const QString& title) {
    return clickOpenItem([&title](const QString& t) { return t == title; });
}

} // namespace x11test
