// A character clicked in the open palette arrives in the application the user types in
// (the probe): typed where the application's settings allow it, else pasted with the
// user's clipboard put back; the probe has the keyboard for it, and again once the mouse
// leaves the palette. The clicks are real pointer events of the X server (XTest).
#include "ProbeClient.h"
#include "app/PaletteAssembly.h"
#include "app/RbxCharWindow.h"
#include "app/RbxCharWindowController.h"
#include "insertion/KXPasteboardManager.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "model/RbxCharGroup.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Session.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxCharTracking.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

const QString binaryType = QStringLiteral("application/x-probe-binary");
const QByteArray binaryData = QByteArray("\x01\x02\x00\x03 user bytes", sizeof("\x01\x02\x00\x03 user bytes") - 1);

// Pointer and keys of the X server.
void pointerTo(const QPoint& global) {
    X11Session& s = X11Session::shared();
    XTestFakeMotionEvent(s.display(), -1, global.x(), global.y(), CurrentTime);
    s.flush();
}
void button(bool down) {
    X11Session& s = X11Session::shared();
    XTestFakeButtonEvent(s.display(), 1, down ? True : False, CurrentTime);
    s.flush();
}
// Alt (with Shift too) pressed or let go, and taken into the server's modifier state:
// pointer events carry the state of the moment they are queued, so the next click must
// wait for it.
bool altKey(bool down, bool withShift = false) {
    X11Session& s = X11Session::shared();
    XTestFakeKeyEvent(s.display(), XKeysymToKeycode(s.display(), XK_Alt_L), down ? True : False, CurrentTime);
    if (withShift) XTestFakeKeyEvent(s.display(), XKeysymToKeycode(s.display(), XK_Shift_L), down ? True : False, CurrentTime);
    s.flush();
    return rbxtest::waitFor([&s, down, withShift] {
        XkbStateRec state{};
        if (XkbGetState(s.display(), XkbUseCoreKbd, &state) != Success) return false;
        return bool(state.mods & Mod1Mask) == down && (!withShift || bool(state.mods & ShiftMask) == down);
    }, 5000);
}

class Posting : public ::testing::Test {
protected:
    void SetUp() override {}
    void TearDown() override {
        palette = nullptr;
        assembly.reset();
        probe.reset();
    }

    // The probe in front, then the palette open over it with a table of known cells.
    void start(bool directInsertion, const QStringList& probeArgs = {QStringLiteral("--no-clipboard-utility")}) {
        probe = std::make_unique<ProbeClient>(probeArgs);
        ASSERT_TRUE(probe->started());
        ASSERT_TRUE(probeInFront()) << "the probe never got the focus";
        setDirectInsertion(directInsertion);

        RbxDefaults& d = RbxDefaults::userDefaults();
        d.setBool(false, QStringLiteral("animate window"));
        d.setFrontApplication(QStringLiteral("runebox-probe"));
        d.setApplicationInsertMode(InsertMode::Plain);
        assembly = std::make_unique<PaletteAssembly>(d, X11Session::shared(), nullptr);
        palette = &assembly->windowController();
        palette->load();
        palette->openWindow(palette);
        view = palette->charView();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(rbxtest::waitFor([this] {
            QWindow* w = palette->window()->windowHandle();
            return w && w->isExposed() && view->isVisible();
        }, 10000));
        auto g = RbxCharGroup::groupWithCharacters(std::vector<char32_t>(cells.begin(), cells.end()));
        g->setName(QStringLiteral("Test"));
        view->setGroups({g});
        QApplication::processEvents();
    }

    void setDirectInsertion(bool on) {
        QFile f(KXAppSettings::settingsFolder() + QStringLiteral("/probe.plist"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("{ pluginVersion = 1; \"/runebox-probe\" = { directInsertion = %1; }; }").arg(on ? 1 : 0).toUtf8());
        f.close();
        KXAppSettings::reloadSettings();
    }

    bool probeInFront() { return probe->waitForKeyboardFocus(); }
    // The probe is still the application the user types in: after an insertion the
    // palette takes the keyboard again while the mouse is over it, and gives it back to
    // the probe when the mouse leaves.
    bool probeStillInFront() {
        const QRect frame = palette->window()->frameGeometry(), screen = palette->window()->screen()->geometry();
        pointerTo(frame.left() > screen.width() / 2 ? screen.topLeft() + QPoint(2, screen.height() - 3)
                                                    : screen.topRight() + QPoint(-2, screen.height() - 3));
        return probe->waitForKeyboardFocus();
    }

    QPoint cellCentre(char32_t c) const {
        const std::size_t i = view->indexOfCharacter(c);
        const QRectF cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(i));
        return view->viewport()->mapToGlobal(cell.center().toPoint());
    }
    // Points at the cell and waits until the palette has it selected.
    bool hover(char32_t c) {
        pointerTo(cellCentre(c));
        return rbxtest::waitFor([&] { return view->selectedCharacter() == c; }, 5000);
    }
    // A real click on the cell; `withAlt` holds Alt from after the press until the palette
    // has handled the release (a window manager takes a press with Alt), `withAltShift`
    // Alt and Shift from before the press, as a user holds them.
    enum class Held { Nothing, Alt, AltShift };
    bool clickCell(char32_t c, Held held = Held::Nothing) {
        if (!hover(c)) return false;
        const qsizetype logged = view->insertionLog().size();
        if (held == Held::AltShift && !altKey(true, true)) return false;
        button(true);
        if (held == Held::Alt && !altKey(true)) return false;
        button(false);
        if (held != Held::Nothing) {
            const bool handled = rbxtest::waitFor([&] { return view->insertionLog().size() > logged; }, 5000);
            return altKey(false, held == Held::AltShift) && handled;
        }
        return true;
    }

