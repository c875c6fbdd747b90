#include "insertion/KXKeyboard.h"
#include "core/Log.h"
#include "platform/x11/MacKeyCodes.h"

#include <QSet>
#include <gtest/gtest.h>

using kx::KXKeyboard;
namespace carbon = kx::carbon;

namespace {

std::unique_ptr<KXKeyboard> make(const QString& layout, const QString& variant = {}) {
    auto kb = KXKeyboard::fromNames(layout, variant);
    EXPECT_TRUE(kb) << layout.toStdString();
    return kb;
}

constexpr int keyV = 9, keyQ = 12, keyE = 14, keyZ = 6, keyEquals = 24, keyLeftBracket = 33;

} // namespace

TEST(KXKeyboard, PasteKeyIsFoundOnEveryLayout) {
    struct Case { const char* layout; const char* variant; int expected; };
    const Case cases[] = {{"us", "", keyV}, {"de", "", keyV}, {"fr", "", keyV},
                          {"ru,us", "", keyV}, {"us", "dvorak", 47}};
    for (const Case& c : cases) {
        auto kb = make(QString::fromLatin1(c.layout), QString::fromLatin1(c.variant));
        ASSERT_TRUE(kb);
        EXPECT_EQ(kb->keyCodeForCommandKeyLabeled(QStringLiteral("v")), c.expected) << c.layout << c.variant;
        EXPECT_EQ(kb->keyCodeForCommandKeyLabeled(QStringLiteral("V")), c.expected) << c.layout << c.variant;
    }
}

TEST(KXKeyboard, CyrillicLayoutFindsTheCommandLabelOnlyWithCommand) {
    auto kb = make(QStringLiteral("ru,us"));
    ASSERT_TRUE(kb);
    EXPECT_EQ(kb->keyCodeForKeyLabeled(QStringLiteral("V")), -1);
    EXPECT_EQ(kb->keyCodeForCommandKeyLabeled(QStringLiteral("v")), keyV);
    // The plain label of that key is Cyrillic em.
    EXPECT_EQ(kb->keyCodeForKeyLabeled(QString(QChar(0x043C))), keyV);
    EXPECT_EQ(kb->keyCodeForUnicodeCharacter(0x043C), keyV);
    EXPECT_EQ(kb->labelForKey(keyV), QString(QChar(0x041C)));
}

TEST(KXKeyboard, PlaceholderAndMultiUnitLabelsNeverMatch) {
    for (const char* layout : {"us", "de", "ru,us"}) {
        auto kb = make(QString::fromLatin1(layout));
        ASSERT_TRUE(kb);
        EXPECT_EQ(kb->keyCodeForKeyLabeled(QStringLiteral("_")), -1) << layout;
        EXPECT_EQ(kb->keyCodeForCommandKeyLabeled(QStringLiteral("_")), -1) << layout;
        EXPECT_EQ(kb->keyCodeForKeyLabeled(QStringLiteral("qw")), -1) << layout;
        EXPECT_EQ(kb->keyCodeForKeyLabeled(QString()), -1) << layout;
    }
    // Where a key really carries "_" (the 8 key of the French layout) it is found.
    auto fr = make(QStringLiteral("fr"));
    ASSERT_TRUE(fr);
    EXPECT_EQ(fr->keyCodeForKeyLabeled(QStringLiteral("_")), 28);
}

TEST(KXKeyboard, GermanAtSignIsTypedWithAltGr) {
    auto kb = make(QStringLiteral("de"));
    ASSERT_TRUE(kb);
    const auto strokes = kb->keyStrokesForCharacter(U'@');
    ASSERT_EQ(strokes.size(), 1);
    EXPECT_EQ(strokes[0].keyCode, keyQ);
    EXPECT_EQ(strokes[0].modifiers, carbon::Option);
    EXPECT_EQ(kb->keySequenceArrayForCharacter(U'@'), (QStringList{"AltGr", "Q"}));
    EXPECT_EQ(kb->keySequenceForCharacter(U'@'), QStringLiteral("AltGr-\"Q\""));
    // The euro sign too, and a capital letter takes Shift.
    const auto euro = kb->keyStrokesForCharacter(0x20AC);
    ASSERT_EQ(euro.size(), 1);
    EXPECT_EQ(euro[0].keyCode, keyE);
    EXPECT_EQ(euro[0].modifiers, carbon::Option);
    EXPECT_EQ(kb->keySequenceArrayForCharacter(U'Q'), (QStringList{QString(QChar(0x21E7)), "Q"}));
}

