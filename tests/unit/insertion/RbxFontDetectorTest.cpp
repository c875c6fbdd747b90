// Finding the front application's font: the choice of method, the adaptive schedule and
// the pause, the ten detectors, and each method against what it reads (the desktop's
// fixed-pitch font, a program's accessible tree with its caret and its menus).
#include "FakeDesktopAccessibility.h"
#include "common/TestEnvironment.h"
#include "core/Log.h"
#include "insertion/RbxFontDetector.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <unistd.h>

namespace {

struct ManualClock : kx::Clock {
    qint64 now = 1000000;
    qint64 nowMs() const override { return now; }
};

struct FakeDesktop : RbxFontDetectors::Desktop {
    bool buttonDown = false;
    bool trusted = true;
    bool mouseButtonDown() override { return buttonDown; }
    bool accessibilityTrusted() override { return trusted; }
    bool fullScreen() override { return false; }
    QString systemFontFamily(bool fixedPitch) override {
        return fixedPitch ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans");
    }
};

class FontDetectorTest : public ::testing::Test {
protected:
    std::shared_ptr<RbxFontDetector> detectorFor(const QVariantMap& settings) {
        return detectors.detectorForProcess(KXProcess::currentProcess(), settings);
    }
    ManualClock clock;
    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    RbxFontDetectors detectors{desktop, clock};
};

TEST(FontDetectorRules, AdaptiveDelayDescriptionReplyAndSizes) {
    // Fourth attempt without success: 14 x 0.2 s; after any success 10 x 0.2 s.
    EXPECT_DOUBLE_EQ(RbxFontDetector::nextDelay(1.5, 0.2, 4, 0), 2.8);
    EXPECT_DOUBLE_EQ(RbxFontDetector::nextDelay(1.5, 0.2, 4, 1), 2.0);
    EXPECT_DOUBLE_EQ(RbxFontDetector::nextDelay(1.5, 0.1, 1, 0), 1.5);  // below the base: the base
    EXPECT_DOUBLE_EQ(RbxFontDetector::nextDelay(1.5, 2.0, 1, 0), 10.0); // never above 10 s
    EXPECT_DOUBLE_EQ(RbxFontDetector::nextDelay(60, 2.0, 1, 0), 60.0);  // a larger base stands
    EXPECT_DOUBLE_EQ(RbxFontDetector::nextDelay(60, 7.0, 1, 0), 10.0);  // unless reached

    EXPECT_EQ(RbxFontDetector::appleEventDescription({QStringLiteral("font"), QVariantList{QStringLiteral("cwin"), 1}}),
              QStringLiteral("'----':obj {form:prop,want:type(prop),seld:type(font),"
                             "from:obj {form:indx,want:type(cwin),seld:long(1),from: 'null'()}}"));
    EXPECT_EQ(RbxFontDetector::appleEventDescription({}), QString());

    // A reply is read no further than 208 bytes, as Mac OS Roman.
    EXPECT_EQ(RbxFontDetector::replyText(QByteArray(300, 'A')).size(), 208);
    EXPECT_EQ(RbxFontDetector::replyText(QByteArray("Caf\x8e")), QStringLiteral("Caf\u00e9"));

    EXPECT_EQ(RbxFontDetector::withoutSize(QStringLiteral("Monospace 11")), QStringLiteral("Monospace"));
    EXPECT_EQ(RbxFontDetector::withoutSize(QStringLiteral("DejaVu Sans Mono Bold 10.5")), QStringLiteral("DejaVu Sans Mono Bold"));
    EXPECT_EQ(RbxFontDetector::withoutSize(QStringLiteral("Noto Sans")), QStringLiteral("Noto Sans"));
}

TEST_F(FontDetectorTest, MethodChosenFromTheApplicationSettings) {
    const QString name = KXProcess::currentProcess()->name();
    EXPECT_EQ(detectorFor({{QStringLiteral("fdFixedFont"), QStringLiteral("Courier")}})->description(),
              QStringLiteral("detector(%1): FF").arg(name));
    RbxFontDetectors second(desktop, clock);
    EXPECT_EQ(second.detectorForProcess(KXProcess::currentProcess(), {{QStringLiteral("fdAEDesc"), QVariantList{QStringLiteral("font")}}})
                  ->method(),
              RbxFontDetector::Method::AppleEvent);
    RbxFontDetectors third(desktop, clock);
    // A missing script falls through to accessibility.
    kx::LogCapture log;
    EXPECT_EQ(third.detectorForProcess(KXProcess::currentProcess(), {{QStringLiteral("fdScript"), QStringLiteral("no-such-script-%")}})
                  ->method(),
              RbxFontDetector::Method::Accessibility);
    EXPECT_TRUE(log.contains(QStringLiteral("cannot find script no-such-script-%1").arg(name)));
    // Preferences only for a process with a desktop identifier (its preferences' name).
    RbxFontDetectors fourth(desktop, clock);
    const KXProcess::Ptr self = KXProcess::currentProcess();
    EXPECT_EQ(fourth.detectorForProcess(self, {{QStringLiteral("fdPreferenceKey"), QStringLiteral("a.b")}})->method(),
              self->identifier().isEmpty() ? RbxFontDetector::Method::Accessibility : RbxFontDetector::Method::Preferences);
    const auto unnamed = std::make_shared<KXProcess>(999999, 1);
    EXPECT_EQ(fourth.detectorForProcess(unnamed, {{QStringLiteral("fdPreferenceKey"), QStringLiteral("a.b")}})->method(),
              RbxFontDetector::Method::Accessibility);
}

TEST_F(FontDetectorTest, FixedMonoFontAndTheSchedule) {
    const auto d = detectorFor({{QStringLiteral("fdFixedFont"), QStringLiteral("mono font")}});
    // Not before 1 s, not while a button is down or during a pause.
    EXPECT_FALSE(d->shouldCheck());
    clock.now += 1000;
    EXPECT_TRUE(d->shouldCheck());
    desktop->buttonDown = true;
    EXPECT_FALSE(d->shouldCheck());
    desktop->buttonDown = false;
    detectors.disableCheckingForSeconds(0.75);
    EXPECT_FALSE(d->shouldCheck());
    clock.now += 750;
    EXPECT_TRUE(d->shouldCheck());
    EXPECT_FALSE(detectors.isPaused());

    EXPECT_EQ(d->detectedFontName(), QStringLiteral("DejaVuSansMono"));
    EXPECT_EQ(d->nextCheckMs(), clock.now + 60000);
    EXPECT_EQ(d->attempts(), 1);
    EXPECT_EQ(d->successes(), 1);

    // A process younger than the launch delay: nothing, and nothing counted or moved.
    RbxFontDetectors others(desktop, clock);
    const auto young = others.detectorForProcess(
        KXProcess::currentProcess(), {{QStringLiteral("fdFixedFont"), QStringLiteral("mono font")},
                                      {QStringLiteral("fdLaunchDelay"), 1.0e7}});
    const qint64 next = young->nextCheckMs();
    EXPECT_EQ(young->detectedFontName(), QString());
    EXPECT_EQ(young->attempts(), 0);
    EXPECT_EQ(young->nextCheckMs(), next);
}

TEST_F(FontDetectorTest, TenDetectorsMostRecentFirst) {
    QList<KXProcess::Ptr> processes;
    for (int i = 0; i < 11; ++i) processes << std::make_shared<KXProcess>(100000 + i, quint64(i + 1));
    std::shared_ptr<RbxFontDetector> first;
    for (int i = 0; i < 10; ++i) {
        const auto d = detectors.detectorForProcess(processes[i], {});
        if (i == 0) first = d;
    }
    // Asking again gives the same detector and moves it to the front.
    EXPECT_EQ(detectors.detectorForProcess(processes[0], {}), first);
    detectors.detectorForProcess(processes[10], {});  // the eleventh drops the oldest: process 1
    EXPECT_EQ(detectors.processNames().size(), 10);
    EXPECT_EQ(detectors.detectorForProcess(processes[0], {}), first);
    const auto again = detectors.detectorForProcess(processes[1], {});
    EXPECT_EQ(again->attempts(), 0);
    EXPECT_EQ(detectors.processNames().size(), 10);
}

TEST_F(FontDetectorTest, AccessibilityReadsTheCaretFirst) {
    FakeDesktopAccessibility fake(EditorTree);
    ASSERT_TRUE(fake.ready());
    const auto d = detectorFor({});
    EXPECT_EQ(d->detectedFontName(), QStringLiteral("DejaVuSerif-Bold"));
    EXPECT_EQ(d->successes(), 1);

    // Without accessibility the program is not asked.
    desktop->trusted = false;
    const int calls = fake.app->callCount();
    EXPECT_EQ(d->detectedFontName(), QString());
    EXPECT_EQ(fake.app->callCount(), calls);
    EXPECT_EQ(d->attempts(), 2);
}

TEST_F(FontDetectorTest, MenuScanFindsTheCheckedFontItem) {
    FakeDesktopAccessibility fake(EditorTree);
    ASSERT_TRUE(fake.ready());
    // No font at the caret: the menus are scanned; the checked "Bold" names a style.
    fake.app->setValue(QStringLiteral("document"), QStringLiteral("text"),
                       QJsonObject{{"caret", 0}, {"attributes", QJsonObject{}}});
    const auto d = detectorFor({});
    EXPECT_EQ(d->detectedFontName(), QStringLiteral("DejaVuSerif"));
    // The item found is asked first next time: the checked font moved within its menu.
    fake.app->setValue(QStringLiteral("DejaVu Serif"), QStringLiteral("states"), QJsonArray{});
    fake.app->setValue(QStringLiteral("DejaVu Sans"), QStringLiteral("states"), QJsonArray{"checked"});
    EXPECT_EQ(d->detectedFontName(), QStringLiteral("DejaVuSans"));
    fake.app->setValue(QStringLiteral("DejaVu Sans"), QStringLiteral("states"), QJsonArray{});
    EXPECT_EQ(d->detectedFontName(), QString());

    // The depth limit keeps the scan out of the Font submenu.
    fake.app->setValue(QStringLiteral("DejaVu Serif"), QStringLiteral("states"), QJsonArray{"checked"});
    RbxFontDetectors other(desktop, clock);
    const auto shallow = other.detectorForProcess(KXProcess::currentProcess(), {{QStringLiteral("fdMaxScanLevel"), 1}});
    EXPECT_EQ(shallow->detectedFontName(), QString());
    RbxFontDetectors third(desktop, clock);
    const auto deep = third.detectorForProcess(KXProcess::currentProcess(), {});
    EXPECT_EQ(deep->detectedFontName(), QStringLiteral("DejaVuSerif"));

    // Picking a separator first: "Insert" (menu 3) has one, and it is picked.
    RbxFontDetectors fourth(desktop, clock);
    const auto picking = fourth.detectorForProcess(
        KXProcess::currentProcess(), {{QStringLiteral("fdPickSeparator"), QStringLiteral("yes")}});
    EXPECT_EQ(picking->detectedFontName(), QStringLiteral("DejaVuSerif"));
    // Without a separator in menus 3 and 2 nothing is found.
    fake.app->removeLastChild(QStringLiteral("Insert"));
    fake.app->removeLastChild(QStringLiteral("View"));
    RbxFontDetectors fifth(desktop, clock);
    EXPECT_EQ(fifth.detectorForProcess(KXProcess::currentProcess(), {{QStringLiteral("fdPickSeparator"), 1}})
                  ->detectedFontName(),
              QString());
}

} // namespace
