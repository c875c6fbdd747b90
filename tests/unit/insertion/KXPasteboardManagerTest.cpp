#include "insertion/KXPasteboardManager.h"
#include "InsertionFakes.h"
#include "MemoryClipboard.h"
#include "core/ProcessWide.h"
#include "common/TestEnvironment.h"
#include "kxlib/KXDefaults.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>

using kx::KXPasteboardManager;
using Data = kx::x11::ClipboardData;

namespace {

const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(300, '\xff');

struct Fixture : ::testing::Test {
    std::shared_ptr<MemoryClipboard> clip = std::make_shared<MemoryClipboard>();
    std::shared_ptr<MapSettings> settingsTable = std::make_shared<MapSettings>();
    std::shared_ptr<FakeProcesses> processes = std::make_shared<FakeProcesses>();
    std::shared_ptr<RecordingNotifier> utility = std::make_shared<RecordingNotifier>();
    KXPasteboardManager mgr{clip, {settingsTable, utility, processes}};
    QHash<QString, QVariant>& settings = settingsTable->values;

    void SetUp() override {
        mgr.setExecutableName(QStringLiteral("runebox"));
        clip->userCopies({{"UTF8_STRING", Data{"user text", {}, 8}}, {"image/png", Data{png, {}, 8}}});
    }
    void insert(const QString& text, double delay = 0.05, double timeout = 0.4) {
        mgr.clearContents();
        mgr.addString(text, QStringLiteral("UTF8_STRING"));
        mgr.publishAndRestoreAfter(delay, timeout);
    }
    bool waitRestored(int ms = 3000) {
        return rbxtest::waitFor([this] { return !mgr.restorePending(); }, ms);
    }
};

} // namespace

TEST_F(Fixture, PublishesMarkersFirstThenRestoresTheUsersClipboardByteExact) {
    insert(QStringLiteral("é"));
    ASSERT_TRUE(clip->ours);
    const QStringList& m = KXPasteboardManager::markerTypes();
    // Markers in reverse list order, then the data types.
    QStringList expected(m.rbegin(), m.rend());
    expected << QStringLiteral("UTF8_STRING");
    EXPECT_EQ(clip->types, expected);
    EXPECT_EQ(clip->fetch(m.first())->bytes, QByteArray("runebox"));
    EXPECT_EQ(clip->fetchText(), QStringLiteral("é"));
    EXPECT_TRUE(mgr.deliveredPromise());
    ASSERT_TRUE(waitRestored());
    EXPECT_EQ(clip->fetchText(), QStringLiteral("user text"));
    EXPECT_EQ(clip->fetch(QStringLiteral("image/png"))->bytes, png);
    EXPECT_EQ(clip->fetch(m.first())->bytes, QByteArray("runebox (restore)"));
    EXPECT_EQ(mgr.publishedChangeCount(), 0);
    EXPECT_EQ(mgr.savedChangeCount(), clip->count);
}

TEST_F(Fixture, MarkerDataFetchedAloneIsNotADeliveryAndMissingTypesGiveEmptyData) {
    insert(QStringLiteral("x"));
    kx::LogCapture capture;
    clip->fetch(KXPasteboardManager::markerTypes().last());
    EXPECT_FALSE(mgr.deliveredPromise());
    const auto missing = mgr.backend() ? clip->provider(QStringLiteral("text/html")) : std::nullopt;
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->bytes.isEmpty());
    EXPECT_TRUE(capture.contains(QStringLiteral("could not provide data of type text/html")));
    EXPECT_FALSE(mgr.deliveredPromise());
}

TEST_F(Fixture, NothingFetchedRestoresAtTheTimeout) {
    QElapsedTimer t;
    t.start();
    insert(QStringLiteral("x"), 0.05, 0.3);
    ASSERT_TRUE(waitRestored());
    EXPECT_GE(t.elapsed(), 280);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("user text"));
}

