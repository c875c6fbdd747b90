// Typing and pasting into another program (the probe), with the user's clipboard
// saved and put back.
#include "ProbeClient.h"
#include "common/ScopedInstance.h"
#include "insertion/KXKeyboard.h"
#include "insertion/KXPasteboardManager.h"
#include "insertion/KXTap.h"
#include "core/Log.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11KeyTyper.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11Session.h"

#include <QProcess>
#include <gtest/gtest.h>

using kx::KXPasteboardManager;
using kx::KXTap;

namespace {

constexpr std::uint32_t CommandFlag = 0x100000;
const QString binaryType = QStringLiteral("application/x-probe-binary");

QByteArray binaryData() {
    QByteArray b;
    for (int i = 0; i < 3000; ++i) b.append(char((i * 37) & 0xFF));
    b.insert(10, QByteArray(5, '\0'));
    return b;
}

struct Insertion : ::testing::Test {
    std::unique_ptr<ProbeClient> probe;

    void SetUp() override {
        probe = std::make_unique<ProbeClient>();
        ASSERT_TRUE(probe->started());
        ASSERT_TRUE(probe->waitForKeyboardFocus()) << "the probe never got the focus";
    }

    // A tap like the character table's posting tap, made live by one key event.
    std::unique_ptr<KXTap> postingTap() {
        auto tap = std::make_unique<KXTap>();
        tap->setEventsOfInterest(kx::tapevent::maskBit(kx::tapevent::LeftMouseDown) |
                                 kx::tapevent::maskBit(kx::tapevent::KeyDown));
        tap->setIsFilter(false);
        tap->setIsHeadTap(false);
        tap->setEnabled(true);
        EXPECT_TRUE(tap->isEnabled());
        // Escape: a key event for the tap that types nothing, so that no stray letter can
        // reach the probe after it was cleared.
        kx::x11::X11KeyTyper::shared().tapKey(9);
        EXPECT_TRUE(rbxtest::waitFor([&tap] { return tap->hasTapProxy(); }));
        probe->call(QStringLiteral("Clear"));
        return tap;
    }

    void userClipboard() {
        probe->setClipboard({{QStringLiteral("text/plain"), QByteArray("user text")},
                             {binaryType, binaryData()}});
        // The probe answers before the X server has made it the owner: wait until a
        // reader sees its types, or a save could find the old owner.
        kx::x11::X11Clipboard reader;
        ASSERT_TRUE(rbxtest::waitFor([&reader] {
            const auto types = reader.availableTypes(500);
            return types && types->contains(binaryType);
        }, 10000)) << "the probe's clipboard never showed up";
    }

    void paste() {
        kx::KXKeyboard* kb = kx::KXKeyboard::currentKeyboard();
        ASSERT_NE(kb, nullptr);
        const int v = kb->keyCodeForCommandKeyLabeled(QStringLiteral("v"));
        ASSERT_GE(v, 0);
        kx::KXEventGenerator& gen = kx::KXEventGenerator::generator();
        gen.setModifiers(CommandFlag);
        gen.generateRawKey(v);
        gen.resetModifiers();
    }

    void publish(KXPasteboardManager& mgr, const QString& text, double delay, double timeout) {
        mgr.clearContents();
        for (const char* t : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain"})
            mgr.addString(text, QString::fromLatin1(t));
        mgr.publishAndRestoreAfter(delay, timeout);
    }
};

} // namespace

TEST_F(Insertion, TypedTextArrivesWhileTheReceiverIsBusy) {
    auto tap = postingTap();
    const QString text = QStringLiteral("aé€\U0001F600");
    probe->call(QStringLiteral("Busy"), {600});
    EXPECT_TRUE(tap->postKeyboardString(text));
    EXPECT_TRUE(probe->waitForText(text)) << probe->text().toStdString();
    EXPECT_TRUE(KXTap::installedTapsInfo().contains(QStringLiteral("[S+r/o]"))) << KXTap::installedTapsInfo().toStdString();
    EXPECT_TRUE(KXTap::installedTapsInfo().contains(QStringLiteral("00000402=K+L+")));
}

TEST_F(Insertion, AStringWithAnUntypableControlIsNotTypedAtAll) {
    auto tap = postingTap();
    EXPECT_FALSE(tap->postKeyboardString(QStringLiteral("ab\x01" "c")));
    // What follows arrives alone: nothing of the refused string came before it.
    EXPECT_TRUE(tap->postKeyboardString(QStringLiteral("z")));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("z"))) << probe->text().toStdString();
}

TEST_F(Insertion, LongerTextWithManyBoundCharactersArrivesWhole) {
    auto tap = postingTap();
    const QString text = QStringLiteral("Grüße, ĳ ŀ Ω ∑ → ☃ ✓ 漢字 — done");
    EXPECT_TRUE(tap->postKeyboardString(text));
    EXPECT_TRUE(probe->waitForText(text)) << probe->text().toStdString();
}

TEST_F(Insertion, PastedTextArrivesAndTheUsersClipboardComesBackByteExact) {
    userClipboard();
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    probe->call(QStringLiteral("Clear"));
    publish(mgr, QStringLiteral("é"), 0.5, 5.0);
    paste();
    EXPECT_TRUE(probe->waitForText(QStringLiteral("é"))) << probe->text().toStdString();
    EXPECT_TRUE(mgr.deliveredPromise());
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.restorePending(); }, 10000));
    EXPECT_EQ(probe->clipboardData(binaryType), binaryData());
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("user text"));
}

