// Posting one character: the road taken, the text of each insert mode, the paste
// keystroke and its timing, the restore delay, the log and the recent characters.
#include "insertion/KXKeyboard.h"
#include "insertion/KXPasteboardManager.h"
#include "insertion/RbxPoster.h"
#include "InsertionFakes.h"
#include "MemoryClipboard.h"
#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "model/RbxRecentLayout.h"
#include "model/CharacterText.h"

#include <QApplication>
#include <optional>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr int Command = 0x100;
constexpr int Control = 0x1000;

// The font list and the font detection, as the poster tells them.
struct RecordingFontServices : RbxUsedFonts, RbxFontDetection {
    int fontsMarked = 0;
    QList<double> detectionPauses;
    void markSelectedFontAsUsed() override { ++fontsMarked; }
    void disableFontCheckingForSeconds(double s) override { detectionPauses << s; }
};

struct Posting : ::testing::Test {
    std::optional<rbxtest::ScopedInstance<RbxDefaults>> store;
    std::optional<rbxtest::ScopedInstance<RbxRecentLayout>> recentLayout;  // read anew
    std::shared_ptr<MemoryClipboard> clip = std::make_shared<MemoryClipboard>();
    kx::KXPasteboardManager mgr{clip, {std::make_shared<MapSettings>(), nullptr, nullptr}};
    std::shared_ptr<FakeSystem> system = std::make_shared<FakeSystem>();
    std::shared_ptr<RecordingFontServices> fonts = std::make_shared<RecordingFontServices>();
    std::unique_ptr<RbxPoster> poster;
    int& fontsMarked = fonts->fontsMarked;
    QList<double>& detectionPauses = fonts->detectionPauses;

    void SetUp() override {
        static int counter = 0;
        store.emplace(RbxDefaults::open(QStringLiteral("test.posting%1").arg(++counter)));
        recentLayout.emplace();
        mgr.setExecutableName(QStringLiteral("runebox"));
        clip->userCopies({{"UTF8_STRING", kx::x11::ClipboardData{"user text", {}, 8}}});
        system->manager = &mgr;
        poster = std::make_unique<RbxPoster>(system, RbxPoster::Services{fonts, fonts});
        settings().setFrontApplication(QStringLiteral("editor"));
    }
    void TearDown() override { poster.reset(); }

    static RbxDefaults& settings() { return RbxDefaults::userDefaults(); }
    std::vector<char32_t> recents() {
        std::vector<char32_t> out;
        const RbxRecentArray& list = settings().globalRecentCharacters();
        for (int i = 0; i < list.count(); ++i) out.push_back(list.elementAtIndex(i).character);
        return out;
    }
    // What the front application gets when it pastes plain text now.
    QString pasted() { return clip->ours ? clip->fetchText() : QString(); }
    int vKey() { return system->kb->keyCodeForCommandKeyLabeled(QStringLiteral("v")); }
};

} // namespace

TEST_F(Posting, TypingRoadTypesTheCharacterAndRecordsIt) {
    QList<bool> posted;
    QObject::connect(poster.get(), &RbxPoster::posted, [&posted](bool typed) { posted << typed; });
    poster->postCharacter(U'é', QString(), rbx::Font());
    EXPECT_EQ(system->typed, QStringList{QStringLiteral("é")});
    EXPECT_TRUE(system->keystrokes.isEmpty());
    EXPECT_EQ(clip->declarations, 0) << "the clipboard is not touched when typing";
    EXPECT_GE(system->deactivations, 1);
    EXPECT_GE(system->wakeUps, 1);
    EXPECT_EQ(recents(), std::vector<char32_t>{U'é'});
    EXPECT_EQ(fontsMarked, 1);
    EXPECT_EQ(posted, QList<bool>{true});
    EXPECT_EQ(system->sounds, 0);

    // With "sound" on the typed insertion rings; with font detection on it pauses 0.75 s.
    settings().setBool(true, QStringLiteral("sound"));
    settings().setApplicationFontDectection(true);
    poster->postCharacter(U'x', QString(), rbx::Font());
    EXPECT_EQ(system->sounds, 1);
    EXPECT_EQ(detectionPauses, QList<double>{0.75});
    EXPECT_EQ(recents(), (std::vector<char32_t>{U'x', U'é'}));
}

