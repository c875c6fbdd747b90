// Sleep and wake-up as a login manager served on a private bus announces them.
#include "platform/dbus/SleepWatch.h"

#include "common/PrivateBus.h"
#include "common/TestEnvironment.h"

#include <QDBusMessage>
#include <gtest/gtest.h>

namespace {

QDBusMessage prepareForSleep(const QVariantList& args,
                             const QString& interface = QStringLiteral("org.freedesktop.login1.Manager")) {
    QDBusMessage m =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"), interface, QStringLiteral("PrepareForSleep"));
    m.setArguments(args);
    return m;
}

TEST(SleepWatch, FollowsTheLoginManagersAnnouncementsOnlyAndIgnoresMalformedOnes) {
    rbxtest::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection manager = bus.connect(QStringLiteral("login1"));
    ASSERT_TRUE(manager.registerService(QStringLiteral("org.freedesktop.login1")));
    QDBusConnection other = bus.connect(QStringLiteral("other"));

    SleepWatch watch(bus.connect(QStringLiteral("runebox")));
    ASSERT_TRUE(watch.isWatching());
    QStringList seen;
    QObject::connect(&watch, &SleepWatch::goingToSleep, [&] { seen << QStringLiteral("sleep"); });
    QObject::connect(&watch, &SleepWatch::wokeUp, [&] { seen << QStringLiteral("wake"); });

    // Malformed or from elsewhere: nothing.
    manager.send(prepareForSleep({}));
    manager.send(prepareForSleep({QStringLiteral("false")}));
    manager.send(prepareForSleep({false, true}));
    manager.send(prepareForSleep({false}, QStringLiteral("org.example.Other")));
    other.send(prepareForSleep({false}));
    // The real announcements, in order.
    manager.send(prepareForSleep({true}));
    manager.send(prepareForSleep({false}));
    ASSERT_TRUE(rbxtest::waitFor([&] { return seen.size() >= 2; }, 5000));
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("sleep"), QStringLiteral("wake")}));
}

TEST(SleepWatch, WithoutABusNothingIsWatched) {
    SleepWatch watch(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none")));
    EXPECT_FALSE(watch.isWatching());
}

} // namespace
