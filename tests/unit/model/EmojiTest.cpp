#include "core/Log.h"
#include "model/EmojiTables.h"
#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace rbx::emoji;

namespace {

QString t(char32_t c) { return kx::str::stringWithUTF32Character(c); }

// A colour emoji font as far as measuring goes: the listed texts are one picture
// (width 10), every other text is as wide as its code points less joiners and
// presentation selectors.
class FakeMeasurer : public RbxEmojiMeasurer {
public:
    bool font = true;
    kx::CharSet covered;
    QSet<QString> pictures;
    bool hasFont() override { return font; }
    kx::CharSet coveredCharacters() override { return covered; }
    double widthOf(const QString& text) override {
        if (pictures.contains(text)) return 10;
        double w = 0;
        for (char32_t c : text.toUcs4())
            if (c != 0x200D && c != 0xFE0F && c != 0xFE0E) w += 10;
        return w;
    }
};

class Emoji : public ::testing::Test {
protected:
    void SetUp() override {
        auto m = std::make_unique<FakeMeasurer>();
        fake = m.get();
        fake->covered = kx::CharSet::fromRange(0x1F300, 0x1FAFF);
        fake->covered.addCharacter(0x2764);
        RbxEmoji::setMeasurer(std::move(m));
    }
    void TearDown() override { RbxEmoji::setMeasurer(nullptr); }
    FakeMeasurer* fake = nullptr;
    kx::LogCapture quiet;
};

} // namespace

TEST_F(Emoji, flagsKeycapsAndJoinedSequencesAreMeasured) {
    const char32_t de = FlagFirst + 3 * 26 + 4;
    fake->pictures = {t(de), t(KeycapFirst + 3), t(0xA0303), t(0xA0308)};
    // A0300's first character is covered but it is drawn as three pictures; A0303 needs
    // U+2764, which is covered; rows whose first character is not covered are skipped.
    fake->covered.removeCharacter(0x1F441);
    kx::LogCapture log;
    EXPECT_EQ(RbxEmoji::colorFlagsCharacterSet(), kx::CharSet::fromRange(de, de));
    EXPECT_EQ(RbxEmoji::keycapCharacterSet(), kx::CharSet::fromRange(KeycapFirst + 3, KeycapFirst + 3));
    const kx::CharSet& zwj = RbxEmoji::zwjCharacterSet();
    EXPECT_TRUE(zwj.contains(0xA0303));
    EXPECT_TRUE(zwj.contains(0xA0308));
    EXPECT_FALSE(zwj.contains(0xA0300));
    // Rows of one character are one picture anyway.
    EXPECT_TRUE(zwj.contains(0xA03B6));
    EXPECT_EQ(zwj.numberOfCharacters(), 5u);
    EXPECT_TRUE(log.contains(QStringLiteral("ignoring wide ZWJ combination (A0300): \"") + t(0xA0300) +
                             QStringLiteral("\", first=1F636")));
    EXPECT_TRUE(log.contains(QStringLiteral("ignoring unsupported ZWJ combination (A0305): \"") + t(0xA0305) +
                             QStringLiteral("\", first=1F441")));
}

TEST_F(Emoji, theColourEmojiCharacterSetLeavesOutTheLowCharacters) {
    fake->covered.addCharactersFrom(0x20, 0x2122);
    fake->covered.addCharacter(0x2123);
    const kx::CharSet& set = RbxEmoji::appleColorEmojiCharacterSet();
    EXPECT_FALSE(set.contains('A'));
    EXPECT_FALSE(set.contains(0x2122));
    EXPECT_TRUE(set.contains(0x2123));
    EXPECT_TRUE(set.contains(0x1F600));
}

TEST_F(Emoji, modifiableEmojisNeedTheMediumToneAndOnePictureWhenToned) {
    fake->pictures = {kx::str::emojiStringWithSkinColor(t(0x1F44D), 1), kx::str::emojiStringWithSkinColor(t(0xA0316), 1)};
    EXPECT_EQ(RbxEmoji::modifiableEmojisCompleteCharacterSet().numberOfCharacters(), 283u);
    const kx::CharSet& checked = RbxEmoji::modifiableEmojisCharacterSet();
    EXPECT_EQ(checked.numberOfCharacters(), 2u);
    EXPECT_TRUE(checked.contains(0x1F44D));
    EXPECT_TRUE(checked.contains(0xA0316));

    // Without U+1F3FD nothing is added, with or without the test.
    fake->covered.removeCharacter(0x1F3FD);
    RbxEmoji::setMeasurer(std::make_unique<FakeMeasurer>(*fake));
    EXPECT_TRUE(RbxEmoji::modifiableEmojisCompleteCharacterSet().isEmpty());
    EXPECT_TRUE(RbxEmoji::modifiableEmojisCharacterSet().isEmpty());
}

