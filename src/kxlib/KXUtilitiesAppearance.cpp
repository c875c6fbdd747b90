// The desktop's dark style (xdg-desktop-portal) and Do Not Disturb.

#include "kxlib/KXUtilities.h"

#include "core/ProcessWide.h"
#include "platform/dbus/ColorSchemePortal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDateTime>
#include <QMutex>
#include <QObject>

namespace {

constexpr int kPortalTimeoutMs = 500;
// After a failed read the portal is asked again only after this long.
constexpr qint64 kRetryMs = 10000;

struct AppearanceState {
    QMutex mutex;
    int colorScheme = -1;  // -1 unknown, else the portal's value
    qint64 failedAt = -1;  // when the last read failed (ms since the epoch)
    bool listening = false;
    ColorSchemePortal* portal = nullptr;
};

class LightAppearance : public KXAppearanceFallback {
public:
    bool isDark() const override { return false; }
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
    // The portal's announcements are taken on the main thread.
    s.portal = new ColorSchemePortal(QDBusConnection::sessionBus());
    s.portal->moveToThread(app->thread());
    QObject::connect(s.portal, &ColorSchemePortal::colorSchemeReceived, s.portal, [](unsigned scheme) {
        AppearanceState& st = state();
        QMutexLocker lock(&st.mutex);
        st.colorScheme = static_cast<int>(scheme);
    });
}

// The portal's color-scheme value, -1 when it does not answer.
int readColorScheme() {
    const std::optional<unsigned> scheme = ColorSchemePortal::read(QDBusConnection::sessionBus(), kPortalTimeoutMs);
    return scheme ? static_cast<int>(*scheme) : -1;
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
    return colorScheme() == ColorSchemePortal::PreferDark;
}

bool KXUtilities::darkAppearance() {
    initialize();
    const int scheme = colorScheme();
    if (scheme >= 0) return scheme == ColorSchemePortal::PreferDark;
    return kx::ProcessWide<KXAppearanceFallback>::get().isDark();
}

std::unique_ptr<KXAppearanceFallback> KXAppearanceFallback::makeDefault() { return std::make_unique<LightAppearance>(); }

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

