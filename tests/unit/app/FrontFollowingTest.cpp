// The palette following the front application's font: the guesses made from a detected
// name, a found font shown and kept as the application's, a name that matches nothing
// logged once, and the accessibility alert with its buttons; a burst of front changes
// makes one adaptation.
#include "PaletteFixture.h"

#include "app/AlertSheet.h"
#include "app/PaletteAlerts.h"
#include "app/PaletteFontFollower.h"
#include "app/PaletteFontList.h"
#include "app/PaletteFontTable.h"
#include "common/ScopedInstance.h"
#include "core/Clock.h"
#include "core/Log.h"
#include "insertion/RbxFontDetector.h"
#include "kxlib/RbxDefaults.h"
#include "table/widgets/RbxCharView.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(FontFollowerGuesses, WordsAreJoinedAndDroppedInOrder) {
    EXPECT_EQ(PaletteFontFollower::guessedNames(QStringLiteral("A B C")),
              (QStringList{QStringLiteral("A-BC"), QStringLiteral("AB-C"), QStringLiteral("ABC"), QStringLiteral("A B"),
                           QStringLiteral("A-B"), QStringLiteral("AB"), QStringLiteral("A")}));
    EXPECT_TRUE(PaletteFontFollower::guessedNames(QStringLiteral("Single")).isEmpty());
    QString last;
    const rbx::Font f = PaletteFontFollower::guessFont(QStringLiteral("DejaVu Serif Bold"), &last);
    ASSERT_TRUE(f);
    EXPECT_EQ(f.postScriptName(), QStringLiteral("DejaVuSerif-Bold"));
    EXPECT_EQ(last, QStringLiteral("DejaVuSerif-Bold"));
    EXPECT_FALSE(PaletteFontFollower::guessFont(QStringLiteral("Nothing"), &last));
    EXPECT_EQ(last, QStringLiteral("Nothing"));
}

class FollowingTheFont : public Palette {
protected:
    void SetUp() override {
        Palette::SetUp();
        front.process = KXProcess::currentProcess();
        front.name = front.process->name();
        store->setFrontApplication(front.name);
        store->setApplicationFontDectection(true);
    }
    // The detector of this process reports the name.
    void detect(const QString& name) {
        palette->fontDetectors().detectorForProcess(front.process, {{QStringLiteral("fdFixedFont"), name}});
    }
};

TEST_F(FollowingTheFont, AFoundFontIsShownAndAMissingOneLoggedOnce) {
    detect(QStringLiteral("DejaVu Serif Bold"));
    c->openWindow(c);  // a forced check on opening
    ASSERT_TRUE(c->isWindowVisible());
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif-Bold"));
    EXPECT_EQ(store->applicationFont(), QStringLiteral("DejaVuSerif-Bold"));

    // Another process: a one-word name that is no font is logged once per name.
    front.process = std::make_shared<KXProcess>(KXProcess::currentProcess()->unixPID(), KXProcess::currentProcess()->startTime() + 1);
    detect(QStringLiteral("Nosuchfont"));
    kx::LogCapture log;
    c->checkForAutomaticFontChange(true);
    c->closeSheet();
    c->checkForAutomaticFontChange(true);
    c->closeSheet();
    EXPECT_EQ(log.lines().filter(QStringLiteral("Could not find font \"Nosuchfont\" in ")).size(), 1) << log.lines().join('\n').toStdString();
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif-Bold"));  // kept

    // The universal font stops detection.
    store->setBool(true, QStringLiteral("useUniversalFont"));
    detect(QStringLiteral("DejaVuSans"));
    c->checkForAutomaticFontChange(true);
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif-Bold"));
}

