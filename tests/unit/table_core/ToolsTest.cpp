#include "table/core/RbxTools.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// U+A0001 is the flag "AB" (two regional indicators); U+B0000 the ligature "ffi",
// U+B0001 a ligature of an astral letter and a broken surrogate.
class TestVirtuals : public RbxVirtualCharacters {
public:
    bool isVirtualCharacter(char32_t c) const override { return c == 0xA0001 || c >= 0xB0000; }
    QString stringWithUTF32Character(char32_t c) const override {
        if (c == 0xA0001) return QStringLiteral("\U0001F1E6\U0001F1E7");
        if (c == 0xB0000) return QStringLiteral("ffi");
        if (c == 0xB0001) return QStringLiteral("\U0001D400") + QChar(0xD800) + QStringLiteral("a");
        if (c == 0xB0002) return QString();
        return RbxVirtualCharacters::stringWithUTF32Character(c);
    }
    int numberOfParts(char32_t c) const override { return c == 0xA0001 ? 2 : 1; }
    char32_t part(int i, char32_t c) const override {
        if (c == 0xA0001) return i == 1 ? 0x1F1E6 : 0x1F1E7;
        return c;
    }
};

class TestTexts : public RbxCharacterTexts {
public:
    QString htmlStringForCharacter(char32_t c) const override {
        if (c == 0x26) return QStringLiteral("&amp;");
        return QStringLiteral("&#%1;").arg(uint(c));
    }
    QString fullNameOfCharacter(char32_t c) const override {
        switch (c) {
        case 0x41: return QStringLiteral("LATIN CAPITAL LETTER A");
        case 0x301: return QStringLiteral("COMBINING ACUTE ACCENT");
        case 0x1F600: return QStringLiteral("my smile; GRINNING FACE");
        default: return QString();
        }
    }
};

struct Sources {
    Sources() {
        RbxTools::setVirtualCharacters(std::make_shared<TestVirtuals>());
        RbxTools::setCharacterTexts(std::make_shared<TestTexts>());
    }
    ~Sources() {
        RbxTools::setVirtualCharacters(nullptr);
        RbxTools::setCharacterTexts(nullptr);
    }
};

} // namespace

TEST(Tools, NotationsOfCharactersAndOfTheirParts) {
    Sources sources;
    EXPECT_EQ(RbxTools::swiftRepresentation(0x1F600), QStringLiteral("\\u{1f600}"));
    EXPECT_EQ(RbxTools::decimalRepresentation(0x1F600), QStringLiteral("128512"));
    EXPECT_EQ(RbxTools::hexRepresentation(0x1F600), QStringLiteral("U+1F600"));
    EXPECT_EQ(RbxTools::swiftRepresentation(0xE9), QStringLiteral("\\u{00e9}"));
    EXPECT_EQ(RbxTools::decimalRepresentation(0xE9), QStringLiteral("233"));
    EXPECT_EQ(RbxTools::hexRepresentation(0xE9), QStringLiteral("U+00E9"));
    EXPECT_EQ(RbxTools::hexRepresentation(0xFFFD), QStringLiteral("U+FFFD"));
    EXPECT_EQ(RbxTools::hexRepresentation(0x10FFFF), QStringLiteral("U+10FFFF"));
    // A flag, part by part.
    EXPECT_EQ(RbxTools::swiftRepresentation(0xA0001), QStringLiteral("\\u{1f1e6}\\u{1f1e7}"));
    EXPECT_EQ(RbxTools::decimalRepresentation(0xA0001), QStringLiteral("127462, 127463"));
    EXPECT_EQ(RbxTools::hexRepresentation(0xA0001), QStringLiteral("U+1F1E6, U+1F1E7"));
    // A ligature is one part: its private value.
    EXPECT_EQ(RbxTools::hexRepresentation(0xB0000), QStringLiteral("U+B0000"));
    // Character 0.
    EXPECT_EQ(RbxTools::character(0, RbxInsertDecimal), QStringLiteral("0"));
    EXPECT_EQ(RbxTools::character(0, RbxInsertHex), QStringLiteral("U+0000"));
    EXPECT_EQ(RbxTools::character(0, RbxInsertSwift), QStringLiteral("\\u{0000}"));

    // Strings of several code points spell out every one of them.
    const QString keycap = QStringLiteral("1\u20E3");
    EXPECT_EQ(RbxTools::swiftRepresentationOfString(keycap), QStringLiteral("\\u{0031}\\u{20e3}"));
    EXPECT_EQ(RbxTools::decimalRepresentationOfString(QStringLiteral("a\U0001F600")), QStringLiteral("97, 128512"));
    EXPECT_EQ(RbxTools::hexRepresentationOfString(QStringLiteral("\U0001F469\u200D\U0001F4BB")),
              QStringLiteral("U+1F469, U+200D, U+1F4BB"));
    // A broken surrogate is given unit by unit.
    EXPECT_EQ(RbxTools::hexRepresentationOfString(QString(QChar(0xD83D)) + QStringLiteral("x")),
              QStringLiteral("U+D83D, U+0078"));
    EXPECT_EQ(RbxTools::hexRepresentationOfString(QString()), QString());
}