    void userClipboard() {
        probe->setClipboard({{QStringLiteral("text/plain"), QByteArray("user text")}, {binaryType, binaryData}});
        kx::x11::X11Clipboard reader;
        ASSERT_TRUE(rbxtest::waitFor([&reader] {
            const auto types = reader.availableTypes(500);
            return types && types->contains(binaryType);
        }, 10000));
    }
    static bool restored() {
        return rbxtest::waitFor([] { return !kx::KXPasteboardManager::manager().restorePending(); }, 15000);
    }

    static inline const std::u32string cells = U"ABCDEFGHIJKLé€Ω\"'";
    std::unique_ptr<ProbeClient> probe;
    std::unique_ptr<PaletteAssembly> assembly;
    RbxCharWindowController* palette = nullptr;
    RbxCharView* view = nullptr;
};

} // namespace

TEST_F(Posting, AClickTypesTheCharacterWhereTheApplicationAllowsIt) {
    start(true);
    userClipboard();
    ASSERT_TRUE(clickCell(U'é'));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("é"))) << probe->text().toStdString();
    ASSERT_TRUE(clickCell(U'Ω'));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("éΩ"))) << probe->text().toStdString();
    EXPECT_TRUE(probeStillInFront());
    // Typed: no paste keystroke reached the probe, the user's clipboard was not touched.
    for (const QString& e : probe->keyEvents()) EXPECT_FALSE(e.startsWith(QStringLiteral("86:67108864"))) << e.toStdString();
    EXPECT_FALSE(kx::KXPasteboardManager::manager().restorePending());
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("user text"));
    // Both insertions are logged and recent.
    EXPECT_EQ(view->insertionLog().size(), 2);
    const RbxRecentArray& recents = RbxDefaults::userDefaults().globalRecentCharacters();
    ASSERT_GE(recents.count(), 2);
    EXPECT_EQ(recents.elementAtIndex(0).character, U'Ω');
    EXPECT_EQ(recents.elementAtIndex(1).character, U'é');
}

TEST_F(Posting, AClickPastesWhereTypingIsNotAllowedAndTheClipboardComesBack) {
    start(false);
    userClipboard();
    ASSERT_TRUE(clickCell(U'€'));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("€"))) << probe->text().toStdString();
    EXPECT_TRUE(probeStillInFront());
    ASSERT_TRUE(restored());
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("user text"));
    EXPECT_EQ(probe->clipboardData(binaryType), binaryData);
    // The paste was Ctrl+V (Qt's key code of V with the Control modifier).
    EXPECT_TRUE(probe->keyEvents().join(u' ').contains(QStringLiteral("86:67108864:")));
    EXPECT_TRUE(probeStillInFront());
}

TEST_F(Posting, QuotationMarksAreTypedWhereTypingIsAllowed) {
    // An application that takes typed text gets every character typed, the quotation
    // marks too: its paste keystroke may be no paste at all (a terminal's Ctrl+V).
    start(true);
    userClipboard();
    ASSERT_TRUE(clickCell(U'"'));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("\""))) << probe->text().toStdString();
    ASSERT_TRUE(clickCell(U'\''));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("\"'"))) << probe->text().toStdString();
    EXPECT_FALSE(probe->keyEvents().join(u' ').contains(QStringLiteral("86:67108864:")));
    EXPECT_EQ(probe->clipboardData(binaryType), binaryData);
    EXPECT_TRUE(probeStillInFront());
}

TEST_F(Posting, PictureModeBeepsAndInsertsNothing) {
    start(false);
    userClipboard();
    kx::LogCapture log;
    RbxDefaults::userDefaults().setApplicationInsertMode(InsertMode::Picture);
    ASSERT_TRUE(clickCell(U'B'));
    ASSERT_TRUE(rbxtest::waitFor([&] { return log.contains(QStringLiteral("picture insertion mode not yet supported")); }));
    EXPECT_FALSE(kx::KXPasteboardManager::manager().restorePending());
    // The next insertion in plain mode arrives alone: nothing came before it.
    RbxDefaults::userDefaults().setApplicationInsertMode(InsertMode::Plain);
    ASSERT_TRUE(clickCell(U'C'));
    EXPECT_TRUE(probe->waitForText(QStringLiteral("C"))) << probe->text().toStdString();
    ASSERT_TRUE(restored());
    EXPECT_EQ(probe->clipboardData(QStringLiteral("text/plain")), QByteArray("user text"));
}

