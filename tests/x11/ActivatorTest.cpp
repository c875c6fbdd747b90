// The activators of the running palette on a desktop: the corner strip that shows when
// the pointer reaches the corner and toggles the palette on a click while the front
// application keeps the keyboard, and the tray icon that a tray host appearing later
// receives and that toggles the palette too.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <algorithm>
#include <optional>
#include <gtest/gtest.h>
// Last: Xlib's macros clash with the names above.
#include <X11/Xlib.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;

void pointerTo(int x, int y) {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
}
void click() { run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")}); }

// The pointer stays away from the middle of the screen, where the palette opens: with the
// mouse over it the palette would have the keyboard.

// The mapped corner strip's geometry "x,y wxh"; "" while none is mapped.
QString stripGeometry() {
    QString ids;
    run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                    QStringLiteral("^Runebox corner$")}, &ids);
    const QString id = ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0).trimmed();
    if (id.isEmpty() || !id.at(0).isDigit()) return {};
    QString g;
    run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), id}, &g);
    const QString pos = g.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
    const QString size = g.section(QStringLiteral("Geometry: "), 1).trimmed();
    return pos + QLatin1Char(' ') + size;
}

bool waitForStrip(const QString& geometry, int ms = 10000) {
    return rbxtest::waitFor([&] { return stripGeometry() == geometry; }, ms);
}

bool launched(Copy& copy) {
    return rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("open-window hot key")); }, 15000);
}

int writeSetting(const QString& key, const QString& value) {
    return run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"), key, value});
}

// The open menu's entries: title and place on the screen.
QList<QPair<QString, QRect>> menuItems() {
    QList<QPair<QString, QRect>> items;
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("MenuItems")))) {
        const QVariantMap m = qdbus_cast<QVariantMap>(v);
        const QVariantList r = qdbus_cast<QVariantList>(m.value(QStringLiteral("rect")));
        if (r.size() == 4)
            items.append({m.value(QStringLiteral("title")).toString(),
                          QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt())});
    }
    return items;
}

bool settled(const QVariantMap& s) { return Copy::shownAndPainted(s) && s.value(QStringLiteral("alpha")).toDouble() >= 1; }

// The probe in front with the keyboard, the pointer away from the middle of the screen
// (where the palette opens: with the mouse over it the palette would have the keyboard),
// and the palette launched, at rest and done with its launch.
struct PaletteOverProbe {
    const bool pointerAway = (pointerTo(1100, 80), true);
    ProbeClient probe;
    std::optional<Copy> copy;

    ::testing::AssertionResult launch() {
        if (!probe.started() || !probe.waitForKeyboardFocus())
            return ::testing::AssertionFailure() << "the probe did not come to the front";
        copy.emplace();
        if (!Copy::waitForState(settled) || !launched(*copy))
            return ::testing::AssertionFailure() << copy->output().toStdString();
        return ::testing::AssertionSuccess();
    }
};