TEST(Tools, TextOfEachInsertMode) {
    Sources sources;
    EXPECT_EQ(RbxTools::character(0x41, RbxInsertPlain), QStringLiteral("A"));
    EXPECT_EQ(RbxTools::character(0xA0001, RbxInsertPlain), QStringLiteral("\U0001F1E6\U0001F1E7"));
    EXPECT_EQ(RbxTools::character(0x1F600, RbxInsertPlain), QStringLiteral("\U0001F600"));
    // Copying character 0 gives nothing, not a NUL.
    EXPECT_TRUE(RbxTools::character(0, RbxInsertPlain).isEmpty());
    EXPECT_EQ(RbxTools::character(0x26, RbxInsertHTML), QStringLiteral("&amp;"));
    EXPECT_EQ(RbxTools::character(0x41, RbxInsertName), QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(RbxTools::character(0x42, RbxInsertName), QString());
    EXPECT_EQ(RbxTools::character(0x41, RbxInsertDescription),
              QStringLiteral("\"A\" (65; U+0041; &#65;) LATIN CAPITAL LETTER A"));
    for (int mode : {1, 3, 4, 10, -1, 1000}) {
        const QString text = RbxTools::character(0x41, mode);
        EXPECT_TRUE(text.isEmpty()) << mode;
        EXPECT_FALSE(text.isNull()) << mode;
    }
    // Without a name or HTML source the texts are empty, the notations still there.
    RbxTools::setCharacterTexts(nullptr);
    EXPECT_EQ(RbxTools::character(0x41, RbxInsertName), QString());
    EXPECT_EQ(RbxTools::character(0x41, RbxInsertDescription), QStringLiteral("\"A\" (65; U+0041; )"));
}

TEST(Tools, DescriptionsOfCharactersAndLigatures) {
    Sources sources;
    EXPECT_EQ(RbxTools::descriptionOfCharacter(0x1F600, false),
              QStringLiteral("\"\U0001F600\" (128512; U+1F600; &#128512;) my smile; GRINNING FACE"));
    EXPECT_EQ(RbxTools::descriptionOfCharacter(0x41, true),
              QStringLiteral("A\t65\tU+0041\t&#65;\tLATIN CAPITAL LETTER A"));
    // Without a name the table form ends in a tab.
    EXPECT_EQ(RbxTools::descriptionOfCharacter(0x42, true), QStringLiteral("B\t66\tU+0042\t&#66;\t"));
    EXPECT_EQ(RbxTools::descriptionOfCharacter(0x42, false), QStringLiteral("\"B\" (66; U+0042; &#66;)"));
    // A combining mark gets a space in front.
    EXPECT_TRUE(RbxTools::descriptionOfCharacter(0x301, false).startsWith(QStringLiteral("\" \u0301\"")));
    // A flag: both regional indicators in the notations.
    EXPECT_EQ(RbxTools::descriptionOfCharacter(0xA0001, false),
              QStringLiteral("\"\U0001F1E6\U0001F1E7\" (127462, 127463; U+1F1E6, U+1F1E7; &#655361;)"));

    // A ligature of three characters: three lines, no final line break.
    const QString ffi = RbxTools::descriptionOfCharacterOrLigature(0xB0000, false);
    const QStringList lines = ffi.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("\"f\" (102; U+0066; &#102;)"));
    EXPECT_EQ(lines[2], QStringLiteral("\"i\" (105; U+0069; &#105;)"));
    // Surrogate pairs are combined, a broken high surrogate is skipped.
    const QStringList astral = RbxTools::descriptionOfCharacterOrLigature(0xB0001, true).split(QLatin1Char('\n'));
    ASSERT_EQ(astral.size(), 2);
    EXPECT_TRUE(astral[0].startsWith(QStringLiteral("\U0001D400\t119808\tU+1D400")));
    EXPECT_TRUE(astral[1].startsWith(QStringLiteral("a\t97")));
    EXPECT_EQ(RbxTools::descriptionOfCharacterOrLigature(0xB0002, false), QString());
    EXPECT_EQ(RbxTools::descriptionOfCharacterOrLigature(0x41, true), RbxTools::descriptionOfCharacter(0x41, true));
}

