// Accessibility events of other programs: event names and their signals, and a watch
// that passes on only the events of its process, names and details it was asked for.
#include "common/PrivateBus.h"

#include <gtest/gtest.h>
#include "common/TestEnvironment.h"
#include "platform/dbus/AccessibilityEvents.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <unistd.h>

namespace {

TEST(AccessibilityEvents, NamesAndTheirSignals) {
    auto sig = [](const char* name) {
        const auto s = a11y::eventSignal(QString::fromLatin1(name));
        return s ? s->interface + QLatin1Char('|') + s->member + QLatin1Char('|') + s->detail : QStringLiteral("none");
    };
    EXPECT_EQ(sig("object:state-changed:focused"), QStringLiteral("org.a11y.atspi.Event.Object|StateChanged|focused"));
    EXPECT_EQ(sig("object:text-changed"), QStringLiteral("org.a11y.atspi.Event.Object|TextChanged|"));
    EXPECT_EQ(sig("window:activate"), QStringLiteral("org.a11y.atspi.Event.Window|Activate|"));
    EXPECT_EQ(sig("focus:"), QStringLiteral("org.a11y.atspi.Event.Focus|Focus|"));
    for (const char* bad : {"", "object", "Object:x", "object:bad name", "nonsense:thing", "object:x:y:z", ":x"})
        EXPECT_EQ(sig(bad), QStringLiteral("none")) << bad;
}

QDBusMessage event(const QString& path, const QString& interface, const QString& member, const QString& detail) {
    QDBusMessage m = QDBusMessage::createSignal(path, interface, member);
    m << detail << 0 << 0 << QVariant::fromValue(QDBusVariant(0)) << QVariantMap();
    return m;
}

TEST(AccessibilityEvents, WatchPassesOnWhatWasAskedForFromItsProcess) {
    rbxtest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection watching = bus.connect(QStringLiteral("watch"));
    QDBusConnection program = bus.connect(QStringLiteral("program"));  // in this process
    ASSERT_TRUE(watching.isConnected() && program.isConnected());

    QStringList seen, seenByOther;
    a11y::EventWatch mine(uint(getpid()), [&](const QString& e, const QString& n) { seen << n + QLatin1Char('@') + e; },
                          watching);
    // A watch for another process hears nothing of this one.
    a11y::EventWatch other(uint(getpid()) + 100000, [&](const QString& e, const QString&) { seenByOther << e; }, watching);
    EXPECT_TRUE(mine.add(QStringLiteral("object:state-changed:focused")));
    EXPECT_TRUE(mine.add(QStringLiteral("window:activate")));
    EXPECT_FALSE(mine.add(QStringLiteral("not an event")));
    EXPECT_TRUE(other.add(QStringLiteral("window:activate")));

    const QString obj = QStringLiteral("/org/a11y/atspi/accessible/7");
    program.send(event(obj, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("StateChanged"), QStringLiteral("checked")));
    program.send(event(obj, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("TextChanged"), QStringLiteral("insert")));
    program.send(event(obj, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("StateChanged"), QStringLiteral("focused")));
    program.send(event(QStringLiteral("/w"), QStringLiteral("org.a11y.atspi.Event.Window"), QStringLiteral("Activate"), QString()));
    ASSERT_TRUE(rbxtest::waitFor([&] { return seen.size() >= 2; }));
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("object:state-changed:focused@") + obj, QStringLiteral("window:activate@/w")}));
    EXPECT_TRUE(seenByOther.isEmpty());

    // Removed: no longer passed on.
    EXPECT_TRUE(mine.remove(QStringLiteral("window:activate")));
    EXPECT_FALSE(mine.remove(QStringLiteral("window:activate")));
    seen.clear();
    program.send(event(QStringLiteral("/w"), QStringLiteral("org.a11y.atspi.Event.Window"), QStringLiteral("Activate"), QString()));
    program.send(event(obj, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("StateChanged"), QStringLiteral("focused")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return !seen.isEmpty(); }));
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("object:state-changed:focused@") + obj}));
}

} // namespace
