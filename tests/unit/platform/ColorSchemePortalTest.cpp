// The desktop's colour scheme from a settings portal served on a private bus.
#include "platform/dbus/ColorSchemePortal.h"

#include "common/PrivateBus.h"
#include "common/TestEnvironment.h"
#include "core/Log.h"

#include <QDBusVariant>
#include <gtest/gtest.h>
#include <optional>

namespace {

class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 0;

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        if (nameSpace == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("color-scheme"))
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant::fromValue(scheme))));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(QString()))));
    }

signals:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);
};

const QString Appearance = QStringLiteral("org.freedesktop.appearance");
const QString ColorScheme = QStringLiteral("color-scheme");

QDBusVariant value(uint scheme) { return QDBusVariant(QVariant::fromValue(scheme)); }

// The fake portal served on its own connection of a private bus, answering `scheme`.
struct ServedPortal {
    explicit ServedPortal(uint scheme) {
        fake.scheme = scheme;
        if (!bus.isRunning()) return;
        QDBusConnection side = bus.connect(QStringLiteral("portal"));
        serving = side.registerService(QStringLiteral("org.freedesktop.portal.Desktop")) &&
                  side.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &fake,
                                      QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
        if (serving) portalSide.emplace(side);
    }
    rbxtest::PrivateBus bus;
    FakePortal fake;
    std::optional<QDBusConnection> portalSide;
    bool serving = false;
};

TEST(ColorSchemePortal, AnswersAndAnnouncementsOfKnownSchemesArrive) {
    ServedPortal served(ColorSchemePortal::PreferDark);
    ASSERT_TRUE(served.serving);
    FakePortal& fake = served.fake;
    ColorSchemePortal portal(served.bus.connect(QStringLiteral("client")));
    QList<unsigned> received;
    QObject::connect(&portal, &ColorSchemePortal::colorSchemeReceived, [&](unsigned s) { received << s; });
    portal.request(2000);
    ASSERT_TRUE(rbxtest::waitFor([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, QList<unsigned>{ColorSchemePortal::PreferDark});

    // Only the appearance namespace's colour scheme is ours.
    emit fake.SettingChanged(QStringLiteral("org.gnome.desktop.interface"), ColorScheme, value(1));
    emit fake.SettingChanged(Appearance, QStringLiteral("accent-color"), value(1));
    emit fake.SettingChanged(Appearance, ColorScheme, value(ColorSchemePortal::PreferLight));
    ASSERT_TRUE(rbxtest::waitFor([&] { return received.size() == 2; }));
    rbxtest::spinEventLoop(50);
    EXPECT_EQ(received, (QList<unsigned>{ColorSchemePortal::PreferDark, ColorSchemePortal::PreferLight}));
}

TEST(ColorSchemePortal, UnknownValuesAreLoggedAndIgnored) {
    ServedPortal served(7);
    ASSERT_TRUE(served.serving);
    kx::LogCapture log;
    ColorSchemePortal portal(served.bus.connect(QStringLiteral("client")));
    int received = 0;
    QObject::connect(&portal, &ColorSchemePortal::colorSchemeReceived, [&] { ++received; });
    portal.request(2000);
    ASSERT_TRUE(rbxtest::waitFor([&] { return log.contains(QStringLiteral("color-scheme value 7")); }));
    EXPECT_EQ(log.lines().first(), QStringLiteral("ignoring color-scheme value 7 from the settings portal"));
    emit served.fake.SettingChanged(Appearance, ColorScheme, QDBusVariant(QVariant(QStringLiteral("dark"))));
    ASSERT_TRUE(rbxtest::waitFor([&] { return log.lines().size() == 2; }));
    EXPECT_EQ(received, 0);

    // No portal on the bus, or no bus: no answer, at once.
    served.portalSide->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    EXPECT_FALSE(ColorSchemePortal::read(served.bus.connect(QStringLiteral("reader")), 2000).has_value());
    EXPECT_FALSE(ColorSchemePortal::read(QDBusConnection(QStringLiteral("not connected")), 2000).has_value());
}

} // namespace

#include "ColorSchemePortalTest.moc"
