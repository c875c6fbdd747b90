#include "core/Bundle.h"
#include "core/ProcessWide.h"
#include "common/ScopedInstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A service that counts how many defaults were made.
struct Counter {
    static int made;
    static std::unique_ptr<Counter> makeDefault() {
        ++made;
        return std::make_unique<Counter>(-made);
    }
    explicit Counter(int v) : value(v) {}
    int value;
};
int Counter::made = 0;

using Counters = kx::ProcessWide<Counter>;

} // namespace

TEST(ProcessWide, TheDefaultIsMadeOnceOnFirstUse) {
    const int before = Counter::made;
    EXPECT_EQ(Counters::current(), nullptr);
    Counter& first = Counters::get();
    EXPECT_EQ(Counter::made, before + 1);
    EXPECT_EQ(&Counters::get(), &first);
    EXPECT_EQ(Counters::shared().get(), &first);
    EXPECT_EQ(Counters::current(), &first);
    EXPECT_EQ(Counter::made, before + 1);
    Counters::install(nullptr);
}

TEST(ProcessWide, InstallingAnswersThePreviousInstance) {
    auto mine = std::make_shared<Counter>(7);
    const std::shared_ptr<Counter> none = Counters::install(mine);
    EXPECT_EQ(none, nullptr);
    const int before = Counter::made;
    EXPECT_EQ(Counters::get().value, 7);
    EXPECT_EQ(Counter::made, before);  // no default while one is installed
    EXPECT_EQ(Counters::install(nullptr), mine);
    // Nothing installed: the next use makes a default again.
    EXPECT_NE(Counters::get().value, 7);
    EXPECT_EQ(Counter::made, before + 1);
    Counters::install(nullptr);
}

TEST(ProcessWide, AScopedInstancePutsThePreviousOneBack) {
    auto outer = std::make_shared<Counter>(1);
    Counters::install(outer);
    {
        rbxtest::ScopedInstance<Counter> inner(std::make_unique<Counter>(2));
        EXPECT_EQ(Counters::get().value, 2);
        EXPECT_EQ(inner->value, 2);
        {
            rbxtest::ScopedInstance<Counter> fresh;
            EXPECT_LT(fresh->value, 0);
        }
        EXPECT_EQ(Counters::get().value, 2);
    }
    EXPECT_EQ(&Counters::get(), outer.get());
    Counters::install(nullptr);
}

TEST(ProcessWide, TheMainBundleIsTheInstalledOne) {
    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("Info.plist")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{ CFBundleName = Other; }");
    }
    const QString shipped = kx::Bundle::mainBundle().resourcePath();
    {
        rbxtest::ScopedInstance<kx::Bundle> other(std::make_unique<kx::Bundle>(dir.path()));
        EXPECT_EQ(kx::Bundle::mainBundle().resourcePath(), dir.path());
        EXPECT_EQ(kx::Bundle::mainBundle().bundleName(), QStringLiteral("Other"));
        EXPECT_EQ(kx::Bundle::mainBundle().pathForResource(QStringLiteral("Info"), QStringLiteral("plist")),
                  dir.filePath(QStringLiteral("Info.plist")));
    }
    EXPECT_EQ(kx::Bundle::mainBundle().resourcePath(), shipped);
    EXPECT_EQ(kx::Bundle::mainBundle().bundleName(), QStringLiteral("Runebox"));
}
