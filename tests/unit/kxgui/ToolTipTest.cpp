#include "kxlib/gui/KXToolTip.h"

#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "core/Clock.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

// A hand-driven clock for the "hidden a moment ago" rule, the process's for its life.
struct HandClock : kx::Clock {
    qint64 nowMs() const override { return now; }
    qint64 now = 1000000;
};

struct FakeClock {
    std::shared_ptr<HandClock> clock = std::make_shared<HandClock>();
    rbxtest::ScopedInstance<kx::Clock> installed{clock};
    qint64& now = clock->now;
};

} // namespace

TEST(ToolTip, IsAFramelessWindowThatNeverTakesFocusAndSitsAboveThePoint) {
    auto tip = KXToolTip::tooltip();
    tip->setShowDelay(0);
    const Qt::WindowFlags flags = tip->window()->windowFlags();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(flags & Qt::WindowTransparentForInput);
    EXPECT_TRUE(tip->window()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_NEAR(tip->window()->windowOpacity(), 0.9, 0.01);

    const QString text = QStringLiteral("Char: \"A\"\nUnicode: 65");
    tip->showString(text, QPoint(500, 400));
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(KXToolTip::current(), tip.get());
    const QSize measured = QFontMetrics(tip->textFont())
                               .boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, text)
                               .size();
    const QRect g = tip->window()->geometry();
    EXPECT_EQ(g.size(), QSize(measured.width() + 20, measured.height() + 1));
    EXPECT_EQ(g.left(), 500);
    EXPECT_EQ(g.bottom() + 1, 392);
    EXPECT_EQ(tip->textField()->text(), text);
    EXPECT_GT(measured.height(), QFontMetrics(tip->textFont()).height()); // two lines

    tip->hideTip();
    EXPECT_FALSE(tip->isVisible());
    EXPECT_EQ(KXToolTip::current(), nullptr);
}

TEST(ToolTip, DelayAppliesUnlessHiddenWithinTheLastSecond) {
    FakeClock clock;
    auto tip = KXToolTip::tooltip();
    EXPECT_DOUBLE_EQ(tip->showDelay(), 1.25);
    tip->setShowDelay(0.05);
    tip->showString(QStringLiteral("one"), QPoint(100, 100));
    EXPECT_FALSE(tip->isVisible());
    EXPECT_TRUE(tip->isShowTimerRunning());
    EXPECT_EQ(KXToolTip::current(), tip.get());
    ASSERT_TRUE(rbxtest::waitFor([&] { return tip->isVisible(); }, 2000));
    EXPECT_FALSE(tip->isShowTimerRunning());

    // Showing the visible tip again only moves it: no timer.
    tip->showString(QStringLiteral("two"), QPoint(300, 300));
    EXPECT_TRUE(tip->isVisible());
    EXPECT_FALSE(tip->isShowTimerRunning());
    EXPECT_EQ(tip->window()->geometry().left(), 300);

    // The mouse moves on to the next cell within a second: shown at once.
    tip->hideTip();
    clock.now += 900;
    EXPECT_TRUE(tip->recentlyHidden());
    tip->showString(QStringLiteral("three"), QPoint(120, 100));
    EXPECT_TRUE(tip->isVisible());

    // After a longer pause the delay applies again.
    tip->hideTip();
    clock.now += 1001;
    EXPECT_FALSE(tip->recentlyHidden());
    tip->showString(QStringLiteral("four"), QPoint(120, 100));
    EXPECT_FALSE(tip->isVisible());
    EXPECT_TRUE(tip->isShowTimerRunning());

    // Hiding a pending tip stops its timer and records no hide time.
    tip->hideTip();
    EXPECT_FALSE(tip->isShowTimerRunning());
    rbxtest::spinEventLoop(120);
    EXPECT_FALSE(tip->isVisible());
    EXPECT_FALSE(tip->recentlyHidden());
}

TEST(ToolTip, OnlyOneTipIsCurrentAcrossObjects) {
    KXToolTip::hide(); // nothing current: nothing happens
    EXPECT_EQ(KXToolTip::current(), nullptr);

    auto first = KXToolTip::tooltip();
    auto second = KXToolTip::tooltip();
    first->setShowDelay(0);
    second->setShowDelay(0);
    first->showString(QStringLiteral("first"), QPoint(10, 100));
    second->showString(QStringLiteral("second"), QPoint(10, 100));
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(KXToolTip::current(), second.get());
    // Hiding an object that is not current changes nothing.
    first->hideTip();
    EXPECT_TRUE(second->isVisible());

    KXToolTip::hide();
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(KXToolTip::current(), nullptr);

    // Releasing the current tip takes it off screen and out of the class's hands.
    first->showString(QStringLiteral("again"), QPoint(10, 100));
    EXPECT_EQ(KXToolTip::current(), first.get());
    first.reset();
    EXPECT_EQ(KXToolTip::current(), nullptr);
    KXToolTip::hide();
}