TEST_F(Fixture, TheClipboardTraceFollowsItsSettingAtEachPublishing) {
    insert(QStringLiteral("x"));
    EXPECT_FALSE(clip->tracing);
    settings.insert(QStringLiteral("logClipboard"), QStringLiteral("YES"));
    insert(QStringLiteral("y"));
    EXPECT_TRUE(clip->tracing);
}

TEST_F(Fixture, ExtraDelayIsAddedToDelayAndTimeout) {
    settings.insert(QStringLiteral("KXPasteboardRestoreExtraDelay"), 0.2);
    insert(QStringLiteral("x"), 0.05, 0.3);
    EXPECT_DOUBLE_EQ(mgr.restoreDelay(), 0.25);
    EXPECT_GT(mgr.restoreRemainingMs(), 400);
}

TEST_F(Fixture, AnExtraDelayBeyondAMinuteIsNotUsed) {
    // Written by hand or by another program: the restore keeps its own timing.
    for (const QVariant& v : {QVariant(1e300), QVariant(QStringLiteral("-1e9")), QVariant(120.0)}) {
        settings.insert(QStringLiteral("KXPasteboardRestoreExtraDelay"), v);
        insert(QStringLiteral("x"), 0.05, 0.3);
        EXPECT_DOUBLE_EQ(mgr.restoreDelay(), 0.05) << v.toString().toStdString();
        EXPECT_GT(mgr.restoreRemainingMs(), 200);
        EXPECT_LE(mgr.restoreRemainingMs(), 300);
    }
}

TEST_F(Fixture, EachFetchMovesTheRestoreButNotPastTheCap) {
    // delay 0.2, timeout 0.3: the restore happens by 0.5 s after publishing however
    // often the data is fetched.
    QElapsedTimer t;
    t.start();
    insert(QStringLiteral("x"), 0.2, 0.3);
    clip->fetchText();
    EXPECT_GT(mgr.restoreRemainingMs(), 150);
    EXPECT_LE(mgr.restoreRemainingMs(), 200);
    while (mgr.restorePending() && t.elapsed() < 2000) {
        clip->fetchText();
        rbxtest::spinEventLoop(20);
    }
    EXPECT_FALSE(mgr.restorePending());
    EXPECT_LT(t.elapsed(), 800);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("user text"));
}

TEST_F(Fixture, APasteFromTheTypesOfTheClipboardBeforeIsReportedOnceAndTheRestoreWaitsForASecondPaste) {
    QList<int> missed;
    QObject::connect(&mgr, &KXPasteboardManager::pasteMissed, [&missed](int count) { missed << count; });
    insert(QStringLiteral("é"), 0.05, 0.3);
    // A type nobody had is no sign of an old list; the image of the user's clipboard is.
    EXPECT_FALSE(clip->fetch(QStringLiteral("text/html")));
    EXPECT_TRUE(missed.isEmpty());
    EXPECT_FALSE(clip->fetch(QStringLiteral("image/png")));
    EXPECT_FALSE(clip->fetch(QStringLiteral("image/png")));
    EXPECT_EQ(missed, QList<int>{mgr.publishedChangeCount()});
    EXPECT_GT(mgr.restoreRemainingMs(), KXPasteboardManager::RepasteDelayMs);
    // The second paste asks afresh and gets the text; the restore follows its delay.
    EXPECT_EQ(clip->fetchText(), QStringLiteral("é"));
    ASSERT_TRUE(waitRestored(1000));
    EXPECT_EQ(clip->fetch(QStringLiteral("image/png"))->bytes, png);

    // Once the text was fetched, a refused type is not a missed paste.
    missed.clear();
    insert(QStringLiteral("x"), 0.05, 0.3);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("x"));
    EXPECT_FALSE(clip->fetch(QStringLiteral("image/png")));
    EXPECT_TRUE(missed.isEmpty());
    ASSERT_TRUE(waitRestored());
}