TEST(KXKeyboard, GermanEAcuteIsTypedWithTheDeadKey) {
    auto kb = make(QStringLiteral("de"));
    ASSERT_TRUE(kb);
    const auto strokes = kb->keyStrokesForCharacter(0xE9);
    ASSERT_EQ(strokes.size(), 2);
    EXPECT_EQ(strokes[0].keyCode, keyEquals);   // the acute dead key right of ß
    EXPECT_EQ(strokes[0].modifiers, 0);
    EXPECT_EQ(strokes[1].keyCode, keyE);
    EXPECT_EQ(strokes[1].modifiers, 0);
    // Same modifiers: no "then" between the strokes.
    EXPECT_EQ(kb->keySequenceArrayForCharacter(0xE9), (QStringList{QString(QChar(0xB4)), "E"}));
    EXPECT_EQ(kb->keySequenceForCharacter(0xE9), QStringLiteral("\"\u00B4E\""));
    // È: Shift on the dead key (grave), none on the letter → "then" separates them.
    const auto grave = kb->keyStrokesForCharacter(0xE8);
    ASSERT_EQ(grave.size(), 2);
    EXPECT_EQ(grave[0].modifiers, carbon::Shift);
    EXPECT_EQ(kb->keySequenceArrayForCharacter(0xE8),
              (QStringList{QString(QChar(0x21E7)), QString(QChar(0xB4)), "then", "E"}));
    EXPECT_EQ(kb->keySequenceForCharacter(0xE8), QStringLiteral("\u21E7-\"\u00B4\" + \"E\""));
}

TEST(KXKeyboard, FrenchCircumflexGoesThroughTheDeadKey) {
    auto kb = make(QStringLiteral("fr"));
    ASSERT_TRUE(kb);
    const auto strokes = kb->keyStrokesForCharacter(0xEA);   // ê
    ASSERT_EQ(strokes.size(), 2);
    EXPECT_EQ(strokes[0].keyCode, keyLeftBracket);
    EXPECT_EQ(strokes[1].keyCode, keyE);
    // é has its own key on the French layout: one stroke.
    EXPECT_EQ(kb->keyStrokesForCharacter(0xE9).size(), 1);
}

TEST(KXKeyboard, CharactersAboveTheBmpAndUnknownOnesHaveNoStrokes) {
    for (const char* layout : {"us", "de", "fr", "ru,us"}) {
        auto kb = make(QString::fromLatin1(layout));
        ASSERT_TRUE(kb);
        EXPECT_TRUE(kb->keyStrokesForCharacter(0x1F600).isEmpty()) << layout;
        EXPECT_TRUE(kb->keySequenceArrayForCharacter(0x1F600).isEmpty()) << layout;
        EXPECT_EQ(kb->keySequenceForCharacter(0x1F600), QStringLiteral("--")) << layout;
        EXPECT_TRUE(kb->keyStrokesForCharacter(0x4E00).isEmpty()) << layout;
    }
}

TEST(KXKeyboard, TranslateKeyFollowsDeadKeyStates) {
    auto kb = make(QStringLiteral("de"));
    ASSERT_TRUE(kb);
    std::uint32_t state = 0;
    EXPECT_EQ(kb->translateKey(keyEquals, 0, state), 0u);
    EXPECT_NE(state, 0u);
    EXPECT_EQ(kb->translateKey(keyE, 0, state), 0xE9u);
    EXPECT_EQ(state, 0u);
    EXPECT_EQ(kb->translateKey(keyZ, 0, state), std::uint32_t(U'y'));
    EXPECT_EQ(kb->translateKey(keyZ, carbon::Shift, state), std::uint32_t(U'Y'));
    EXPECT_EQ(kb->translateKey(keyQ, carbon::Option, state), std::uint32_t(U'@'));
    // A state that was never handed out is reset.
    state = 999;
    EXPECT_EQ(kb->translateKey(keyE, 0, state), 0u);
    EXPECT_EQ(state, 0u);
}

