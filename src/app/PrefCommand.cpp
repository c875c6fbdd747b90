#include "app/PrefCommand.h"

#include "kxlib/KXDefaults.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/URLExtensions.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/Plist.h"

namespace prefcommand {

bool isSettableType(rbx::key::Type type) {
    using rbx::key::Type;
    return type == Type::Bool || type == Type::Int || type == Type::Float || type == Type::String;
}

bool linkMayChange(const rbx::key::KeyInfo& info) {
    // The folder the character names are read from is the maintainers' own choice.
    return isSettableType(info.type) && info.name != rbx::key::unicodeFolder.qname();
}

QVariant preferencesViaURL(const QUrl& url, KXDefaults& defaults) {
    kx::log(QStringLiteral("preferencesViaURL:"));
    const QVariantMap parameters = kx::url::parameterDictionary(url);
    if (parameters.isEmpty()) return kx::ns::description(defaults.copyCurrentValues());
    QStringList refused, unsaved;
    QString unsavedReason;
    auto refuse = [&refused](const QString& why) {
        kx::log(QStringLiteral("pref: %1").arg(why));
        refused << why;
    };
    // Every parameter is checked before any is applied: a link changes all it names or
    // nothing.
    QList<std::pair<QString, QVariant>> changes;  // nil removes
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        const QString& name = it.key();
        const QString text = it.value().toString();
        if (const auto c = kx::plist::characterXmlCannotCarry(name + text)) {
            refuse(QStringLiteral("%1 refused: %2").arg(name.left(100), kx::plist::unstorableTextError(*c)));
            continue;
        }
        const auto info = keyInfo(name);
        if (!info) {
            refuse(QStringLiteral("no setting named \"%1\"").arg(name.left(100)));
            continue;
        }
        // (Text given for data, lists and dictionaries is no value of theirs, below.)
        if (!linkMayChange(*info) && (text.isEmpty() || isSettableType(info->type))) {
            refuse(QStringLiteral("%1 cannot be changed by a link").arg(name));
            continue;
        }
        if (text.isEmpty()) {
            changes.append({name, QVariant()});
            continue;
        }
        const auto value = rbx::key::valueFor(*info, text);
        if (!value) {
            refuse(QStringLiteral("\"%1\" is no value for %2, which holds %3")
                       .arg(text.left(100), name, rbx::key::valueDescription(*info)));
            continue;
        }
        changes.append({name, rbx::key::storedForm(info->type, *value)});
    }
    if (!refused.isEmpty()) {
        refused << QStringLiteral("nothing was changed");
        return KXURLHandler::refused(refused.join(QStringLiteral("; ")));
    }
    for (const auto& [name, value] : changes) {
        const KXDefaults::Stored stored = defaults.setObject(value, name);
        if (stored.status == KXDefaults::Stored::Refused) {
            refuse(QStringLiteral("%1 refused: %2").arg(name, stored.reason));
        } else if (stored.status == KXDefaults::Stored::NotYetSaved) {
            unsaved << name;
            unsavedReason = stored.reason;
        }
    }
    // A change held back for the palette's drawing is written now: a link answers
    // whether its change is on disk.
    if (!unsaved.isEmpty() && defaults.synchronize().saved()) unsaved.clear();
    if (!unsaved.isEmpty()) {
        const QString why = QStringLiteral("changed but not yet saved (%1); Runebox saves them as soon as it can: %2")
                                .arg(unsavedReason, unsaved.join(QStringLiteral(", ")));
        kx::log(QStringLiteral("pref: %1").arg(why));
        refused << why;
    }
    if (!refused.isEmpty()) return KXURLHandler::refused(refused.join(QStringLiteral("; ")));
    return {};
}

} // namespace prefcommand