TEST_F(Posting, AnApplicationThatTakesTypedTextGetsEveryCharacterTypedOthersArePasted) {
    // The quotation marks and formatted text too: a terminal's paste keystroke is no paste.
    for (char32_t quote : {U'"', U'\''}) poster->postCharacter(quote, QString(), rbx::Font());
    poster->postCharacter(U'€', QString(), InsertMode::Formatted);
    EXPECT_EQ(system->typed, (QStringList{QStringLiteral("\""), QStringLiteral("'"), QStringLiteral("€")}));
    EXPECT_TRUE(system->keystrokes.isEmpty());
    EXPECT_EQ(clip->declarations, 0);
    EXPECT_EQ(recents(), (std::vector<char32_t>{U'€', U'\'', U'"'}));
    // The keyboard went back to the front application before each insertion.
    EXPECT_EQ(system->deactivations, 3);
    system->typed.clear();

    // No "directInsertion", or "useTapping" off: the pasteboard road.
    system->front.directInsertion = false;
    poster->postCharacter(U'a', QString(), rbx::Font());
    system->front.directInsertion = true;
    settings().setBool(false, QStringLiteral("useTapping"));
    poster->postCharacter(U'c', QString(), rbx::Font());
    EXPECT_TRUE(system->typed.isEmpty());
    ASSERT_EQ(system->keystrokes.size(), 2);
    EXPECT_EQ(system->keystrokes[0], qMakePair(vKey(), Command));
    EXPECT_EQ(pasted(), QStringLiteral("c"));
    // Every plain-text name a reader may ask for carries the text.
    for (const char* type : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain"})
        EXPECT_EQ(clip->fetchText(QString::fromLatin1(type)), QStringLiteral("c")) << type;
}

TEST_F(Posting, TypingThatFailsPastesNothingAndEveryModeIsPastedInItsForm) {
    // An application that takes typed text gets no paste when the typing fails: a beep.
    system->typingWorks = false;
    kx::LogCapture log;
    poster->postCharacter(U'é', QString(), InsertMode::Plain);
    EXPECT_EQ(clip->declarations, 0);
    EXPECT_TRUE(system->keystrokes.isEmpty());
    EXPECT_EQ(system->beeps, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("could not type U+00e9")));
    EXPECT_TRUE(recents().empty());

    // Numeric references: the named entities are switched off here.
    settings().setBool(false, QStringLiteral("htmlEntities"));
    settings().setBool(false, QStringLiteral("hexHtml"));
    system->front.directInsertion = false;
    poster->postCharacter(U'é', QString(), InsertMode::Plain);
    EXPECT_EQ(pasted(), QStringLiteral("é"));
    // HTML: the string given is pasted as it stands; a character as its HTML form.
    poster->postCharacter(U'<', QStringLiteral("<b>"), InsertMode::HTML);
    EXPECT_EQ(pasted(), QStringLiteral("<b>"));
    poster->postCharacter(U'<', QString(), InsertMode::HTML);
    EXPECT_EQ(pasted(), QStringLiteral("&#60;"));
    poster->postCharacter(U'é', QString(), InsertMode::Hex);
    EXPECT_EQ(pasted(), QStringLiteral("U+00E9"));
    EXPECT_EQ(system->keystrokes.size(), 4);

    // Typed, a string in mode 2 goes as its HTML form.
    system->typingWorks = true;
    system->front.directInsertion = true;
    poster->postCharacter(U'<', QStringLiteral("<b>"), InsertMode::HTML);
    EXPECT_EQ(system->typed.value(0), QStringLiteral("&#60;b&#62;"));
}