TEST_F(Fixture, TwoPublishingsWithinTheDelayRestoreOnce) {
    int restores = 0;
    QObject::connect(&mgr, &KXPasteboardManager::restored, [&restores] { ++restores; });
    insert(QStringLiteral("first"));
    EXPECT_EQ(clip->fetchText(), QStringLiteral("first"));
    const int readsAfterFirst = clip->reads;
    insert(QStringLiteral("second"));
    // The first save is kept: the clipboard was not read again.
    EXPECT_EQ(clip->reads, readsAfterFirst);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("second"));
    ASSERT_TRUE(waitRestored());
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("user text"));
    EXPECT_EQ(clip->fetch(QStringLiteral("image/png"))->bytes, png);
}

TEST_F(Fixture, UserCopyDuringTheRestoreWindowSurvives) {
    insert(QStringLiteral("x"));
    clip->fetchText();
    clip->userCopies({{"UTF8_STRING", Data{"newer copy", {}, 8}}});
    ASSERT_TRUE(waitRestored());
    rbxtest::spinEventLoop(50);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("newer copy"));
    EXPECT_EQ(mgr.savedChangeCount(), -1);
    EXPECT_TRUE(mgr.savedTypes().isEmpty());
}

TEST_F(Fixture, SecondPublishingAfterAUserCopySavesThatCopy) {
    insert(QStringLiteral("first"));
    clip->userCopies({{"UTF8_STRING", Data{"newer copy", {}, 8}}});
    insert(QStringLiteral("second"));
    ASSERT_TRUE(waitRestored());
    // The user's newer copy comes back, not the older save.
    EXPECT_EQ(clip->fetchText(), QStringLiteral("newer copy"));
    EXPECT_FALSE(clip->types.contains(QStringLiteral("image/png")));
}

TEST_F(Fixture, RestoredContentsStayValidForTheNextInsertion) {
    insert(QStringLiteral("one"));
    ASSERT_TRUE(waitRestored());
    const int reads = clip->reads;
    insert(QStringLiteral("two"));
    EXPECT_EQ(clip->reads, reads);   // not read again: still the user's clipboard
    ASSERT_TRUE(waitRestored());
    EXPECT_EQ(clip->fetch(QStringLiteral("image/png"))->bytes, png);
}

TEST_F(Fixture, SavingDisabledSchedulesNoRestore) {
    settings.insert(QStringLiteral("KXPasteboardSavingEnabled"), false);
    insert(QStringLiteral("x"));
    EXPECT_FALSE(mgr.restorePending());
    EXPECT_TRUE(mgr.savedTypes().isEmpty());
    EXPECT_EQ(clip->fetchText(), QStringLiteral("x"));
    settings.insert(QStringLiteral("KXPasteboardSavingEnabled"), QStringLiteral("YES"));
    insert(QStringLiteral("y"));
    EXPECT_TRUE(mgr.restorePending());
}

TEST_F(Fixture, ATypeAddedTwiceIsListedOnceWithTheLatestValue) {
    mgr.clearContents();
    mgr.addString(QStringLiteral("a"), QStringLiteral("UTF8_STRING"));
    mgr.addData(QByteArray("b"), QStringLiteral("UTF8_STRING"));
    mgr.addString(QStringLiteral("<b>c</b>"), QStringLiteral("text/html"));
    mgr.addString(QStringLiteral("ä"), QStringLiteral("STRING"));
    EXPECT_EQ(mgr.types(), (QStringList{"UTF8_STRING", "text/html", "STRING"}));
    mgr.publishDirectly();
    EXPECT_EQ(clip->types, (QStringList{"UTF8_STRING", "text/html", "STRING"}));
    EXPECT_EQ(clip->fetch(QStringLiteral("UTF8_STRING"))->bytes, QByteArray("b"));
    EXPECT_EQ(clip->fetch(QStringLiteral("STRING"))->bytes, QByteArray("\xe4"));
    EXPECT_FALSE(mgr.restorePending());
    // A later preparation does not change what the earlier owner hands out.
    mgr.clearContents();
    EXPECT_EQ(clip->fetch(QStringLiteral("text/html"))->bytes, QByteArray("<b>c</b>"));
}

