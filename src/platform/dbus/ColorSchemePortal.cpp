#include "platform/dbus/ColorSchemePortal.h"

#include "core/Log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <array>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString PortalInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString AppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString ColorSchemeKey = QStringLiteral("color-scheme");
const QString AccentColorKey = QStringLiteral("accent-color");

// The portal's Read answers a variant that holds the value's variant; ReadOne and the
// signal answer the value's variant. Unwraps any depth and any D-Bus marshalling.
QVariant unwrap(QVariant v) {
    for (int depth = 0; depth < 4; ++depth) {
        if (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>()) {
            v = v.value<QDBusVariant>().variant();
        } else if (v.userType() == qMetaTypeId<QDBusArgument>()) {
            const QDBusArgument arg = v.value<QDBusArgument>();
            if (arg.currentType() != QDBusArgument::VariantType) break;
            v = qdbus_cast<QDBusVariant>(arg).variant();
        } else {
            break;
        }
    }
    return v;
}

std::optional<unsigned> schemeOf(const QVariant& raw) {
    const QVariant v = unwrap(raw);
    bool ok = false;
    const uint scheme = v.toUInt(&ok);
    if (!ok || scheme > ColorSchemePortal::PreferLight) {
        kx::log(QStringLiteral("ignoring color-scheme value %1 from the settings portal").arg(v.toString()));
        return std::nullopt;
    }
    return scheme;
}

// An accent colour: three numbers from 0 to 1; nothing when the value is not that.
std::optional<std::array<double, 3>> accentOf(const QVariant& raw) {
    const QVariant v = unwrap(raw);
    if (v.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument arg = v.value<QDBusArgument>();
    if (arg.currentType() != QDBusArgument::StructureType) return std::nullopt;
    std::array<double, 3> rgb{};
    arg.beginStructure();
    for (double& part : rgb) {
        if (arg.atEnd() || arg.currentType() != QDBusArgument::BasicType) return std::nullopt;
        arg >> part;
    }
    const bool complete = arg.atEnd();
    arg.endStructure();
    if (!complete) return std::nullopt;
    for (const double part : rgb)
        if (!(part >= 0 && part <= 1)) return std::nullopt;
    return rgb;
}

QDBusMessage readCall(const QString& key = ColorSchemeKey) {
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, PortalInterface,
                                                       QStringLiteral("Read"));
    call << AppearanceNamespace << key;
    return call;
}

// The scheme in a reply to Read; nothing for an error or an empty reply.
std::optional<unsigned> schemeInReply(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    return schemeOf(reply.arguments().constFirst());
}

} // namespace

ColorSchemePortal::ColorSchemePortal(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
    if (bus_.isConnected())
        bus_.connect(PortalService, PortalPath, PortalInterface, QStringLiteral("SettingChanged"), this,
                     SLOT(settingChanged(QDBusMessage)));
}

ColorSchemePortal::~ColorSchemePortal() {
    if (bus_.isConnected())
        bus_.disconnect(PortalService, PortalPath, PortalInterface, QStringLiteral("SettingChanged"), this,
                        SLOT(settingChanged(QDBusMessage)));
}

void ColorSchemePortal::request(int timeoutMs) {
    if (!bus_.isConnected()) return;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(readCall(), timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (const auto scheme = schemeInReply(w->reply())) emit colorSchemeReceived(*scheme);
    });
}

void ColorSchemePortal::requestAccentColor(int timeoutMs) {
    if (!bus_.isConnected()) return;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(readCall(AccentColorKey), timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
        emitAccentColor(reply.arguments().constFirst());
    });
}

void ColorSchemePortal::emitAccentColor(const QVariant& value) {
    const auto rgb = accentOf(value);
    emit accentColorReceived(rgb.has_value(), rgb ? (*rgb)[0] : 0, rgb ? (*rgb)[1] : 0, rgb ? (*rgb)[2] : 0);
}

std::optional<unsigned> ColorSchemePortal::read(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected()) return std::nullopt;
    return schemeInReply(bus.call(readCall(), QDBus::Block, timeoutMs));
}

// Taken as a whole message: QtDBus does not match a QDBusVariant slot argument.
void ColorSchemePortal::settingChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 3) return;
    if (args[0].toString() != AppearanceNamespace) return;
    if (args[1].toString() == AccentColorKey) {
        emitAccentColor(args[2]);
        return;
    }
    if (args[1].toString() != ColorSchemeKey) return;
    if (const auto scheme = schemeOf(args[2])) emit colorSchemeReceived(*scheme);
}
