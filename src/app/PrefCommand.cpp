#include "app/PrefCommand.h"

#include "kxlib/KXDefaults.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/URLExtensions.h"
#include "core/FoundationValues.h"
#include "core/Log.h"

namespace prefcommand {

QVariant preferencesViaURL(const QUrl& url, KXDefaults& defaults) {
    kx::log(QStringLiteral("preferencesViaURL:"));
    const QVariantMap parameters = kx::url::parameterDictionary(url);
    if (parameters.isEmpty()) return kx::ns::description(defaults.copyCurrentValues());
    QStringList refused;
    auto refuse = [&refused](const QString& why) {
        kx::log(QStringLiteral("pref: %1").arg(why));
        refused << why;
    };
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        const QString& name = it.key();
        const QString text = it.value().toString();
        const auto info = keyInfo(name);
        if (!info) {
            refuse(QStringLiteral("no setting named \"%1\"").arg(name.left(100)));
            continue;
        }
        if (text.isEmpty()) {
            defaults.removeObjectForKey(name);
            continue;
        }
        const auto value = rbx::key::valueFor(*info, text);
        if (!value) {
            refuse(QStringLiteral("\"%1\" is no value for %2, which holds %3")
                       .arg(text.left(100), name, rbx::key::valueDescription(*info)));
            continue;
        }
        defaults.setObject(rbx::key::storedForm(info->type, *value), name);
    }
    if (!refused.isEmpty()) return KXURLHandler::refused(refused.join(QStringLiteral("; ")));
    return {};
}

} // namespace prefcommand