TEST_F(Posting, AnEleventhInsertionDropsTheOldestLogEntry) {
    start(true);
    const QString letters = QStringLiteral("ABCDEFGHIJK");
    QString expected;
    for (QChar ch : letters) {
        ASSERT_TRUE(clickCell(ch.unicode()));
        expected += ch;
        ASSERT_TRUE(probe->waitForText(expected)) << probe->text().toStdString();
    }
    const QStringList& log = view->insertionLog();
    ASSERT_EQ(log.size(), 10);
    EXPECT_TRUE(log.first().contains(QStringLiteral("\"K\" (75;"))) << log.first().toStdString();
    EXPECT_TRUE(log.last().contains(QStringLiteral("\"B\" (66;"))) << log.last().toStdString();
    for (const QString& e : log) EXPECT_FALSE(e.contains(QStringLiteral("\"A\" (65;")));
    EXPECT_TRUE(probeStillInFront());
}

TEST_F(Posting, AltHeldAtTheClickKeepsThePastedTextAndStaysOutOfTheKeystroke) {
    start(false);
    // Alt, and Alt+Shift (which window managers leave alone) held through the click.
    const struct {
        Held held;
        char32_t c;
    } cases[] = {{Held::Alt, U'Ω'}, {Held::AltShift, U'€'}};
    for (const auto& k : cases) {
        userClipboard();
        probe->call(QStringLiteral("Clear"));
        ASSERT_TRUE(clickCell(k.c, k.held));
        EXPECT_TRUE(probe->waitForText(QString::fromStdU32String(std::u32string(1, k.c)))) << probe->text().toStdString();
        // Ctrl+V alone: the probe saw V with Control and without Alt or Shift.
        const QString events = probe->keyEvents().join(u' ');
        EXPECT_TRUE(events.contains(QStringLiteral("86:67108864:"))) << events.toStdString();
        EXPECT_FALSE(events.contains(QStringLiteral("86:201326592:"))) << events.toStdString();
        EXPECT_FALSE(events.contains(QStringLiteral("86:234881024:"))) << events.toStdString();
        // Published without saving: the text stays on the clipboard.
        EXPECT_FALSE(kx::KXPasteboardManager::manager().restorePending());
        EXPECT_EQ(QString::fromUtf8(probe->clipboardData(QStringLiteral("text/plain"))),
                  QString::fromStdU32String(std::u32string(1, k.c)));
        EXPECT_TRUE(probeStillInFront());
    }
}

TEST_F(Posting, ThePaletteClosesWhenTheMouseLeavesItButNotOverItsTitleBar) {
    start(true);
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("mouse outside closes"));
    QWidget* w = palette->window();
    pointerTo(w->geometry().center());
    ASSERT_TRUE(rbxtest::waitFor([this] { return view->tracking().mouseInWindow(); }, 5000));
    const QRect frame = w->frameGeometry(), inside = w->geometry();
    if (inside.top() > frame.top()) {
        // Over the title bar the mouse still counts as inside.
        pointerTo(QPoint(inside.center().x(), (frame.top() + inside.top()) / 2));
        rbxtest::spinEventLoop(1500);
        EXPECT_TRUE(palette->isWindowVisible());
        EXPECT_TRUE(view->tracking().mouseInWindow());
    }
    // Outside: the palette fades away, and the probe has the keyboard.
    const QRect screen = w->screen()->geometry();
    pointerTo(frame.left() > screen.width() / 2 ? screen.topLeft() + QPoint(2, screen.height() - 3)
                                                : screen.topRight() + QPoint(-2, screen.height() - 3));
    EXPECT_TRUE(rbxtest::waitFor([this] { return !palette->isWindowVisible(); }, 10000));
    EXPECT_FALSE(view->tracking().mouseInWindow());
    EXPECT_TRUE(probeStillInFront());
}

TEST_F(Posting, TheTableCopyCommandsReplaceTheClipboardForGood) {
    start(true);
    userClipboard();
    view->copyCharacterPlain(U'€');
    EXPECT_TRUE(rbxtest::waitFor([this] {
        return QString::fromUtf8(probe->clipboardData(QStringLiteral("text/plain"))) == QStringLiteral("€");
    }, 5000)) << probe->clipboardData(QStringLiteral("text/plain")).toStdString();
    // A copy is the user's own: no marker types, nothing restored over it.
    EXPECT_FALSE(kx::KXPasteboardManager::manager().restorePending());
    EXPECT_TRUE(probe->clipboardData(binaryType).isEmpty());
    EXPECT_TRUE(probe->clipboardData(QStringLiteral("org.nspasteboard.TransientType")).isEmpty());
    EXPECT_TRUE(probeStillInFront());
}