TEST_F(Posting, NotationsOfAStringSpellOutEveryCodePoint) {
    system->front.directInsertion = false;
    const QString thumbs = QString::fromUcs4(U"\U0001F44D\U0001F3FD", 2);
    poster->postCharacter(0x1F44D, thumbs, InsertMode::Hex);
    EXPECT_EQ(pasted(), QStringLiteral("U+1F44D, U+1F3FD"));
    poster->postCharacter(0x1F44D, thumbs, InsertMode::Decimal);
    EXPECT_EQ(pasted(), QStringLiteral("128077, 127997"));
    poster->postCharacter(0x1F44D, thumbs, InsertMode::Swift);
    EXPECT_EQ(pasted(), QStringLiteral("\\u{1f44d}\\u{1f3fd}"));
    // A string of one character has that character's notation.
    poster->postCharacter(0, QStringLiteral("é"), InsertMode::Hex);
    EXPECT_EQ(pasted(), QStringLiteral("U+00E9"));
    // A text that is no sequence is described code point by code point.
    EXPECT_EQ(CharacterText::textForMode(0, QStringLiteral("a\u0301"), InsertMode::Description).count(QLatin1Char('\n')), 1);
    EXPECT_EQ(CharacterText::textForMode(0, QStringLiteral("a\u0301"), InsertMode::Hex), QStringLiteral("U+0061, U+0301"));
}

TEST_F(Posting, FormattedTextCarriesTheFontSizeInHtmlAndRtf) {
    system->front.directInsertion = false;   // formatted text is pasted where it is not typed
    settings().setInteger(20, QStringLiteral("formattedSize"));
    poster->postCharacter(U'€', QString(), InsertMode::Formatted);
    EXPECT_TRUE(system->typed.isEmpty());
    ASSERT_EQ(system->keystrokes.size(), 1);
    EXPECT_TRUE(clip->types.contains(QStringLiteral("text/html")));
    EXPECT_TRUE(clip->types.contains(QStringLiteral("text/rtf")));
    EXPECT_EQ(pasted(), QStringLiteral("€"));
    const QString html = clip->fetchText(QStringLiteral("text/html"));
    EXPECT_TRUE(html.contains(QStringLiteral("font-size: 20pt"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("€")));
    const QByteArray rtf = clip->fetch(QStringLiteral("text/rtf"))->bytes;
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fs40 ")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\u8364?")) << rtf.constData();
    EXPECT_TRUE(rtf.endsWith('}'));
}

TEST_F(Posting, PictureModeBeepsAndUnknownModesDoNothingAtAll) {
    kx::LogCapture log;
    poster->postCharacter(U'A', QString(), InsertMode::Picture);
    EXPECT_EQ(system->beeps, 1);
    EXPECT_TRUE(system->keystrokes.isEmpty());
    EXPECT_EQ(clip->declarations, 0);
    EXPECT_TRUE(recents().empty());
    EXPECT_EQ(fontsMarked, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("picture insertion mode not yet supported")));
    EXPECT_EQ(poster->insertionLog().size(), 1);

    for (int mode : {4, 10, -1, 99}) poster->postCharacter(U'A', QString(), insertModeFromNumber(mode));
    EXPECT_TRUE(system->typed.isEmpty());
    EXPECT_TRUE(system->keystrokes.isEmpty());
    EXPECT_EQ(clip->declarations, 0);
    EXPECT_TRUE(recents().empty());
    EXPECT_EQ(poster->insertionLog().size(), 1) << "nothing inserted, nothing recorded";
    EXPECT_EQ(system->beeps, 1);
}