TEST_F(FollowingTheFont, NothingChangesWhileACharacterIsUnderTheMouse) {
    detect(QStringLiteral("DejaVu Serif Bold"));
    c->openWindow(c);
    ASSERT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif-Bold"));
    // The application now uses another font.
    front.process = std::make_shared<KXProcess>(KXProcess::currentProcess()->unixPID(), KXProcess::currentProcess()->startTime() + 1);
    detect(QStringLiteral("DejaVu Sans Mono"));
    c->charView()->selectCharacterAtIndex(0);
    ASSERT_NE(c->charView()->selectedCharacter(), 0u);
    c->checkForAutomaticFontChange(true);
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif-Bold"));
    // The mouse left the character.
    c->charView()->selectCharacterAtIndex(kx::NotFound);
    c->checkForAutomaticFontChange(true);
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSansMono"));
}

TEST_F(FollowingTheFont, FilteringTheFontListChecksTheApplicationsFontAtOnce) {
    detect(QStringLiteral("DejaVu Serif Bold"));
    c->openWindow(c);
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->fontTable().isAttached(); }, 5000));
    ASSERT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif-Bold"));
    // The application now uses another font; its next check is not due.
    front.process = std::make_shared<KXProcess>(KXProcess::currentProcess()->unixPID(), KXProcess::currentProcess()->startTime() + 1);
    detect(QStringLiteral("DejaVu Sans Mono"));
    c->fontTable().fontFilterField()->setText(QStringLiteral("dejavu"));
    c->fontTable().filterFontList();
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSansMono"));
    EXPECT_TRUE(store->applicationFontDectection());

    // Not while the application's font is not followed.
    store->setApplicationFontDectection(false);
    front.process = std::make_shared<KXProcess>(KXProcess::currentProcess()->unixPID(), KXProcess::currentProcess()->startTime() + 2);
    detect(QStringLiteral("DejaVu Serif"));
    c->fontTable().fontFilterField()->setText(QStringLiteral("deja"));
    c->fontTable().filterFontList();
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSansMono"));
}

TEST_F(FollowingTheFont, TheAccessibilityAlertComesOnceAndDeactivatesForItsApplication) {
    // The process's detector reads accessibility, which is off here.
    c->openWindow(c);
    ASSERT_TRUE(palette->fontDetectors().detectorForProcess(front.process, {}));
    c->checkForAutomaticFontChange(true);
    ASSERT_EQ(c->sheets().attachedSheetName(), QStringLiteral("axAlert"));
    EXPECT_EQ(c->alerts().pendingApplication(), front.name);
    auto* alert = qobject_cast<AlertSheet*>(c->sheets().attachedSheet());
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->message().contains(front.name));
    EXPECT_EQ(alert->button(AlertSheet::AlternateReturn)->text(), QStringLiteral("Deactivate"));
    // A second failure while it is pending shows no second alert.
    c->showAXAlertForApplication(QStringLiteral("other"));
    EXPECT_EQ(c->alerts().pendingApplication(), front.name);

    // Another application's switch stays on.
    store->setFrontApplication(QStringLiteral("other"));
    store->setApplicationFontDectection(true);
    store->setFrontApplication(front.name);
    alert->button(AlertSheet::AlternateReturn)->click();
    EXPECT_FALSE(c->hasSheet());
    EXPECT_EQ(c->alerts().pendingApplication(), QString());
    EXPECT_FALSE(store->applicationFontDectection());
    store->setFrontApplication(QStringLiteral("other"));
    EXPECT_TRUE(store->applicationFontDectection());

    // Answered: the next failure may show it again; without a name it offers Cancel.
    c->showAXAlertForApplication(QString());
    ASSERT_EQ(c->sheets().attachedSheetName(), QStringLiteral("axAlert"));
    alert = qobject_cast<AlertSheet*>(c->sheets().attachedSheet());
    EXPECT_EQ(alert->button(AlertSheet::AlternateReturn)->text(), QStringLiteral("Cancel"));
    alert->button(AlertSheet::DefaultReturn)->click();
    EXPECT_FALSE(c->hasSheet());
    EXPECT_TRUE(waitClosed());  // the palette closes for the settings
}

