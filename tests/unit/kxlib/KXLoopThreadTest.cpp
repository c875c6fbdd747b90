#include "kxlib/KXLoopThread.h"

#include "common/TestEnvironment.h"
#include "core/Log.h"

#include <QMutex>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class Recorder : public KXLoopThreadHandler {
public:
    void handleMessage(const QString& message) override {
        QMutexLocker l(&mutex);
        messages << message;
        threads << QThread::currentThread();
    }
    QStringList received() {
        QMutexLocker l(&mutex);
        return messages;
    }
    QMutex mutex;
    QStringList messages;
    QList<QThread*> threads;
};

} // namespace

TEST(KXLoopThread, MessagesSentBeforeTheCheckInArriveInOrderOnTheWorker) {
    kx::LogCapture log;
    auto recorder = std::make_shared<Recorder>();
    {
        KXLoopThread loop(recorder);
        EXPECT_FALSE(loop.isReady());
        loop.sendMessage(QStringLiteral("enable"));
        loop.sendMessage(QStringLiteral("disable"));
        EXPECT_TRUE(log.contains(QStringLiteral("sendMessage(enable): port not yet set up")));
        ASSERT_TRUE(rbxtest::waitFor([&] { return recorder->received().size() == 2; }));
        EXPECT_TRUE(loop.isReady());
        loop.sendMessage(QStringLiteral("third"));
        ASSERT_TRUE(rbxtest::waitFor([&] { return recorder->received().size() == 3; }));
        EXPECT_EQ(recorder->received(),
                  (QStringList{QStringLiteral("enable"), QStringLiteral("disable"), QStringLiteral("third")}));
        for (QThread* t : recorder->threads) EXPECT_NE(t, QThread::currentThread());
        EXPECT_EQ(loop.handler(), recorder.get());
    }
    EXPECT_TRUE(log.contains(QStringLiteral("thread running")));
    EXPECT_TRUE(log.contains(QStringLiteral("message received: enable")));
    EXPECT_TRUE(log.contains(QStringLiteral("stopping")));
    EXPECT_TRUE(log.contains(QStringLiteral("thread stopped")));
}

TEST(KXLoopThread, NothingIsDeliveredAfterStop) {
    kx::LogCapture log;
    auto recorder = std::make_shared<Recorder>();
    KXLoopThread loop(recorder);
    ASSERT_TRUE(rbxtest::waitFor([&] { return loop.isReady(); }));
    loop.sendMessage(QStringLiteral("before"));
    loop.stop();
    loop.sendMessage(QStringLiteral("after"));
    EXPECT_TRUE(log.contains(QStringLiteral("sendMessage(after): inactive thread")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return log.contains(QStringLiteral("thread stopped")); }));
    EXPECT_EQ(recorder->received(), QStringList{QStringLiteral("before")});
}

TEST(KXLoopThread, ReleasingTheLoopDeliversWhatWasAlreadySent) {
    auto recorder = std::make_shared<Recorder>();
    {
        KXLoopThread loop(recorder);
        ASSERT_TRUE(rbxtest::waitFor([&] { return loop.isReady(); }));
        for (int i = 0; i < 50; ++i) loop.sendMessage(QString::number(i));
    }
    ASSERT_EQ(recorder->received().size(), 50);
    EXPECT_EQ(recorder->received().last(), QStringLiteral("49"));
}

TEST(KXLoopThread, StoppingBeforeTheCheckInEndsTheThread) {
    kx::LogCapture log;
    auto recorder = std::make_shared<Recorder>();
    {
        KXLoopThread loop(recorder);
        loop.sendMessage(QStringLiteral("held"));
        loop.stop();
    }  // would hang here if the worker kept running
    rbxtest::spinEventLoop(50);
    EXPECT_TRUE(recorder->received().isEmpty());
}