TEST_F(Posting, RestoreDelayFollowsTheFactorTheUtilityAndTheContextSwitch) {
    system->front.directInsertion = false;
    struct Case {
        double factor;
        bool utility, contextSwitch;
        double expected;
    };
    for (const Case& c : {Case{1.0, false, false, 0.5}, Case{0.5, false, false, 0.5}, Case{3.0, false, false, 1.5},
                          Case{1.0, true, false, 1.0}, Case{2.0, false, true, 4.0},
                          // Hand-written factors the wait cannot use.
                          Case{std::numeric_limits<double>::quiet_NaN(), false, false, 0.5},
                          Case{std::numeric_limits<double>::infinity(), false, false, 0.5}, Case{1e300, false, false, 0.5},
                          Case{100.0, false, false, 50.0}}) {
        system->front.restoreFactor = c.factor;
        system->front.contextSwitch = c.contextSwitch;
        system->utility = c.utility ? std::optional(RbxClipboardUtility{true}) : std::nullopt;
        poster->postCharacter(U'a', QString(), rbx::Font());
        EXPECT_DOUBLE_EQ(poster->lastRestoreDelay(), c.expected) << c.factor;
        EXPECT_DOUBLE_EQ(mgr.restoreDelay(), c.expected) << c.factor;
        EXPECT_TRUE(mgr.restorePending());
        EXPECT_EQ(mgr.copyPasteMode(), c.utility);
    }
    EXPECT_EQ(system->switches, 1);

    // A factor of 0, or Option held: published without saving or restoring.
    mgr.restoreSavedContent();
    for (auto [factor, flags] : {std::pair{0.0, 0u}, std::pair{1.0, 0x80000u}}) {
        system->front = RbxFrontApplication{QStringLiteral("editor"), false, false, factor, {}};
        system->utility.reset();
        system->modifiers = flags;
        poster->postCharacter(U'b', QString(), rbx::Font());
        EXPECT_EQ(poster->lastRestoreDelay(), 0);
        EXPECT_FALSE(mgr.restorePending());
        EXPECT_EQ(pasted(), QStringLiteral("b"));
        // The paste keystroke stays Ctrl+V whatever the user holds.
        EXPECT_EQ(system->keystrokes.last(), qMakePair(vKey(), Command));
    }
}

TEST_F(Posting, PasteKeystrokeTimingWithAClipboardUtilityAndInX11) {
    system->front.directInsertion = false;
    system->utility = RbxClipboardUtility{true};
    poster->postCharacter(U'a', QString(), rbx::Font());
    EXPECT_TRUE(system->keystrokes.isEmpty()) << "sent a moment later for the utility";
    ASSERT_TRUE(rbxtest::waitFor([&] { return system->keystrokes.size() == 1; }, 2000));
    EXPECT_EQ(system->keystrokes[0], qMakePair(vKey(), Command));

    // In "X11" the key goes with Control at once, utility or not.
    system->front.processName = QStringLiteral("X11");
    settings().setApplicationFontDectection(true);
    poster->postCharacter(U'b', QString(), rbx::Font());
    ASSERT_EQ(system->keystrokes.size(), 2);
    EXPECT_EQ(system->keystrokes[1], qMakePair(vKey(), Control));
    EXPECT_EQ(detectionPauses.value(0), 1.25);

    // An older utility waits a quarter second.
    system->front.processName = QStringLiteral("editor");
    system->utility = RbxClipboardUtility{false};
    QElapsedTimer t;
    t.start();
    poster->postCharacter(U'c', QString(), rbx::Font());
    ASSERT_TRUE(rbxtest::waitFor([&] { return system->keystrokes.size() == 3; }, 2000));
    EXPECT_GE(t.elapsed(), 240);
    EXPECT_EQ(detectionPauses.value(1), 0.5);
}

