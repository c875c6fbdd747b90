#include "app/RbxPositionLog.h"

#include <gtest/gtest.h>

namespace {

// A clock the test moves by hand.
struct FakeClock {
    QDateTime now = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0));
    RbxPositionLog::Clock clock() {
        return [this] { return now; };
    }
    void advance(qint64 ms) { now = now.addMSecs(ms); }
};

TEST(PositionLog, KeepsTheFirstTenLinesThenAnEllipsisThenTheLatest) {
    FakeClock t;
    RbxPositionLog log(t.clock());
    for (int i = 1; i <= 11; ++i) log.addMessage(QStringLiteral("m%1").arg(i));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], QStringLiteral("10:00:00 m1"));
    EXPECT_EQ(lines[9], QStringLiteral("10:00:00 m10"));
    EXPECT_EQ(lines[10], QStringLiteral("..."));
    EXPECT_EQ(lines[11], QStringLiteral("10:00:00 m11"));
}

TEST(PositionLog, FortySingleMessagesOfDifferentKindsLeaveThirtyLines) {
    FakeClock t;
    RbxPositionLog log(t.clock());
    for (int i = 1; i <= 40; ++i) log.addSingleMessage(QStringLiteral("kind%1: x").arg(i));
    const QStringList lines = log.positionLog().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 30);
    EXPECT_EQ(lines[0], QStringLiteral("10:00:00 kind1: x"));
    EXPECT_EQ(lines[9], QStringLiteral("10:00:00 kind10: x"));
    EXPECT_EQ(lines[10], QStringLiteral("..."));
    // The latest nineteen: kinds 22 to 40.
    EXPECT_EQ(lines[11], QStringLiteral("10:00:00 kind22: x"));
    EXPECT_EQ(lines[29], QStringLiteral("10:00:00 kind40: x"));
}

TEST(PositionLog, RepeatsWithinASecondFoldIntoOneCountedLine) {
    FakeClock t;
    RbxPositionLog log(t.clock());
    for (int i = 1; i <= 5; ++i) {
        log.addSingleMessage(QStringLiteral("location changed: {{%1, 0}, {10, 10}}").arg(i));
        if (i < 5) t.advance(900);
    }
    EXPECT_TRUE(log.lines().isEmpty());  // still pending
    EXPECT_EQ(log.positionLog(), QStringLiteral("10:00:00-10:00:03(5x) location changed: {{5, 0}, {10, 10}}"));
    // Flushed: the pending message is gone.
    EXPECT_EQ(log.lines().size(), 1);
}

TEST(PositionLog, APauseOrAnotherKindStartsANewLine) {
    FakeClock t;
    RbxPositionLog log(t.clock());
    log.addSingleMessage(QStringLiteral("size changed: a"));
    t.advance(1001);
    log.addSingleMessage(QStringLiteral("size changed: b"));
    t.advance(10);
    log.addSingleMessage(QStringLiteral("location changed: c"));
    log.addMessage(QStringLiteral("opened"));
    EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("10:00:00 size changed: a"), QStringLiteral("10:00:01 size changed: b"),
                                        QStringLiteral("10:00:01 location changed: c"),
                                        QStringLiteral("10:00:01 opened")}));
}

TEST(PositionLog, PrefixesAndScreens) {
    EXPECT_EQ(RbxPositionLog::prefixOf(QStringLiteral("size changed: x")), QStringLiteral("size changed:"));
    EXPECT_EQ(RbxPositionLog::prefixOf(QStringLiteral("moved to x")), QStringLiteral("moved "));
    EXPECT_EQ(RbxPositionLog::prefixOf(QStringLiteral("word")), QStringLiteral("NO PREFIX"));
    // Messages without colon or blank are all of the kind "NO PREFIX" only when they
    // begin with it; so two of them stay two lines.
    FakeClock t;
    RbxPositionLog log(t.clock());
    log.addSingleMessage(QStringLiteral("a"));
    log.addSingleMessage(QStringLiteral("b"));
    EXPECT_EQ(log.positionLog().count(QLatin1Char('\n')), 1);

    log.clear();
    log.addScreens(QStringLiteral("init screens"), {QRect(0, 0, 1280, 1024), QRect(1280, 0, 800, 600)});
    EXPECT_EQ(log.positionLog(), QStringLiteral("10:00:00 init screens: {{0, 0}, {1280, 1024}} {{1280, 0}, {800, 600}}"));
}

} // namespace