TEST(Activator, TheCornerStripShowsNearItsCornerAndAClickTogglesThePaletteWithoutTakingTheFocus) {
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("0")), 0);
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    rbxtest::spinEventLoop(300);
    EXPECT_EQ(stripGeometry(), QString());

    // The pointer at the top-left corner brings the strip; a click on it closes the
    // palette, another opens it; the probe keeps the keyboard.
    pointerTo(3, 3);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    click();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    rbxtest::spinEventLoop(400);
    click();
    EXPECT_TRUE(Copy::waitForState(settled)) << copy.output().toStdString();
    EXPECT_TRUE(probe.hasKeyboardFocus());
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("q")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("q")));

    // A right click pulls the program's menu down just below the strip; its first entry
    // closes the palette, and the probe still has the keyboard afterwards.
    pointerTo(3, 3);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12")));
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    QList<QPair<QString, QRect>> items;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !(items = menuItems()).isEmpty(); }, 10000)) << copy.output().toStdString();
    EXPECT_TRUE(Copy::visible(Copy::state()));  // a right click does not toggle
    ASSERT_EQ(items.first().first, QStringLiteral("Close Palette"));
    const QRect first = items.first().second;
    EXPECT_GE(first.top(), 11);
    EXPECT_LT(first.top(), 11 + 12) << first.top();
    EXPECT_LT(first.left(), 10);
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const auto& i) { return i.first == QStringLiteral("Quit Runebox"); }));
    pointerTo(first.center().x(), first.center().y());
    click();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("r")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("qr"))) << probe.text().toStdString();

    // Away from the corner it goes; the top-right corner takes it when chosen.
    pointerTo(1100, 80);
    EXPECT_TRUE(waitForStrip(QString()));
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("2")), 0);
    rbxtest::spinEventLoop(500);
    pointerTo(1275, 2);
    EXPECT_TRUE(waitForStrip(QStringLiteral("1270,0 10x12"))) << stripGeometry().toStdString();
    // Always there without "hide Q in corner".
    ASSERT_EQ(writeSetting(QStringLiteral("hide Q in corner"), QStringLiteral("NO")), 0);
    pointerTo(1100, 80);
    rbxtest::spinEventLoop(500);
    EXPECT_EQ(stripGeometry(), QStringLiteral("1270,0 10x12"));

    // A full-screen window in front hides the strip, and the windows are logged with it
    // marked; back to normal, the strip returns.
    probe.call(QStringLiteral("FullScreen"), {true});
    EXPECT_TRUE(waitForStrip(QString())) << stripGeometry().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("fullScreen: 1")); }, 10000))
        << copy.output().toStdString();
    const QString log = copy.output();
    const qsizetype start = log.indexOf(QStringLiteral("START"));
    ASSERT_GE(start, 0);
    const QString listing = log.mid(start, log.indexOf(QStringLiteral("fullScreen: 1")) - start);
    EXPECT_TRUE(listing.contains(QStringLiteral("title = \"runebox-probe\""))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("FULL-SCREEN"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("END"))) << listing.toStdString();
    probe.call(QStringLiteral("FullScreen"), {false});
    EXPECT_TRUE(waitForStrip(QStringLiteral("1270,0 10x12"))) << stripGeometry().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("fullScreen: 0")); }, 10000))
        << copy.output().toStdString();
}

// A tray host of the system-tray protocol (XEmbed): owns the tray selection, announces
// itself, and takes the icons that ask to be docked into a window of its own at (600, 0).
class TrayHost {
public:
    explicit TrayHost(X11Session& x) : x_(x) {
        Display* dpy = x.display();
        window_ = XCreateSimpleWindow(dpy, x.rootWindow(), 600, 0, 24, 24, 0, 0, 0xffffff);
        XSetWindowAttributes a{};
        a.override_redirect = True;
        XChangeWindowAttributes(dpy, window_, CWOverrideRedirect, &a);
        XMapRaised(dpy, window_);
        const X11Session::Atom selection = x.atom("_NET_SYSTEM_TRAY_S0");
        opcode_ = x.atom("_NET_SYSTEM_TRAY_OPCODE");
        listener_ = x.addEventListener(ClientMessage, window_, [this](const XEvent& e) {
            if (e.xclient.message_type != opcode_ || e.xclient.data.l[1] != 0) return;
            docked = X11Session::Window(e.xclient.data.l[2]);
            XReparentWindow(x_.display(), docked, window_, 0, 0);
            XResizeWindow(x_.display(), docked, 24, 24);
            XMapRaised(x_.display(), docked);
            x_.flush();
        });
        XSetSelectionOwner(dpy, selection, window_, CurrentTime);
        const long data[5] = {long(x.serverTime()), long(selection), long(window_), 0, 0};
        x.sendClientMessage(x.rootWindow(), x.rootWindow(), x.atom("MANAGER"), data, StructureNotifyMask);
        x.sync();
    }
    ~TrayHost() {
        x_.removeEventListener(listener_);
        XDestroyWindow(x_.display(), window_);
        x_.sync();
    }
    X11Session::Window docked = 0;

private:
    X11Session& x_;
    X11Session::Window window_ = 0;
    X11Session::Atom opcode_ = 0;
    X11Session::ListenerId listener_ = 0;
};