struct RecordingUpdates : RbxUpdateActions {
    QStringList calls;
    void setSkipThisVersion(bool skip) override { calls << QStringLiteral("skip %1").arg(skip); }
    void downloadAndInstallUpdate() override { calls << QStringLiteral("download"); }
    void showWhatsNew() override { calls << QStringLiteral("notes"); }
};

TEST_F(Palette, ABurstOfFrontChangesMakesOneAdaptationAfterTheLast) {
    front.name = QStringLiteral("gedit");
    c->updateToFrontApplication(true);
    front.name = QStringLiteral("kate");
    const int before = front.reads;
    // Three changes within 0.3 s; the event loop does not run between them.
    c->frontProcessChanged();
    QThread::msleep(100);
    c->frontProcessChanged();
    QThread::msleep(100);
    c->frontProcessChanged();
    QElapsedTimer sinceLast;
    sinceLast.start();
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->frontApplicationName() == QLatin1String("kate"); }, 5000));
    EXPECT_GE(sinceLast.elapsed(), RbxCharWindowController::ProcessChangeDelayMs);
    rbxtest::spinEventLoop(2 * RbxCharWindowController::ProcessChangeDelayMs);
    EXPECT_EQ(front.reads, before + 1);
}

struct HandClock : kx::Clock {
    qint64 nowMs() const override { return now; }
    qint64 now = 1000000;
};

// Switching between two applications every 10 s checks the installed fonts at the first
// change and then only when the last check is more than 30 s ago.
TEST_F(Palette, FrontChangesCheckTheFontsAtMostEveryThirtySeconds) {
    auto clock = std::make_shared<HandClock>();
    rbxtest::ScopedInstance<kx::Clock> installed{clock};
    c->fonts().list();  // only a font list that exists is checked
    QList<int> checkedAt;
    for (int seconds = 0; seconds <= 90; seconds += 10) {
        front.name = seconds % 20 ? QStringLiteral("kate") : QStringLiteral("gedit");
        const int before = c->fontChecks();
        c->checkFrontProcessAndFonts();
        ASSERT_EQ(c->frontApplicationName(), front.name);
        if (c->fontChecks() > before) checkedAt << seconds;
        clock->now += 10000;
    }
    EXPECT_EQ(checkedAt, (QList<int>{0, 40, 80}));

    // Any other check counts as the last one too: a font drop 25 s after the last check
    // puts the next regular one off.
    clock->now += 15000;  // 25 s after the check at 80 s
    c->checkForFontChanges(QStringLiteral("font drop"));
    const int afterDrop = c->fontChecks();
    clock->now += 25000;
    front.name = QStringLiteral("gedit");
    c->checkFrontProcessAndFonts();
    EXPECT_EQ(c->fontChecks(), afterDrop);
    clock->now += 6000;
    front.name = QStringLiteral("kate");
    c->checkFrontProcessAndFonts();
    EXPECT_EQ(c->fontChecks(), afterDrop + 1);
}

TEST_F(Palette, TheNewVersionAlertMapsItsButtons) {
    auto updates = std::make_shared<RecordingUpdates>();
    PaletteAlerts alerts(*c, *store, nullptr, updates);
    c->openWindow(c);
    for (int code : {0, 1, 1002, 1005, 7}) {
        auto* alert = new AlertSheet(QStringLiteral("versionAlert"), QStringLiteral("Runebox 9 is available"),
                                     QStringLiteral("notes"), QStringLiteral("Install"), QStringLiteral("Skip"),
                                     QStringLiteral("Release Notes"));
        alerts.showNewVersionAlert(alert);
        ASSERT_EQ(c->sheets().attachedSheetName(), QStringLiteral("versionAlert"));
        c->sheets().endSheet(code);
        EXPECT_FALSE(c->hasSheet());
    }
    EXPECT_EQ(updates->calls, (QStringList{QStringLiteral("skip 1"), QStringLiteral("download"), QStringLiteral("notes"),
                                           QStringLiteral("notes")}));
}

} // namespace