TEST_F(Fixture, SavingSkipsMarkerAndListedTypes) {
    clip->userCopies({{"UTF8_STRING", Data{"u", {}, 8}},
                      {"org.nspasteboard.TransientType", Data{"other", {}, 8}},
                      {"com.microsoft.ole.source.foo", Data{"x", {}, 8}},
                      {"TARGETS", Data{"x", {}, 32}},
                      {"dyn.agk8y2xwpnq", Data{"x", {}, 8}},
                      {"image/tiff", Data{"tiff", {}, 8}},
                      {"application/x-empty", Data{}}});
    processes->running = {0x4D4B4259};
    mgr.saveContents();
    QStringList saved = mgr.savedTypes();
    for (const QString& m : KXPasteboardManager::markerTypes()) saved.removeOne(m);
    EXPECT_EQ(saved, (QStringList{"UTF8_STRING", "application/x-empty"}));
    EXPECT_EQ(mgr.savedData(QStringLiteral("org.nspasteboard.TransientType"))->bytes,
              QByteArray("runebox (restore)"));
    processes->running.clear();
    clip->userCopies({{"image/tiff", Data{"tiff", {}, 8}}});
    mgr.saveContents();
    EXPECT_TRUE(mgr.savedTypes().contains(QStringLiteral("image/tiff")));
}

TEST_F(Fixture, AChangeWhileSavingSavesTheNewContentsWhole) {
    clip->userCopies({{"a", Data{"1", {}, 8}}, {"b", Data{"2", {}, 8}}, {"c", Data{"3", {}, 8}}});
    clip->changeDuringRead = 1;
    kx::LogCapture capture;
    insert(QStringLiteral("x"));
    EXPECT_TRUE(capture.contains(QStringLiteral("Pasteboard changed while saving")));
    QStringList saved = mgr.savedTypes();
    for (const QString& m : KXPasteboardManager::markerTypes()) saved.removeOne(m);
    // Nothing of the old contents: the copy made during the save is the user's clipboard.
    EXPECT_EQ(saved, QStringList{"UTF8_STRING"});
    EXPECT_TRUE(mgr.savedContentsComplete());
    ASSERT_TRUE(waitRestored());
    EXPECT_EQ(clip->fetchText(), QStringLiteral("late 1"));
    EXPECT_FALSE(clip->types.contains(QStringLiteral("a")));
}

TEST_F(Fixture, AClipboardThatKeepsChangingIsSavedIncompletelyAndReadAgainNextTime) {
    clip->changeOnEveryRead = true;
    kx::LogCapture capture;
    mgr.saveContents();
    const QStringList lines = capture.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const QString& l) { return l.contains(QStringLiteral("Pasteboard changed while saving")); }),
              KXPasteboardManager::SaveAttempts);
    EXPECT_FALSE(mgr.savedContentsComplete());
    EXPECT_EQ(mgr.savedChangeCount(), -1);
    // Calm again: the next save does not take the old one for the clipboard's.
    clip->changeOnEveryRead = false;
    mgr.saveContents();
    EXPECT_TRUE(mgr.savedContentsComplete());
    EXPECT_EQ(mgr.savedChangeCount(), clip->count);
    EXPECT_EQ(mgr.savedData(QStringLiteral("UTF8_STRING"))->bytes, clip->fetch(QStringLiteral("UTF8_STRING"))->bytes);
}