TEST(KXKeyboard, KeyEffectTableHasOneProducerPerCharacterAndNoEmptySections) {
    auto kb = make(QStringLiteral("de"));
    ASSERT_TRUE(kb);
    const auto& effects = kb->keyEffects();
    ASSERT_FALSE(effects.isEmpty());
    QSet<std::uint32_t> chars;
    for (qsizetype i = 0; i < effects.size(); ++i) {
        const auto& e = effects[i];
        if (e.modifier == 255) {
            ASSERT_LT(i + 1, effects.size()) << "header at the end";
            EXPECT_NE(effects[i + 1].modifier, 255) << "empty section at " << i;
            continue;
        }
        if (e.key & 0x80) continue;
        EXPECT_FALSE(chars.contains(e.value)) << std::hex << e.value;
        chars.insert(e.value);
    }
    EXPECT_TRUE(chars.contains(0xE9));
    EXPECT_TRUE(chars.contains(U' '));
}

TEST(KXKeyboard, LabelsOfKeys) {
    auto kb = make(QStringLiteral("de"));
    ASSERT_TRUE(kb);
    EXPECT_EQ(kb->labelForKey(keyZ), QStringLiteral("Y"));
    EXPECT_EQ(kb->labelForKey(keyEquals), QString(QChar(0xB4)));
    EXPECT_EQ(kb->labelForKey(36), QString(QChar(0x21A9)));
    EXPECT_EQ(kb->labelForKey(122), QStringLiteral("F1"));
    EXPECT_EQ(kb->labelForKey(111), QStringLiteral("F12"));
    EXPECT_EQ(kb->labelForKey(126), QString(QChar(0x21E1)));
    EXPECT_TRUE(kb->hasKey(keyZ));
    EXPECT_FALSE(kb->hasKey(36));
    kx::LogCapture capture;
    EXPECT_TRUE(kb->labelForKey(52).isEmpty());
    EXPECT_TRUE(kb->labelForKey(52).isEmpty());
    EXPECT_EQ(capture.lines().filter(QStringLiteral("does not have key 52")).size(), 1);
}

TEST(KXKeyboard, KeyboardTypeAndPhysicalKeys) {
    auto iso = make(QStringLiteral("de"));
    ASSERT_TRUE(iso);
    EXPECT_EQ(iso->keyboardType(), 41);
    EXPECT_TRUE(iso->hasPhysicalKey(10));
    EXPECT_FALSE(iso->hasPhysicalKey(52));
    EXPECT_FALSE(iso->hasPhysicalKey(128));
    // The same map read as an ANSI keyboard has no key beside left Shift.
    KXKeyboard ansi(40, iso->keymap(), 0, nullptr);
    EXPECT_FALSE(ansi.hasPhysicalKey(10));
    EXPECT_FALSE(ansi.hasKey(10));
    EXPECT_TRUE(ansi.hasKey(keyZ));
    kx::LogCapture capture;
    KXKeyboard unknown(3, iso->keymap(), 0, nullptr);
    EXPECT_TRUE(unknown.hasPhysicalKey(52));
    EXPECT_TRUE(capture.contains(QStringLiteral("physicalKeys not found for keyboard type 3(3)")));
}

TEST(KXKeyboard, ZonesAndKnownTypes) {
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(0), 1);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(36), 2);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(50), 1);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(123), 4);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(84), 8);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(122), 16);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(52), 128);
    EXPECT_EQ(KXKeyboard::keyboardZoneForKey(200), 128);
    EXPECT_EQ(KXKeyboard::knownKeyboardType(59), 44);
    EXPECT_EQ(KXKeyboard::knownKeyboardType(62), 47);
    EXPECT_EQ(KXKeyboard::knownKeyboardType(30), 30);
    EXPECT_EQ(KXKeyboard::knownKeyboardType(1207), 1207);
    EXPECT_EQ(KXKeyboard::knownKeyboardType(49), 0);
    EXPECT_EQ(KXKeyboard::knownKeyboardType(6), 0);
}

TEST(KXKeyboard, KeyCodeTableRoundTrips) {
    for (int mac = 0; mac < 128; ++mac) {
        const int x = kx::x11::xKeycodeForMacKey(mac);
        if (x) { EXPECT_EQ(kx::x11::macKeyForXKeycode(x), mac) << mac; }
    }
    EXPECT_EQ(kx::x11::xKeycodeForMacKey(keyV), 55);
    EXPECT_EQ(kx::x11::xKeycodeForMacKey(55), 37);   // Command is Ctrl
    EXPECT_EQ(kx::x11::xKeycodeForMacKey(52), 0);
    EXPECT_EQ(kx::x11::macKeyForXKeycode(9), 53);
}
