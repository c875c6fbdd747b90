// The palette takes the user's accent colour from the desktop: a settings portal on the
// session bus states it, and a change it announces is followed. The real runebox program
// reads a portal that this test serves. A dark preference stated there darkens the whole
// window, live, with the accent colour as the selection colour.
#include "RuneboxCopy.h"
#include "SheetDriving.h"
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
const QString ColorScheme = QStringLiteral("color-scheme");

// The desktop's settings portal, answering an accent colour and a colour-scheme
// preference (none unless told).
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    Rgb accent;
    unsigned scheme = 0;  // no preference

    static QDBusVariant value(const QVariant& v) { return QDBusVariant(v); }

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        QVariant v = QVariant::fromValue(0u);
        if (nameSpace == Appearance && key == AccentColor) v = QVariant::fromValue(accent);
        if (nameSpace == Appearance && key == ColorScheme) v = QVariant::fromValue(scheme);
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

TEST(AccentColor, ADarkPreferenceDarkensTheWholeWindowLiveAndTheAccentIsTheSelectionColour) {
    // A desktop that states its dark preference through the portal but gives programs
    // light colours (GNOME with a plain Qt): the controls, the font list and the sheets
    // follow the preference, not only the table.
    qDBusRegisterMetaType<Rgb>();
    FakePortal portal;
    portal.accent = {0.85, 0.2, 0.25};
    portal.scheme = 1;  // prefer dark
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    x11test::pointTo(QPoint(1100, 80));
    x11test::Copy copy;
    ASSERT_TRUE(x11test::Copy::waitForState([](const QVariantMap& s) {
        return x11test::Copy::shownAndPainted(s) && s.value(QStringLiteral("fontListLoaded")).toBool() &&
               s.value(QStringLiteral("accent")) == QLatin1String("Red");
    })) << copy.output().toStdString();

    // The search field, the font list and the filter field beside the table, all dark.
    const QStringList controls{QStringLiteral("searchField"), QStringLiteral("fontFilterField"),
                               QStringLiteral("fontListPanel"), QStringLiteral("layoutPopUp")};
    auto allAre = [&](bool dark) {
        return rbxtest::waitFor([&] {
            const QImage shot = x11test::screenshot(dark ? QStringLiteral("dark-preference") : QStringLiteral("light-preference"));
            for (const QString& name : controls) {
                const QRect r = x11test::controlRect(name);
                const double l = x11test::lightness(shot, r.adjusted(2, 2, -2, -2));
                if (r.isEmpty() || (dark ? l > 0.35 : l < 0.6)) return false;
            }
            return true;
        }, 10000);
    };
    EXPECT_TRUE(allAre(true)) << copy.output().toStdString();

    // The chosen family's row shows the accent colour as its selection.
    const QString family = x11test::Copy::state().value(QStringLiteral("fontFamily")).toString();
    QRect row;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        row = x11test::rectOf(x11test::Copy::debugCall(QStringLiteral("FontRowRect"), {family}));
        return !row.isEmpty();
    }, 10000)) << family.toStdString();
    const QColor selection = x11test::screenshot(QStringLiteral("accent-selection")).pixelColor(row.left() + 2, row.center().y());
    EXPECT_GT(selection.redF() - selection.greenF(), 0.3) << selection.name().toStdString();

    // A sheet is dark too.
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://open?sheet=about")), 0);
    ASSERT_TRUE(x11test::waitForSheet(QStringLiteral("about")));
    EXPECT_TRUE(rbxtest::waitFor([] {
        const QRect sheet = x11test::controlRect(QStringLiteral("aboutSheet"));
        return !sheet.isEmpty() &&
               x11test::lightness(x11test::screenshot(QStringLiteral("dark-preference-about")),
                                  QRect(sheet.x() + 1, sheet.y() + 1, 5, sheet.height() - 2)) < 0.35;
    }, 10000));
    x11test::pressKey(QStringLiteral("Escape"));
    ASSERT_TRUE(x11test::waitForSheet(QString()));

    // The desktop turns light: so does the window, at once.
    portal.scheme = 2;
    emit portal.SettingChanged(Appearance, ColorScheme, FakePortal::value(QVariant::fromValue(2u)));
    EXPECT_TRUE(allAre(false)) << copy.output().toStdString();
    EXPECT_EQ(copy.process().state(), QProcess::Running);
}

} // namespace

#include "AccentColorTest.moc"
