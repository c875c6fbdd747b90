// A process's accessibility events become notifications about that process.
#include "common/PrivateBus.h"
#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "kxlib/KXNotificationCenter.h"
#include "kxlib/KXProcess.h"
#include "core/Log.h"
#include "platform/dbus/AccessibilityEvents.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <gtest/gtest.h>
#include <optional>

namespace {

TEST(KXProcessAccessibility, EventsOfTheProcessAreAnnounced) {
    rbxtest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    std::optional<rbxtest::ScopedInstance<a11y::AccessibilityBus>> a11yBus;
    a11yBus.emplace(std::make_unique<a11y::AccessibilityBus>(bus.connect(QStringLiteral("observer"))));
    QDBusConnection program = bus.connect(QStringLiteral("program"));  // speaks for this process

    const KXProcess::Ptr me = KXProcess::currentProcess();
    QList<QVariantMap> seen;
    const auto token = KXNotificationCenter::defaultCenter().addObserver(
        KXProcess::UINotification, me.get(), [&](const KXNotification& n) { seen << n.userInfo; });
    kx::LogCapture log;
    EXPECT_TRUE(me->addAXNotification(QStringLiteral("object:state-changed:focused")));
    EXPECT_FALSE(me->addAXNotification(QStringLiteral("focused")));
    EXPECT_TRUE(log.contains(QStringLiteral("AX Notifications: Could not add notification focused for ")));

    QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/org/a11y/atspi/accessible/3"),
                                                QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("StateChanged"));
    m << QStringLiteral("focused") << 1 << 0 << QVariant::fromValue(QDBusVariant(0)) << QVariantMap();
    ASSERT_TRUE(program.send(m));
    ASSERT_TRUE(rbxtest::waitFor([&] { return !seen.isEmpty(); }));
    EXPECT_EQ(seen.first().value(QStringLiteral("element")).toString(), QStringLiteral("/org/a11y/atspi/accessible/3"));
    EXPECT_EQ(seen.first().value(QStringLiteral("event")).toString(), QStringLiteral("object:state-changed:focused"));

    EXPECT_TRUE(me->removeAXNotification(QStringLiteral("object:state-changed:focused")));
    seen.clear();
    program.send(m);
    rbxtest::spinEventLoop(200);
    EXPECT_TRUE(seen.isEmpty());
    KXNotificationCenter::defaultCenter().removeObserver(token);

    // Without an accessibility bus nothing can be watched.
    a11yBus.reset();
    a11yBus.emplace(std::make_unique<a11y::AccessibilityBus>(QDBusConnection(QStringLiteral("rbxtest-no-bus"))));
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    const KXProcess::Ptr other = KXProcess::processWithPID(int(child.processId()));
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->addAXNotification(QStringLiteral("window:activate")));
    EXPECT_TRUE(log.contains(QStringLiteral("AX Notifications: Could not create application object for ")));
    child.kill();
    child.waitForFinished();
}

} // namespace
