// Named notifications: matching, changes during posting, contexts, posting later.
#include "common/TestEnvironment.h"
#include "kxlib/KXNotificationCenter.h"

#include <gtest/gtest.h>

namespace {

TEST(KXNotificationCenter, MatchesByNameAndObject) {
    KXNotificationCenter c;
    int a = 0, b = 0;
    const int objA = 0, objB = 0;
    QStringList all;
    c.addObserver(QStringLiteral("N"), &objA, [&](const KXNotification&) { ++a; });
    c.addObserver(QStringLiteral("N"), nullptr, [&](const KXNotification& n) { b += n.userInfo.value("k").toInt(); });
    c.addObserver(QString(), nullptr, [&](const KXNotification& n) { all << n.name; });
    c.post(QStringLiteral("N"), &objA, {{QStringLiteral("k"), 2}});
    c.post(QStringLiteral("N"), &objB, {{QStringLiteral("k"), 3}});
    c.post(QStringLiteral("M"), &objA);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(all, (QStringList{QStringLiteral("N"), QStringLiteral("N"), QStringLiteral("M")}));
}

TEST(KXNotificationCenter, ObserversChangingDuringPostAndContexts) {
    KXNotificationCenter c;
    int first = 0, second = 0, late = 0;
    KXNotificationCenter::Token t2 = 0;
    c.addObserver(QStringLiteral("N"), nullptr, [&](const KXNotification&) {
        ++first;
        c.removeObserver(t2);
        c.addObserver(QStringLiteral("N"), nullptr, [&](const KXNotification&) { ++late; });
    });
    t2 = c.addObserver(QStringLiteral("N"), nullptr, [&](const KXNotification&) { ++second; });
    c.post(QStringLiteral("N"), nullptr);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);  // removed before its turn
    EXPECT_EQ(late, 0);    // added during the post: not part of it

    int ctxCalls = 0;
    auto* ctx = new QObject;
    c.addObserver(QStringLiteral("C"), nullptr, [&](const KXNotification&) { ++ctxCalls; }, ctx);
    c.post(QStringLiteral("C"), nullptr);
    delete ctx;
    const int before = c.observerCount();
    c.post(QStringLiteral("C"), nullptr);
    EXPECT_EQ(ctxCalls, 1);
    EXPECT_EQ(c.observerCount(), before - 1);
}

TEST(KXNotificationCenter, EnqueuedNotificationsArriveLaterInOrder) {
    KXNotificationCenter c;
    QStringList seen;
    c.addObserver(QString(), nullptr, [&](const KXNotification& n) { seen << n.name; });
    c.enqueue({QStringLiteral("one"), nullptr, {}});
    c.enqueue({QStringLiteral("two"), nullptr, {}});
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_TRUE(rbxtest::waitFor([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
}

} // namespace
