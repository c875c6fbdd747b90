#include "app/PrefCommand.h"

#include "kxlib/KXDefaults.h"
#include "kxlib/URLExtensions.h"
#include "core/FoundationValues.h"
#include "core/Log.h"

#include <cmath>

namespace prefcommand {

std::optional<QVariant> coerce(rbx::key::Type type, const QString& text) {
    using rbx::key::Type;
    const QString t = text.trimmed();
    switch (type) {
    case Type::Bool: {
        const QString l = t.toLower();
        if (l == QLatin1String("1") || l == QLatin1String("yes") || l == QLatin1String("true")) return QVariant(true);
        if (l == QLatin1String("0") || l == QLatin1String("no") || l == QLatin1String("false")) return QVariant(false);
        return std::nullopt;
    }
    case Type::Int: {
        bool ok = false;
        const int v = t.toInt(&ok);
        return ok ? std::optional<QVariant>(QVariant(v)) : std::nullopt;
    }
    case Type::Float: {
        bool ok = false;
        const double v = t.toDouble(&ok);
        return ok && std::isfinite(v) ? std::optional<QVariant>(QVariant(v)) : std::nullopt;
    }
    case Type::String:
        return QVariant(text);
    case Type::Data:
    case Type::Array:
    case Type::Dict:
        break;
    }
    return std::nullopt;
}

std::optional<rbx::key::KeyInfo> keyInfo(const QString& name) {
    for (const rbx::key::KeyInfo& k : rbx::key::allKeys())
        if (k.name == name) return k;
    // The replies of the version pings, one text per version.
    const QString ping = QString::fromLatin1(rbx::key::versionPingPrefix);
    if (name.size() > ping.size() && name.startsWith(ping))
        return rbx::key::KeyInfo{name, rbx::key::Type::String, QVariant(), false};
    return std::nullopt;
}

QVariant preferencesViaURL(const QUrl& url, KXDefaults& defaults) {
    kx::log(QStringLiteral("preferencesViaURL:"));
    const QVariantMap parameters = kx::url::parameterDictionary(url);
    if (parameters.isEmpty()) return kx::ns::description(defaults.copyCurrentValues());
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        const QString& name = it.key();
        const QString text = it.value().toString();
        const auto info = keyInfo(name);
        if (!info) {
            kx::log(QStringLiteral("pref: no setting named \"%1\"").arg(name));
            continue;
        }
        if (text.isEmpty()) {
            defaults.removeObjectForKey(name);
            continue;
        }
        const auto value = coerce(info->type, text);
        if (!value) {
            kx::log(QStringLiteral("pref: \"%1\" is no value for %2").arg(text.left(100), name));
            continue;
        }
        switch (info->type) {
        case rbx::key::Type::Bool: defaults.setBool(value->toBool(), name); break;
        case rbx::key::Type::Int: defaults.setInteger(value->toInt(), name); break;
        case rbx::key::Type::Float: defaults.setDouble(value->toDouble(), name); break;
        default: defaults.setString(value->toString(), name); break;
        }
    }
    return {};
}

} // namespace prefcommand