TEST_F(Insertion, TwoPublishingsWithinTheDelayRestoreOnce) {
    userClipboard();
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    int restores = 0;
    QObject::connect(&mgr, &KXPasteboardManager::restored, [&restores] { ++restores; });
    probe->call(QStringLiteral("Clear"));
    // A restore delay long enough that the second insertion comes within it however
    // slowly the first paste shows up in the probe.
    publish(mgr, QStringLiteral("x"), 5.0, 10.0);
    paste();
    ASSERT_TRUE(probe->waitForText(QStringLiteral("x")));
    ASSERT_TRUE(mgr.restorePending());
    publish(mgr, QStringLiteral("y"), 0.5, 5.0);
    paste();
    ASSERT_TRUE(probe->waitForText(QStringLiteral("xy")));
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.restorePending(); }, 10000));
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(probe->clipboardData(binaryType), binaryData());
}

TEST_F(Insertion, ACopyByTheUserDuringTheRestoreWindowSurvives) {
    userClipboard();
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    probe->call(QStringLiteral("Clear"));
    publish(mgr, QStringLiteral("x"), 5.0, 10.0);
    paste();
    ASSERT_TRUE(probe->waitForText(QStringLiteral("x")));
    probe->setClipboard({{QStringLiteral("text/plain"), QByteArray("newer copy")}});
    // The copy counts once the server has it; it has to come within the restore delay.
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.backend()->ownsClipboard(); }, 10000));
    ASSERT_TRUE(mgr.restorePending()) << "the copy came after the restore";
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.restorePending(); }, 20000));
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("newer copy"));
    EXPECT_TRUE(probe->clipboardData(binaryType).isEmpty());
}

TEST_F(Insertion, NothingFetchedIsRestoredAfterTheTimeout) {
    userClipboard();
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    publish(mgr, QStringLiteral("never pasted"), 0.5, 1.0);
    EXPECT_FALSE(mgr.deliveredPromise());
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.restorePending(); }, 10000));
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("user text"));
    EXPECT_EQ(probe->clipboardData(binaryType), binaryData());
}

TEST_F(Insertion, AClipboardThatWasEmptyIsEmptyAgainAfterThePaste) {
    // Nobody owns the clipboard.
    {
        kx::x11::X11Clipboard taker;
        taker.declareTypes({QStringLiteral("text/plain")}, [](const QString&) {
            return std::optional<kx::x11::ClipboardData>();
        });
        taker.release();
    }
    kx::x11::X11Clipboard reader;
    ASSERT_TRUE(rbxtest::waitFor([&reader] { return !reader.availableTypes(500).has_value(); }, 10000));
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    probe->call(QStringLiteral("Clear"));
    kx::LogCapture capture;
    publish(mgr, QStringLiteral("é"), 0.3, 5.0);
    paste();
    EXPECT_TRUE(probe->waitForText(QStringLiteral("é"))) << probe->text().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.restorePending(); }, 10000));
    // The pasted text does not stay behind on the user's clipboard.
    EXPECT_FALSE(mgr.backend()->ownsClipboard());
    EXPECT_FALSE(reader.availableTypes(500).has_value());
    EXPECT_TRUE(probe->clipboardData(QStringLiteral("text/plain")).isEmpty());
    EXPECT_FALSE(capture.contains(QStringLiteral("cannot restore clipboard")));
}

TEST_F(Insertion, AtExitTheClipboardIsHandedToARunningClipboardManager) {
    auto clip = std::make_shared<kx::x11::X11Clipboard>();
    auto mgr = std::make_unique<KXPasteboardManager>(clip);
    mgr->clearContents();
    mgr->addString(QStringLiteral("kept after exit"), QStringLiteral("text/plain"));
    mgr->publishDirectly();
    // Without a clipboard manager there is nobody to hand over to.
    EXPECT_FALSE(mgr->handOverToClipboardManager(500));

    QProcess manager;
    manager.start(QStringLiteral(RUNEBOX_CLIPMANAGER), {});
    ASSERT_TRUE(rbxtest::waitFor([&manager] { return manager.canReadLine(); }, 10000));
    EXPECT_TRUE(mgr->handOverToClipboardManager(10000));
    // We are gone: the text stays on the clipboard.
    mgr.reset();
    clip.reset();
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("kept after exit"));
    manager.kill();
    manager.waitForFinished();
}

TEST_F(Insertion, ClipboardUtilityIsToldOverTheBusBeforeAndAfter) {
    userClipboard();
    // A shared manager of its own, the one a running program makes, for this test.
    rbxtest::ScopedInstance<KXPasteboardManager> fresh;
    KXPasteboardManager& mgr = KXPasteboardManager::manager();
    mgr.setCopyPasteMode(true);
    // The time-out leaves room for the first question to the probe: the notice after the
    // restore must not come before it.
    publish(mgr, QStringLiteral("x"), 0.2, 3.0);
    // The notice before publishing was awaited.
    EXPECT_EQ(probe->call(QStringLiteral("CopyPasteNotices")).toStringList(), QStringList{"CoPa CONT 0"});
    ASSERT_TRUE(rbxtest::waitFor([&mgr] { return !mgr.restorePending(); }, 10000));
    EXPECT_TRUE(rbxtest::waitFor([this] {
        return probe->call(QStringLiteral("CopyPasteNotices")).toStringList() ==
               QStringList{"CoPa CONT 0", "CoPa CONT 1"};
    }));
    EXPECT_EQ(probe->clipboardData(binaryType), binaryData());
}