TEST(Tools, ShortenedNamesKeepSurrogatePairsWhole) {
    const QString twenty = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(RbxTools::shortenedName(twenty), twenty);
    EXPECT_EQ(RbxTools::shortenedName(twenty + QStringLiteral("U")), QStringLiteral("ABCDEFGHIJKLMNO..."));
    EXPECT_EQ(RbxTools::shortenedName(QStringLiteral("LATIN CAPITAL LETTER A WITH ACUTE")),
              QStringLiteral("LATIN CAPITAL..."));
    EXPECT_EQ(RbxTools::shortenedName(QStringLiteral("ABCDEFGHIJKLMN OPQRSTUV")), QStringLiteral("ABCDEFGHIJKLMN..."));
    // A pair at units 14 and 15 would be split by a cut before 15: it goes whole.
    const QString astral = QStringLiteral("ABCDEFGHIJKLMN\U0001F600XYZWVUT");
    EXPECT_EQ(RbxTools::shortenedName(astral), QStringLiteral("ABCDEFGHIJKLMN..."));
    const QString astralEarly = QStringLiteral("ABCDEFGHIJKLM\U0001F600XYZWVUT");
    EXPECT_EQ(RbxTools::shortenedName(astralEarly), QStringLiteral("ABCDEFGHIJKLM\U0001F600..."));
}

TEST(Tools, SpacesSafeDrawingAndDebugFlags) {
    for (char32_t c : {0x20u, 0xA0u, 0x180Eu, 0x2000u, 0x2005u, 0x200Bu, 0x202Fu, 0x205Fu, 0x2060u, 0x3000u, 0xFEFFu})
        EXPECT_TRUE(RbxTools::isSpaceCharacter(c)) << std::hex << uint(c);
    for (char32_t c : {0x200Cu, 0x41u, 0x1FFFu, 0x2061u, 0x9u, 0u})
        EXPECT_FALSE(RbxTools::isSpaceCharacter(c)) << std::hex << uint(c);

    for (char32_t c : {0x0732u, 0x0900u, 0x093Au, 0x0B82u, 0x0E33u, 0x17DDu, 0xAAC2u})
        EXPECT_TRUE(RbxTools::characterRequiresSafeDrawing(c)) << std::hex << uint(c);
    for (char32_t c : {0x0731u, 0x0904u, 0x0B83u, 0x0E34u, 0xAAC3u, 0x41u})
        EXPECT_FALSE(RbxTools::characterRequiresSafeDrawing(c)) << std::hex << uint(c);

    EXPECT_FALSE(RbxTools::debugging(3));
    RbxTools::setDebugging(true, 3);
    EXPECT_TRUE(RbxTools::debugging(3));
    RbxTools::setDebugging(false, 3);
    EXPECT_FALSE(RbxTools::debugging(3));
    RbxTools::setDebugging(true, 10);
    EXPECT_FALSE(RbxTools::debugging(10));
    RbxTools::setDebugging(true, -1);
    EXPECT_FALSE(RbxTools::debugging(-1));
    RbxTools::setDebugging(true, 9);
    EXPECT_TRUE(RbxTools::debugging(9));
    RbxTools::setDebugging(false, 9);
}