TEST_F(Emoji, sequencesAreListedInTheirFixedOrder) {
    fake->pictures = {kx::str::emojiStringWithSkinColor(t(0x1F44D), 1),
                      kx::str::emojiStringWithSkinColor(t(0xA035C), 1), t(FlagFirst + 1), t(0xA035C),
                      t(KeycapFirst)};
    const auto& list = RbxEmoji::allEmojiSequences();
    ASSERT_GE(list.size(), 6u);
    // Skin: the character, then each modifier after it.
    EXPECT_EQ(list[0].string(), t(0x1F44D));
    EXPECT_EQ(list[0].type(), RbxEmojiSequence::Skin);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list[std::size_t(1 + i)].string(), t(0x1F44D) + t(skinModifiers[i]));
        EXPECT_EQ(list[std::size_t(1 + i)].virtualCharacter(), 0x1F44Du);
    }
    // A joined value: the modifier after the whole sequence, then after its first
    // character, as the published sequences put it.
    EXPECT_EQ(list[6].string(), t(0xA035C));
    EXPECT_EQ(list[7].string(), t(0xA035C) + t(0x1F3FB));
    EXPECT_EQ(list[12].string(), kx::str::emojiStringWithSkinColor(t(0xA035C), 2));
    EXPECT_EQ(list[12].virtualCharacter(), 0xA035Cu);
    EXPECT_EQ(list[16].string(), kx::str::emojiStringWithSkinColor(t(0xA035C), 6));
    // Then flags, joined sequences (A035C and the three one-character rows), keycaps
    // (three forms each), text-or-emoji pairs.
    EXPECT_EQ(list[17].type(), RbxEmojiSequence::Flag);
    EXPECT_EQ(list[17].virtualCharacter(), FlagFirst + 1);
    EXPECT_EQ(list[18].type(), RbxEmojiSequence::Joined);
    EXPECT_EQ(list[18].virtualCharacter(), 0xA035Cu);
    EXPECT_EQ(list[21].virtualCharacter(), 0xA03BEu);
    EXPECT_EQ(list[22].string(), QStringLiteral("#\u20E3"));
    EXPECT_EQ(list[23].string(), QStringLiteral("#\uFE0E\u20E3"));
    EXPECT_EQ(list[24].string(), QStringLiteral("#\uFE0F\u20E3"));
    EXPECT_EQ(list[24].virtualCharacter(), KeycapFirst);
    EXPECT_EQ(list[25].string(), QStringLiteral("\u00A9\uFE0E"));
    EXPECT_EQ(list[26].string(), QStringLiteral("\u00A9\uFE0F"));
    EXPECT_EQ(list[26].type(), RbxEmojiSequence::TextOrEmoji);
    EXPECT_EQ(list.size(), 25u + 2 * 342u);

    EXPECT_EQ(list[24].typeString(), QStringLiteral("KeyCap"));
    EXPECT_EQ(list[26].typeString(), QStringLiteral("Text/Emoji"));
    EXPECT_EQ(RbxEmojiSequence(QStringLiteral("x"), 'x', 32).typeString(), QStringLiteral("20"));
    EXPECT_EQ(list[24].description(), QStringLiteral("(\"#\uFE0F\u20E3\" KeyCap %1)").arg(KeycapFirst));
}

TEST_F(Emoji, withoutTheFontOnlyPresentationVariantsAreListed) {
    fake->font = false;
    EXPECT_TRUE(RbxEmoji::colorFlagsCharacterSet().isEmpty());
    EXPECT_TRUE(RbxEmoji::zwjCharacterSet().isEmpty());
    EXPECT_TRUE(RbxEmoji::keycapCharacterSet().isEmpty());
    EXPECT_TRUE(RbxEmoji::modifiableEmojisCharacterSet().isEmpty());
    const auto& list = RbxEmoji::allEmojiSequences();
    EXPECT_EQ(list.size(), 2 * 342u);
    for (const auto& s : list) EXPECT_EQ(s.type(), RbxEmojiSequence::TextOrEmoji);
}

TEST_F(Emoji, sequencesInATextBecomeVirtualCharacters) {
    fake->pictures = {t(KeycapFirst + 3), t(0xA03BF), t(0xA03C0), t(0xA03C1), kx::str::emojiStringWithSkinColor(t(0x1F44D), 1),
                      kx::str::emojiStringWithSkinColor(t(0xA032B), 1)};
    EXPECT_EQ(RbxEmoji::virtualEmojiCharacterForString(QStringLiteral("1\uFE0F\u20E3")), KeycapFirst + 3);
    EXPECT_EQ(RbxEmoji::virtualEmojiCharacterForString(QStringLiteral("1\u20E3")), KeycapFirst + 3);
    EXPECT_EQ(RbxEmoji::virtualEmojiCharacterForString(t(0x1F44D) + t(0x1F3FD)), 0x1F44Du);
    EXPECT_EQ(RbxEmoji::virtualEmojiCharacterForString(QStringLiteral("nothing")), 0u);

    EXPECT_EQ(RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(QStringLiteral("a1\uFE0F\u20E3b")),
              QStringLiteral("a$A1003 b"));
    // The longest sequence wins: the family of four, not the family of three it begins with.
    EXPECT_EQ(RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(t(0xA03C1) + QStringLiteral("!")),
              QStringLiteral("$A03C1 !"));
    EXPECT_EQ(RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(t(0xA03BF)), QStringLiteral("$A03BF "));
    // Toned joined sequences in the published form.
    EXPECT_EQ(RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(
                  kx::str::emojiStringWithSkinColor(t(0xA032B), 4)),
              QStringLiteral("$A032B "));
    EXPECT_EQ(RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(QStringLiteral("\u00A9\uFE0F and \u00A9")),
              QStringLiteral("$A9  and \u00A9"));
    // A text without sequences comes back as the same object; single characters stay.
    const QString plain = QStringLiteral("plain ") + t(0x1F44D);
    const QString same = RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(plain);
    EXPECT_TRUE(same.isSharedWith(plain));
}