TEST_F(Posting, APasteThatAskedForTheTypesOfTheClipboardBeforeIsSentOnceMore) {
    clip->userCopies({{"UTF8_STRING", kx::x11::ClipboardData{"user text", {}, 8}},
                      {"image/png", kx::x11::ClipboardData{"\x89PNG", {}, 8}}});
    system->front.directInsertion = false;
    poster->postCharacter(U'é', QString(), rbx::Font());
    ASSERT_EQ(system->keystrokes.size(), 1);
    // The application pastes from the types it was given before ours: nothing arrives.
    EXPECT_FALSE(clip->fetch(QStringLiteral("image/png")));
    ASSERT_TRUE(rbxtest::waitFor([this] { return system->keystrokes.size() == 2; }, 5000));
    EXPECT_EQ(system->keystrokes[1], qMakePair(vKey(), Command));
    EXPECT_EQ(system->deactivations, 2);
    EXPECT_EQ(pasted(), QStringLiteral("é"));

    // When the text was fetched meanwhile, the key is not sent again; nor when another
    // application came to the front, which would get it.
    poster->postCharacter(U'x', QString(), rbx::Font());
    EXPECT_FALSE(clip->fetch(QStringLiteral("image/png")));
    EXPECT_EQ(pasted(), QStringLiteral("x"));
    rbxtest::spinEventLoop(kx::KXPasteboardManager::RepasteDelayMs + 300);
    EXPECT_EQ(system->keystrokes.size(), 3);
    poster->postCharacter(U'y', QString(), rbx::Font());
    EXPECT_FALSE(clip->fetch(QStringLiteral("image/png")));
    system->front.processName = QStringLiteral("another");
    rbxtest::spinEventLoop(kx::KXPasteboardManager::RepasteDelayMs + 300);
    EXPECT_EQ(system->keystrokes.size(), 4);
}

TEST_F(Posting, PasteKeyIsFoundOnTheLayoutElseKeyNine) {
    EXPECT_EQ(poster->pasteKeyCode(), 9);
    system->kb = kx::KXKeyboard::fromNames(QStringLiteral("us"), QStringLiteral("dvorak"));
    ASSERT_TRUE(system->kb);
    const int dvorakV = poster->pasteKeyCode();
    EXPECT_NE(dvorakV, 9);
    EXPECT_EQ(system->kb->labelForKey(dvorakV).toLower(), QStringLiteral("v"));
    kx::LogCapture log;
    system->noKeyboard = true;
    EXPECT_EQ(poster->pasteKeyCode(), 9);
    EXPECT_TRUE(log.contains(QStringLiteral("Cannot locate V on keyboard \"\"")));
}

TEST_F(Posting, AStringPastedAddsOnlyItsCharacterToTheRecents) {
    system->front.directInsertion = false;
    poster->postCharacter(0, QStringLiteral("xyz"), rbx::Font());
    EXPECT_EQ(pasted(), QStringLiteral("xyz"));
    EXPECT_TRUE(recents().empty());
    poster->postCharacter(U'q', QStringLiteral("q\u0301"), rbx::Font());
    EXPECT_EQ(pasted(), QStringLiteral("q\u0301"));
    EXPECT_EQ(recents(), std::vector<char32_t>{U'q'});
}

TEST_F(Posting, TheLogKeepsTheTenNewestInsertions) {
    system->front.directInsertion = false;
    for (char32_t c = U'a'; c <= U'k'; ++c) poster->postCharacter(c, QString(), rbx::Font());
    const QStringList& log = poster->insertionLog();
    ASSERT_EQ(log.size(), RbxPoster::InsertionLogSize);
    const QStringList newest = log.first().split(QLatin1Char('\n'));
    ASSERT_EQ(newest.size(), 4) << log.first().toStdString();
    EXPECT_TRUE(newest[0].endsWith(QStringLiteral(": Plain"))) << newest[0].toStdString();
    EXPECT_TRUE(newest[2].startsWith(QStringLiteral("\"k\" (107; U+006B;"))) << newest[2].toStdString();
    EXPECT_EQ(newest[3], QStringLiteral("settings for editor"));
    // The oldest, "a", is gone; "b" is the last entry.
    EXPECT_TRUE(log.last().contains(QStringLiteral("\"b\" (98;")));
    for (const QString& e : log) EXPECT_FALSE(e.contains(QStringLiteral("\"a\" (97;")));
}
