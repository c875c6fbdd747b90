// runebox-tool defaults: reads and writes the settings files that the palette uses,
// as a second process would.
//   defaults read DOMAIN [KEY]        prints the value (or the whole domain)
//   defaults write DOMAIN KEY VALUE   stores VALUE as a string; in Runebox's own domain
//                                     a key of the settings table takes VALUE as its
//                                     type, and a VALUE of another type is refused
//   defaults delete DOMAIN KEY        removes the key
// A file that cannot be read, a text the file cannot carry and a file that cannot be
// written are errors (exit status 1) with a message; a failed write changes nothing.

#include "ToolCommand.h"

#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "kxlib/SettingsKeys.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QFileInfo>

namespace {

// The value to store for a text given on the command line; nothing (with the reason
// printed) when the key's type refuses it.
std::optional<QVariant> valueToWrite(const QString& domainName, const QString& key, const QString& text) {
    if (domainName != kx::Bundle::mainBundle().bundleIdentifier()) return QVariant(text);
    const auto info = rbx::key::keyInfo(key);
    if (!info) return QVariant(text);
    if (const auto value = rbx::key::valueFor(*info, text)) return rbx::key::storedForm(info->type, *value);
    tool::err() << "runebox-tool: \"" << text.left(100) << "\" is no value for " << key << ", which holds "
                << rbx::key::valueDescription(*info) << "; nothing was written" << Qt::endl;
    return std::nullopt;
}

// The outcome of a write as the exit status, with the reason on standard error.
int written(const platform::Stored& stored) {
    switch (stored.status) {
    case platform::Stored::Saved: return 0;
    case platform::Stored::Refused:
        tool::err() << "Refused: " << stored.reason << Qt::endl;
        return 1;
    case platform::Stored::NotYetSaved:
        tool::err() << "Not saved, the settings file was left as it was: " << stored.reason << Qt::endl;
        return 1;
    }
    return 1;
}

int runDefaults(const QStringList& args) {
    if (args.size() < 2) return tool::usage("defaults");
    const QString verb = args[0];
    const QString domainName = args[1];
    platform::DefaultsDomain domain(domainName, platform::DefaultsDomain::Watch::No);
    if (verb == QLatin1String("read") && !domain.readError().isEmpty()) {
        tool::err() << "Cannot read the settings: " << domain.readError() << Qt::endl;
        return 1;
    }

    if (verb == QLatin1String("read") && args.size() == 2) {
        if (!QFileInfo::exists(domain.path())) {
            tool::err() << "Domain " << domainName << " does not exist" << Qt::endl;
            return 1;
        }
        tool::out() << kx::ns::description(domain.values()) << Qt::endl;
        return 0;
    }
    if (verb == QLatin1String("read") && args.size() == 3) {
        const QVariant v = domain.value(args[2]);
        if (!v.isValid()) {
            tool::err() << "The domain/default pair of (" << domainName << ", " << args[2] << ") does not exist"
                        << Qt::endl;
            return 1;
        }
        tool::out() << kx::ns::description(v) << Qt::endl;
        return 0;
    }
    if (verb == QLatin1String("write") && args.size() == 4) {
        const auto value = valueToWrite(domainName, args[2], args[3]);
        if (!value) return 1;
        const platform::Stored stored = domain.setValue(args[2], *value);
        // A change the file did not take is not kept for later in a program that ends now.
        if (stored.status == platform::Stored::NotYetSaved) domain.forgetPending();
        return written(stored);
    }
    if (verb == QLatin1String("delete") && args.size() == 3) {
        if (!domain.value(args[2]).isValid()) {
            tool::err() << "The domain/default pair of (" << domainName << ", " << args[2] << ") does not exist"
                        << Qt::endl;
            return 1;
        }
        const platform::Stored stored = domain.removeValue(args[2]);
        if (stored.status == platform::Stored::NotYetSaved) domain.forgetPending();
        return written(stored);
    }
    return tool::usage("defaults");
}

} // namespace

RBX_TOOL_COMMAND(defaults, "defaults read DOMAIN [KEY] | write DOMAIN KEY VALUE | delete DOMAIN KEY", runDefaults);