TEST_F(Fixture, AnOwnerThatStopsAnsweringIsNotAskedAgainAndItsSaveIsNotReused) {
    clip->userCopies({{"a", Data{"1", {}, 8}}, {"b", Data{"2", {}, 8}}, {"c", Data{"3", {}, 8}}});
    clip->silentFromRead = 2;
    kx::LogCapture capture;
    insert(QStringLiteral("x"));
    // One time-out, then no more questions.
    EXPECT_EQ(clip->reads, 2);
    EXPECT_TRUE(capture.contains(QStringLiteral("clipboard saved incompletely, not read: b, c")));
    EXPECT_FALSE(mgr.savedContentsComplete());
    // What was read comes back, and the log tells what did not.
    ASSERT_TRUE(waitRestored());
    EXPECT_TRUE(capture.contains(QStringLiteral("restoring the clipboard without the types that could not be read")));
    EXPECT_EQ(clip->fetch(QStringLiteral("a"))->bytes, QByteArray("1"));
    EXPECT_FALSE(clip->types.contains(QStringLiteral("b")));
}

TEST_F(Fixture, ASlowOwnerIsReadAgainByTheNextSave) {
    clip->silentOnTypes = true;
    kx::LogCapture capture;
    mgr.saveContents();
    EXPECT_TRUE(capture.contains(QStringLiteral("clipboard not saved: its owner did not list its types in time")));
    EXPECT_TRUE(mgr.savedTypes().isEmpty());
    // The clipboard did not change, but nothing of it was saved: ask again.
    clip->silentOnTypes = false;
    mgr.saveContents();
    EXPECT_EQ(mgr.savedData(QStringLiteral("image/png"))->bytes, png);
    EXPECT_EQ(mgr.savedChangeCount(), clip->count);
}

TEST_F(Fixture, AnEmptyClipboardIsEmptyAgainAfterTheRestore) {
    clip->userCopies({});
    kx::LogCapture capture;
    insert(QStringLiteral("x"), 0.01, 0.05);
    EXPECT_TRUE(mgr.savedContentsEmpty());
    EXPECT_EQ(clip->fetchText(), QStringLiteral("x"));
    ASSERT_TRUE(waitRestored());
    // Our text does not stay behind: the clipboard has no owner, as before.
    EXPECT_FALSE(clip->ours);
    EXPECT_EQ(clip->releases, 1);
    EXPECT_TRUE(clip->types.isEmpty());
    EXPECT_FALSE(capture.contains(QStringLiteral("cannot restore clipboard")));
    // The empty save still stands for the clipboard: the next insertion does not read
    // again and gives the clipboard up again.
    EXPECT_EQ(mgr.savedChangeCount(), clip->count);
    const int declarations = clip->declarations;
    insert(QStringLiteral("y"), 0.01, 0.05);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("y"));
    ASSERT_TRUE(waitRestored());
    EXPECT_EQ(clip->declarations, declarations + 1);
    EXPECT_FALSE(clip->ours);
    EXPECT_EQ(clip->releases, 2);
}

TEST_F(Fixture, AClipboardThatCouldNotBeReadIsNotGivenUpAndTheLogSaysSo) {
    clip->silentOnTypes = true;
    kx::LogCapture capture;
    insert(QStringLiteral("x"), 0.01, 0.05);
    EXPECT_FALSE(mgr.savedContentsEmpty());
    ASSERT_TRUE(waitRestored());
    EXPECT_TRUE(capture.contains(QStringLiteral("cannot restore clipboard")));
    EXPECT_EQ(clip->releases, 0);
}

TEST_F(Fixture, ClipboardUtilityIsToldBeforeAndAfter) {
    const QList<std::pair<quint32, bool>>& notices = utility->notices;
    insert(QStringLiteral("x"));
    ASSERT_TRUE(waitRestored());
    EXPECT_TRUE(notices.isEmpty());
    mgr.setCopyPasteMode(true);
    insert(QStringLiteral("y"));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0], std::make_pair(0u, true));
    ASSERT_TRUE(waitRestored());
    ASSERT_EQ(notices.size(), 2);
    EXPECT_EQ(notices[1], std::make_pair(1u, false));
}

