#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicColor.h"
#include "kxlib/gui/ViewExtensions.h"

#include "common/PrivateBus.h"
#include "common/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPalette>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using rbxtest::PrivateBus;

// Serves the settings portal's appearance key.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 0;
    int reads = 0;

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        ++reads;
        if (nameSpace == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("color-scheme"))
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant::fromValue(scheme))));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(QString()))));
    }

signals:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);
};

// Records the appearanceChanged signals of a service.
struct ChangeLog {
    explicit ChangeLog(KXAppearance* a) {
        QObject::connect(a, &KXAppearance::appearanceChanged, a, [this](bool dark) { values.push_back(dark); });
    }
    int count() const { return int(values.size()); }
    std::vector<bool> values;
};

struct PaletteGuard {
    QPalette saved = QGuiApplication::palette();
    ~PaletteGuard() { QGuiApplication::setPalette(saved); }
    static void setWindowColor(const QColor& c) {
        QPalette p = QGuiApplication::palette();
        p.setColor(QPalette::Window, c);
        QGuiApplication::setPalette(p);
    }
};

} // namespace

TEST(Appearance, PortalSchemeDecidesAndItsChangesAreFollowed) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection portalSide = bus.connect(QStringLiteral("portal"));
    FakePortal portal;
    portal.scheme = KXAppearance::PreferDark;
    ASSERT_TRUE(portalSide.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    ASSERT_TRUE(portalSide.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));

    PaletteGuard guard;
    PaletteGuard::setWindowColor(Qt::white);
    KXAppearance appearance(bus.connect(QStringLiteral("client")));
    ChangeLog changes(&appearance);
    ASSERT_TRUE(rbxtest::waitFor([&] { return appearance.portalColorScheme().has_value(); }));
    EXPECT_TRUE(appearance.isDark());
    EXPECT_EQ(changes.count(), 1);

    // The desktop switches to light: the signal carries the value's variant.
    emit portal.SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                               QDBusVariant(QVariant::fromValue(uint(KXAppearance::PreferLight))));
    ASSERT_TRUE(rbxtest::waitFor([&] { return !appearance.isDark(); }));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(changes.values.back());

    // Other keys and namespaces are not ours; a palette change does not override the portal.
    emit portal.SettingChanged(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"),
                               QDBusVariant(QVariant::fromValue(uint(KXAppearance::PreferDark))));
    PaletteGuard::setWindowColor(QColor(20, 20, 20));
    rbxtest::spinEventLoop(100);
    EXPECT_FALSE(appearance.isDark());

    // "No preference" hands the decision back to the palette, which is dark now.
    emit portal.SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                               QDBusVariant(QVariant::fromValue(uint(KXAppearance::NoPreference))));
    EXPECT_TRUE(rbxtest::waitFor([&] { return appearance.isDark(); }));
}

TEST(Appearance, WithoutPortalThePaletteLightnessDecides) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    PaletteGuard guard;
    PaletteGuard::setWindowColor(QColor(240, 240, 240));
    KXAppearance appearance(bus.connect(QStringLiteral("client")));
    ChangeLog changes(&appearance);
    rbxtest::spinEventLoop(100); // the failed portal call comes back
    EXPECT_FALSE(appearance.portalColorScheme().has_value());
    EXPECT_FALSE(appearance.isDark());

    PaletteGuard::setWindowColor(QColor(30, 30, 34));
    EXPECT_TRUE(rbxtest::waitFor([&] { return appearance.isDark(); }));
    EXPECT_EQ(changes.count(), 1);

    appearance.setOverride(false);
    EXPECT_FALSE(appearance.isDark());
    EXPECT_EQ(changes.count(), 2);
    appearance.setOverride(std::nullopt);
    EXPECT_TRUE(appearance.isDark());
}

TEST(Appearance, DrawingScopesNestAndForcedLightViewsStayLight) {
    auto fresh = std::make_unique<KXAppearance>();
    KXAppearance* shared = fresh.get();
    KXAppearance::setShared(std::move(fresh));
    shared->setOverride(true);
    EXPECT_TRUE(KXAppearance::currentIsDark());
    {
        KXAppearance::DrawingScope light(false);
        EXPECT_FALSE(KXAppearance::currentIsDark());
        {
            KXAppearance::DrawingScope dark(true);
            EXPECT_TRUE(KXAppearance::currentIsDark());
        }
        EXPECT_FALSE(KXAppearance::currentIsDark());
    }
    EXPECT_TRUE(KXAppearance::currentIsDark());

    QWidget parent;
    QWidget* child = new QWidget(&parent);
    EXPECT_TRUE(kx::view::isDarkFor(child));
    kx::view::useLightAquaAppearance(&parent, true);
    EXPECT_FALSE(kx::view::isDarkFor(child));
    kx::view::useLightAquaAppearance(&parent, false);
    EXPECT_TRUE(kx::view::isDarkFor(child));

    int notified = 0;
    auto connection = kx::view::registerDarkModeNotifications(child, [&] { ++notified; });
    shared->setOverride(false);
    EXPECT_EQ(notified, 1);
    kx::view::unregisterDarkModeNotifications(connection);
    shared->setOverride(true);
    EXPECT_EQ(notified, 1);
    KXAppearance::setShared(nullptr);
}

#include "AppearanceTest.moc"