TEST(Activator, WithoutATrayTheStripStandsInAndATrayThatAppearsLaterTakesTheIcon) {
    // The bundle's activator is the tray icon; this desktop has no tray yet.
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    ASSERT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("no tray: the corner activator stands in")); }))
        << copy.output().toStdString();
    pointerTo(2, 2);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    pointerTo(1100, 80);
    ASSERT_TRUE(waitForStrip(QString()));

    // A tray host appears: within the second the icon docks there and the strip retires.
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    TrayHost tray(x);
    ASSERT_TRUE(rbxtest::waitFor([&] { return tray.docked != 0; }, 10000)) << copy.output().toStdString();
    EXPECT_EQ(ewmh::windowPid(x, tray.docked), int(copy.process().processId()));
    EXPECT_TRUE(copy.output().contains(QStringLiteral("a tray appeared")));
    rbxtest::spinEventLoop(2500);  // two turns of the watch: the icon stays, nothing is recreated
    EXPECT_FALSE(copy.output().contains(QStringLiteral("recreated status item"))) << copy.output().toStdString();
    pointerTo(2, 2);
    rbxtest::spinEventLoop(500);
    EXPECT_EQ(stripGeometry(), QString());

    // A click on the icon closes the palette, another opens it; the probe keeps the keyboard.
    pointerTo(612, 12);
    click();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    rbxtest::spinEventLoop(400);
    click();
    EXPECT_TRUE(Copy::waitForState(settled)) << copy.output().toStdString();
    EXPECT_TRUE(probe.hasKeyboardFocus());
}

// A tray host of the StatusNotifierItem kind: the watcher that items register with, and
// that says a host is there.
class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }
    QStringList registered;

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        registered << service;
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
};

// The number of pixels that are not fully transparent in the item's largest icon image;
// -1 when the item has none.
int opaquePixelsOfIcon(const QString& service) {
    QDBusMessage get = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("IconPixmap");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return -1;
    const QDBusArgument images = qvariant_cast<QDBusArgument>(qvariant_cast<QDBusVariant>(reply.arguments().first()).variant());
    int best = -1, largest = 0;
    images.beginArray();
    while (!images.atEnd()) {
        int w = 0, h = 0;
        QByteArray argb;
        images.beginStructure();
        images >> w >> h >> argb;
        images.endStructure();
        if (w * h <= largest || argb.size() != w * h * 4) continue;
        largest = w * h;
        best = 0;
        for (int i = 0; i < argb.size(); i += 4) best += argb[i] != 0;  // alpha first, big-endian
    }
    images.endArray();
    return best;
}

TEST(Activator, AStatusNotifierTrayTakesTheIconWhichIsDrawnAndTogglesThePalette) {
    StatusNotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                       QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));

    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !watcher.registered.isEmpty(); }, 10000)) << copy.output().toStdString();
    const QString item = watcher.registered.first();
    EXPECT_GT(opaquePixelsOfIcon(item), 20);

    // The host never says where it shows the icon: the icon stays, no strip stands in.
    rbxtest::spinEventLoop(2500);
    EXPECT_FALSE(copy.output().contains(QStringLiteral("recreated status item"))) << copy.output().toStdString();
    EXPECT_FALSE(copy.output().contains(QStringLiteral("stands in"))) << copy.output().toStdString();
    pointerTo(2, 2);
    rbxtest::spinEventLoop(500);
    EXPECT_EQ(stripGeometry(), QString());
    EXPECT_EQ(watcher.registered.size(), 1);
    pointerTo(1100, 80);

    // The host activates the item as a click on it would: the palette closes, then opens;
    // the probe keeps the keyboard.
    auto activate = [&]() -> ::testing::AssertionResult {
        QDBusMessage m = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        m << 600 << 10;
        const QDBusMessage reply = bus.call(m, QDBus::Block, 20000);
        if (reply.type() == QDBusMessage::ReplyMessage) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << reply.errorName().toStdString() << ": " << reply.errorMessage().toStdString()
                                             << "\n" << copy.output().toStdString();
    };
    ASSERT_TRUE(activate());
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    rbxtest::spinEventLoop(400);
    ASSERT_TRUE(activate());
    EXPECT_TRUE(Copy::waitForState(settled)) << copy.output().toStdString();
    EXPECT_TRUE(probe.hasKeyboardFocus());
}

} // namespace

// Xlib's Bool would replace the meta-object compiler's QMetaType::Bool.
#undef Bool
#include "ActivatorTest.moc"