TEST_F(Fixture, ExitRestoresFirstThenHandsOver) {
    insert(QStringLiteral("x"), 5, 5);
    EXPECT_TRUE(mgr.handOverToClipboardManager());
    EXPECT_FALSE(mgr.restorePending());
    EXPECT_EQ(clip->fetchText(), QStringLiteral("user text"));
    EXPECT_EQ(clip->handOvers, 1);
    clip->userCopies({{"UTF8_STRING", Data{"theirs", {}, 8}}});
    EXPECT_FALSE(mgr.handOverToClipboardManager());
    EXPECT_EQ(clip->handOvers, 1);
}

TEST_F(Fixture, DelayedRestoreIsDroppedWhenTheClipboardChanges) {
    mgr.saveContents();
    mgr.clearContents();
    mgr.addString(QStringLiteral("x"), QStringLiteral("UTF8_STRING"));
    mgr.publishDirectly();
    mgr.restoreSavedContentWithDelay(0.05);
    ASSERT_TRUE(rbxtest::waitFor([this] { return clip->fetchText() == u"user text"; }, 2000));
    mgr.publishDirectly();
    mgr.restoreSavedContentWithDelay(0.05);
    clip->userCopies({{"UTF8_STRING", Data{"theirs", {}, 8}}});
    rbxtest::spinEventLoop(150);
    EXPECT_EQ(clip->fetchText(), QStringLiteral("theirs"));
}

TEST(KXPasteboardManagerSettings, ReadsTheSettingsStoreWhenNoReaderIsGiven) {
    auto clip = std::make_shared<MemoryClipboard>();
    clip->userCopies({{"UTF8_STRING", Data{"user", {}, 8}}});
    KXPasteboardManager mgr(clip);
    KXDefaults::userDefaults().setBool(false, QStringLiteral("KXPasteboardSavingEnabled"));
    mgr.addString(QStringLiteral("x"), QStringLiteral("UTF8_STRING"));
    mgr.publishAndRestoreAfter(0.05, 0.1);
    EXPECT_FALSE(mgr.restorePending());
    KXDefaults::userDefaults().removeObjectForKey(QStringLiteral("KXPasteboardSavingEnabled"));
    KXDefaults::userDefaults().setDouble(0.5, QStringLiteral("KXPasteboardRestoreExtraDelay"));
    mgr.publishAndRestoreAfter(0.05, 0.1);
    EXPECT_TRUE(mgr.restorePending());
    EXPECT_DOUBLE_EQ(mgr.restoreDelay(), 0.55);
    KXDefaults::userDefaults().removeObjectForKey(QStringLiteral("KXPasteboardRestoreExtraDelay"));
}

TEST(KXPasteboardManagerShared, QuittingRestoresAndHandsOverWhatTheSharedManagerOwns) {
    // Once made, the shared manager watches the application's exit.
    KXPasteboardManager::manager();
    auto clip = std::make_shared<MemoryClipboard>();
    clip->userCopies({{"UTF8_STRING", Data{"user text", {}, 8}}});
    auto own = std::make_shared<KXPasteboardManager>(clip, KXPasteboardManager::Services{std::make_shared<MapSettings>()});
    KXPasteboardManager* mgr = own.get();
    const std::shared_ptr<KXPasteboardManager> shared = kx::ProcessWide<KXPasteboardManager>::install(std::move(own));
    mgr->clearContents();
    mgr->addString(QStringLiteral("x"), QStringLiteral("UTF8_STRING"));
    mgr->publishAndRestoreAfter(5, 5);
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_FALSE(mgr->restorePending());
    EXPECT_EQ(clip->fetchText(), QStringLiteral("user text"));
    EXPECT_EQ(clip->handOvers, 1);
    kx::ProcessWide<KXPasteboardManager>::install(nullptr);
    // With no shared manager quitting has nothing to hand over.
    KXPasteboardManager::handOverSharedManager();
    EXPECT_EQ(clip->handOvers, 1);
}
