// The palette takes the user's accent colour from the desktop: a settings portal on the
// session bus states it, and a change it announces is followed. The real runebox program
// reads a portal that this test serves.
#include "RuneboxCopy.h"
#include "common/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <gtest/gtest.h>

namespace {

struct Rgb {
    double red = 0, green = 0, blue = 0;
};

} // namespace

Q_DECLARE_METATYPE(Rgb)

namespace {

QDBusArgument& operator<<(QDBusArgument& arg, const Rgb& c) {
    arg.beginStructure();
    arg << c.red << c.green << c.blue;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Rgb& c) {
    arg.beginStructure();
    arg >> c.red >> c.green >> c.blue;
    arg.endStructure();
    return arg;
}

const QString Appearance = QStringLiteral("org.freedesktop.appearance");
const QString AccentColor = QStringLiteral("accent-color");

// The desktop's settings portal, answering an accent colour and no colour-scheme
// preference.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    Rgb accent;

    static QDBusVariant value(const QVariant& v) { return QDBusVariant(v); }

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        QVariant v = QVariant::fromValue(0u);
        if (nameSpace == Appearance && key == AccentColor) v = QVariant::fromValue(accent);
        return QDBusVariant(QVariant::fromValue(QDBusVariant(v)));
    }

signals:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);
};

TEST(AccentColor, TheDesktopsAccentColourIsReadAndFollowed) {
    qDBusRegisterMetaType<Rgb>();
    FakePortal portal;
    portal.accent = {0.85, 0.2, 0.25};
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));

    x11test::Copy copy;
    ASSERT_TRUE(x11test::Copy::waitForState(x11test::Copy::shownAndPainted)) << copy.output().toStdString();
    auto accentIs = [](const char* name) {
        return [name](const QVariantMap& s) { return s.value(QStringLiteral("accent")) == QLatin1String(name); };
    };
    EXPECT_TRUE(x11test::Copy::waitForState(accentIs("Red"))) << copy.output().toStdString();

    portal.accent = {0.3, 0.7, 0.35};
    emit portal.SettingChanged(Appearance, AccentColor, FakePortal::value(QVariant::fromValue(portal.accent)));
    EXPECT_TRUE(x11test::Copy::waitForState(accentIs("Green"))) << copy.output().toStdString();

    // A grey accent is Graphite; a value that is no colour leaves the palette's highlight.
    emit portal.SettingChanged(Appearance, AccentColor, FakePortal::value(QVariant::fromValue(Rgb{0.5, 0.5, 0.52})));
    EXPECT_TRUE(x11test::Copy::waitForState(accentIs("Graphite"))) << copy.output().toStdString();
    emit portal.SettingChanged(Appearance, AccentColor, FakePortal::value(QVariant(QStringLiteral("red"))));
    EXPECT_TRUE(x11test::Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("accent")) != QLatin1String("Graphite");
    })) << copy.output().toStdString();
    EXPECT_EQ(copy.process().state(), QProcess::Running);
}

} // namespace

#include "AccentColorTest.moc"
