// The desktop's dark style (xdg-desktop-portal) and Do Not Disturb.

#include "kxlib/KXUtilities.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QThread>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");
constexpr int kPortalTimeoutMs = 500;
// After a failed read the portal is asked again only after this long.
constexpr qint64 kRetryMs = 10000;

// Unwraps the (possibly doubly wrapped) variant the portal answers.
QVariant unwrap(QVariant v) {
    while (v.canConvert<QDBusVariant>() && v.metaType() == QMetaType::fromType<QDBusVariant>())
        v = qvariant_cast<QDBusVariant>(v).variant();
    return v;
}

// Receives the portal's change signal on the main thread.
class PortalListener : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    std::function<void(const QVariant&)> onColorScheme;
public Q_SLOTS:
    // Taken as a whole message: QtDBus does not match a QDBusVariant slot argument.
    void settingChanged(const QDBusMessage& message) {
        const QVariantList args = message.arguments();
        if (args.size() != 3 || !onColorScheme) return;
        if (args[0].toString() == kAppearance && args[1].toString() == kColorScheme) onColorScheme(unwrap(args[2]));
    }
};

struct AppearanceState {
    QMutex mutex;
    int colorScheme = -1;  // -1 unknown, else the portal's value
    qint64 failedAt = -1;  // when the last read failed (ms since the epoch)
    bool listening = false;
    PortalListener* listener = nullptr;
    std::function<bool()> fallback;
};

AppearanceState& state() {
    static AppearanceState s;
    return s;
}

void listenForChanges(AppearanceState& s) {
    // Called with the mutex held.
    if (s.listening) return;
    auto* app = QCoreApplication::instance();
    if (!app) return;
    s.listening = true;
    s.listener = new PortalListener;
    s.listener->moveToThread(app->thread());
    s.listener->onColorScheme = [](const QVariant& v) {
        AppearanceState& st = state();
        QMutexLocker lock(&st.mutex);
        bool ok = false;
        const uint scheme = v.toUInt(&ok);
        if (ok) st.colorScheme = static_cast<int>(scheme);
    };
    QDBusConnection::sessionBus().connect(kPortalService, kPortalPath, kSettingsInterface,
                                          QStringLiteral("SettingChanged"), s.listener,
                                          SLOT(settingChanged(QDBusMessage)));
}

// The portal's color-scheme value, -1 when it does not answer.
int readColorScheme() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return -1;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettingsInterface,
                                                       QStringLiteral("Read"));
    call << kAppearance << kColorScheme;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return -1;
    bool ok = false;
    const uint scheme = unwrap(reply.arguments().constFirst()).toUInt(&ok);
    return ok ? static_cast<int>(scheme) : -1;
}

// The kept color-scheme value, read from the portal when unknown.
int colorScheme() {
    AppearanceState& s = state();
    QMutexLocker lock(&s.mutex);
    if (s.colorScheme >= 0) return s.colorScheme;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (s.failedAt >= 0 && now - s.failedAt < kRetryMs) return -1;
    listenForChanges(s);
    lock.unlock();
    const int scheme = readColorScheme();
    lock.relock();
    if (scheme < 0) {
        s.failedAt = now;
        return s.colorScheme;  // the change signal may have filled it meanwhile
    }
    s.failedAt = -1;
    s.colorScheme = scheme;
    return scheme;
}

} // namespace

bool KXUtilities::darkMenuTheme() {
    initialize();
    return colorScheme() == 1;
}

bool KXUtilities::darkAppearance() {
    initialize();
    const int scheme = colorScheme();
    if (scheme >= 0) return scheme == 1;
    std::function<bool()> fallback;
    {
        QMutexLocker lock(&state().mutex);
        fallback = state().fallback;
    }
    return fallback ? fallback() : false;
}

void KXUtilities::setAppearanceFallback(std::function<bool()> fallback) {
    QMutexLocker lock(&state().mutex);
    state().fallback = std::move(fallback);
}

void KXUtilities::resetAppearanceCache() {
    QMutexLocker lock(&state().mutex);
    state().colorScheme = -1;
    state().failedAt = -1;
}

namespace {
// A GNOME setting as gsettings prints it ("true", "'dark'"); "" when there is none.
QString gsettingsValue(const QString& schema, const QString& key) {
    return KXUtilities::shellCommandResult(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key}, 2).trimmed();
}
} // namespace

bool KXUtilities::doNotDisturbMode() {
    return gsettingsValue(QStringLiteral("org.gnome.desktop.notifications"), QStringLiteral("show-banners")) ==
           QLatin1String("false");
}

bool KXUtilities::reducedTransparency() {
    return gsettingsValue(QStringLiteral("org.gnome.desktop.a11y.interface"), QStringLiteral("high-contrast")) ==
           QLatin1String("true");
}

bool KXUtilities::currentTimeInDNDRange(int startMinutes, int endMinutes, const QTime& now) {
    auto normal = [](int m) { return ((m % 1440) + 1440) % 1440; };
    const int start = normal(startMinutes), end = normal(endMinutes);
    if (start == end) return false;
    const int t = now.hour() * 60 + now.minute();
    if (end > start) return start <= t && t < end;
    return t >= start || t < end;
}

#include "KXUtilitiesAppearance.moc"
