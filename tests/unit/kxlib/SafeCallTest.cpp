#include "kxlib/SafeCall.h"

#include "core/Log.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(SafeCall, AnExceptionBecomesAnErrorValueAndIsLogged) {
    kx::LogCapture log;
    auto r = kx::safeCall(QStringLiteral("loadThing"), []() -> int { throw std::runtime_error("broken table"); });
    ASSERT_TRUE(r.safeExecutionFailed());
    EXPECT_TRUE(kx::safeExecutionFailed(r));
    EXPECT_EQ(r.valueOr(-1), -1);
    EXPECT_TRUE(r.error().description().startsWith(QStringLiteral("broken table\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("** exception performing selector (loadThing): broken table")));
    EXPECT_TRUE(log.contains(QStringLiteral("** stack trace: ")));

    // The caller goes on, and the next guarded call works.
    auto ok = kx::safeCall(QStringLiteral("add"), [] { return QStringLiteral("fine"); });
    ASSERT_FALSE(ok.safeExecutionFailed());
    EXPECT_EQ(ok.value(), QStringLiteral("fine"));

    auto v = kx::safeCall(QStringLiteral("void"), [] { throw std::logic_error("x"); });
    EXPECT_TRUE(v.safeExecutionFailed());
    EXPECT_FALSE(kx::safeCall(QStringLiteral("void"), [] {}).safeExecutionFailed());
}

TEST(SafeCall, ForeignExceptionsPassOnAndReleaseTheLock) {
    struct NotAStdException {};
    EXPECT_THROW(kx::safeCall(QStringLiteral("odd"), []() -> int { throw NotAStdException{}; }), NotAStdException);
    // The lock was released: a call from another thread gets through.
    std::atomic<bool> ran{false};
    std::thread t([&] { kx::safeCall(QStringLiteral("other"), [&] { ran = true; }); });
    t.join();
    EXPECT_TRUE(ran);
}

TEST(SafeCall, GuardedCallsRunOneAtATimeAndMayNest) {
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 20; ++k)
                kx::safeCall(QStringLiteral("busy"), [&] {
                    const int now = ++inside;
                    most = std::max(most.load(), now);
                    QThread::usleep(200);
                    // A guarded call inside a guarded call does not deadlock.
                    kx::safeCall(QStringLiteral("nested"), [] {});
                    --inside;
                });
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(most.load(), 1);
}

TEST(SafeCall, ErrorDescriptions) {
    EXPECT_EQ(KXExecutionError().description(), QStringLiteral("unknown execution error"));
    EXPECT_EQ(KXExecutionError::withSignals({QStringLiteral("SIGBUS"), QStringLiteral("SIGSEGV")}).description(),
              QStringLiteral("Signal SIGBUS, SIGSEGV"));
    EXPECT_EQ(KXExecutionError::withException(QStringLiteral("e"), QStringLiteral("s")).description(),
              QStringLiteral("e\ns"));
    EXPECT_TRUE(KXExecutionError().safeExecutionFailed());
}
