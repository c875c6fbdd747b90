#include "core/LocalizedStrings.h"

#include "core/Bundle.h"
#include "core/Log.h"
#include "core/Plist.h"

#include <QMutex>
#include <QVariantMap>

namespace kx {

QString loc(const QString& key) {
    static QMutex mutex;
    static QString folder;
    static QVariantMap table;
    QMutexLocker lock(&mutex);
    const QString resources = Bundle::mainBundle().resourcePath();
    if (resources != folder) {
        folder = resources;
        table.clear();
        const QString path = Bundle::mainBundle().pathForResource(QStringLiteral("en.lproj/Localizable.strings"));
        if (!path.isEmpty()) {
            const plist::Result r = plist::readFile(path);
            if (r.ok())
                table = r.value.toMap();
            else
                kx::log(QStringLiteral("Localizable.strings: %1").arg(r.error));
        }
    }
    const QVariant v = table.value(key);
    return v.isValid() ? v.toString() : key;
}

} // namespace kx
