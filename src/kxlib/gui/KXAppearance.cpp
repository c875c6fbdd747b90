#include "kxlib/gui/KXAppearance.h"

#include "core/Log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString PortalInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString AppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString ColorSchemeKey = QStringLiteral("color-scheme");

std::unique_ptr<KXAppearance>& sharedSlot() {
    static std::unique_ptr<KXAppearance> s;
    return s;
}

std::optional<bool>& drawingAppearance() {
    static std::optional<bool> d;
    return d;
}

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

} // namespace

KXAppearance::KXAppearance(QObject* parent) : QObject(parent) {
    if (qApp) qApp->installEventFilter(this);
    dark_ = paletteIsDark();
}

KXAppearance::KXAppearance(const QDBusConnection& bus, QObject* parent) : KXAppearance(parent) {
    if (!bus.isConnected()) return;
    bus_ = bus;
    bus_->connect(PortalService, PortalPath, PortalInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(portalSettingChanged(QDBusMessage)));
    requestPortalValue();
}

KXAppearance::~KXAppearance() {
    if (bus_)
        bus_->disconnect(PortalService, PortalPath, PortalInterface, QStringLiteral("SettingChanged"),
                         this, SLOT(portalSettingChanged(QDBusMessage)));
}

KXAppearance& KXAppearance::shared() {
    auto& s = sharedSlot();
    if (!s) s = std::make_unique<KXAppearance>(QDBusConnection::sessionBus());
    return *s;
}

void KXAppearance::setShared(std::unique_ptr<KXAppearance> appearance) {
    sharedSlot() = std::move(appearance);
}

bool KXAppearance::isDark() const { return override_.value_or(dark_); }

void KXAppearance::setOverride(std::optional<bool> dark) {
    const bool before = isDark();
    override_ = dark;
    if (isDark() != before) emit appearanceChanged(isDark());
}

bool KXAppearance::currentIsDark() {
    if (drawingAppearance()) return *drawingAppearance();
    return shared().isDark();
}

KXAppearance::DrawingScope::DrawingScope(bool dark) : previous_(drawingAppearance()) {
    drawingAppearance() = dark;
}

KXAppearance::DrawingScope::~DrawingScope() { drawingAppearance() = previous_; }

void KXAppearance::requestPortalValue() {
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, PortalInterface,
                                                       QStringLiteral("Read"));
    call << AppearanceNamespace << ColorSchemeKey;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
        takePortalValue(reply.arguments().constFirst());
    });
}

void KXAppearance::portalSettingChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 3) return;
    if (args[0].toString() != AppearanceNamespace || args[1].toString() != ColorSchemeKey) return;
    takePortalValue(args[2]);
}

void KXAppearance::takePortalValue(const QVariant& raw) {
    const QVariant v = unwrap(raw);
    bool ok = false;
    const uint scheme = v.toUInt(&ok);
    if (!ok || scheme > PreferLight) {
        kx::log(QStringLiteral("ignoring color-scheme value %1 from the settings portal").arg(v.toString()));
        return;
    }
    portalScheme_ = scheme;
    reevaluate();
}

bool KXAppearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) reevaluate();
    return QObject::eventFilter(watched, event);
}

void KXAppearance::reevaluate() {
    const bool before = isDark();
    if (portalScheme_ && *portalScheme_ != NoPreference)
        dark_ = *portalScheme_ == PreferDark;
    else
        dark_ = paletteIsDark();
    if (isDark() != before) emit appearanceChanged(isDark());
}

bool KXAppearance::paletteIsDark() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window).lightness() < 128;
}
