#include "app/SearchTemplates.h"

#include "core/Bundle.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/Plist.h"

#include <QAction>
#include <QMenu>

namespace searchtemplates {

namespace {
const QLatin1String reserved("shapeFinder");
}

QList<SearchTemplate> entries(const QVariant& plist, QString (*localise)(const QString&)) {
    QList<SearchTemplate> out;
    if (plist.typeId() != QMetaType::QVariantList) return out;
    bool localised = false;
    for (const QVariant& entry : plist.toList()) {
        QString title, value;
        if (entry.typeId() == QMetaType::QString) {
            title = value = entry.toString();
        } else if (entry.typeId() == QMetaType::QVariantList && entry.toList().size() == 2 &&
                   entry.toList()[0].typeId() == QMetaType::QString && entry.toList()[1].typeId() == QMetaType::QString) {
            title = entry.toList()[0].toString();
            value = entry.toList()[1].toString();
        } else {
            continue;
        }
        if (title == QLatin1String("-")) {
            out.append(SearchTemplate{QString(), QString(), true});
            localised = true;
            continue;
        }
        if (value == reserved) continue;
        out.append(SearchTemplate{localised && localise ? localise(title) : title, value, false});
    }
    return out;
}

QList<SearchTemplate> bundleEntries() {
    const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("SearchTemplates"), QStringLiteral("plist"));
    if (path.isEmpty()) return {};
    const kx::plist::Result read = kx::plist::readFile(path);
    if (!read.ok()) {
        kx::log(QStringLiteral("SearchTemplates.plist: %1").arg(read.error));
        return {};
    }
    return entries(read.value, &kx::loc);
}

void fillMenu(QMenu& menu, const QList<SearchTemplate>& entries) {
    menu.clear();
    for (const SearchTemplate& t : entries) {
        if (t.separator) {
            menu.addSeparator();
            continue;
        }
        QString text = t.title;
        QAction* item = menu.addAction(text.replace(u'&', QStringLiteral("&&")));
        item->setData(t.value);
    }
}

} // namespace searchtemplates
