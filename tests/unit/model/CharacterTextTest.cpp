// The texts of a character: notations, insert modes, descriptions, shortened names.
#include "model/CharacterText.h"
#include "common/ScopedInstance.h"

#include <QStringList>
#include <cmath>
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
    rbxtest::ScopedInstance<RbxVirtualCharacters> virtuals{std::make_shared<TestVirtuals>()};
    rbxtest::ScopedInstance<RbxCharacterTexts> texts{std::make_shared<TestTexts>()};
};

} // namespace

TEST(CharacterText, NotationsOfCharactersAndOfTheirParts) {
    Sources sources;
    EXPECT_EQ(CharacterText::swiftRepresentation(0x1F600), QStringLiteral("\\u{1f600}"));
    EXPECT_EQ(CharacterText::decimalRepresentation(0x1F600), QStringLiteral("128512"));
    EXPECT_EQ(CharacterText::hexRepresentation(0x1F600), QStringLiteral("U+1F600"));
    EXPECT_EQ(CharacterText::swiftRepresentation(0xE9), QStringLiteral("\\u{00e9}"));
    EXPECT_EQ(CharacterText::decimalRepresentation(0xE9), QStringLiteral("233"));
    EXPECT_EQ(CharacterText::hexRepresentation(0xE9), QStringLiteral("U+00E9"));
    EXPECT_EQ(CharacterText::hexRepresentation(0xFFFD), QStringLiteral("U+FFFD"));
    EXPECT_EQ(CharacterText::hexRepresentation(0x10FFFF), QStringLiteral("U+10FFFF"));
    // A flag, part by part.
    EXPECT_EQ(CharacterText::swiftRepresentation(0xA0001), QStringLiteral("\\u{1f1e6}\\u{1f1e7}"));
    EXPECT_EQ(CharacterText::decimalRepresentation(0xA0001), QStringLiteral("127462, 127463"));
    EXPECT_EQ(CharacterText::hexRepresentation(0xA0001), QStringLiteral("U+1F1E6, U+1F1E7"));
    // A ligature is one part: its private value.
    EXPECT_EQ(CharacterText::hexRepresentation(0xB0000), QStringLiteral("U+B0000"));
    // Character 0.
    EXPECT_EQ(CharacterText::character(0, InsertMode::Decimal), QStringLiteral("0"));
    EXPECT_EQ(CharacterText::character(0, InsertMode::Hex), QStringLiteral("U+0000"));
    EXPECT_EQ(CharacterText::character(0, InsertMode::Swift), QStringLiteral("\\u{0000}"));

    // Strings of several code points spell out every one of them.
    const QString keycap = QStringLiteral("1\u20E3");
    EXPECT_EQ(CharacterText::swiftRepresentationOfString(keycap), QStringLiteral("\\u{0031}\\u{20e3}"));
    EXPECT_EQ(CharacterText::decimalRepresentationOfString(QStringLiteral("a\U0001F600")), QStringLiteral("97, 128512"));
    EXPECT_EQ(CharacterText::hexRepresentationOfString(QStringLiteral("\U0001F469\u200D\U0001F4BB")),
              QStringLiteral("U+1F469, U+200D, U+1F4BB"));
    // A broken surrogate is given unit by unit.
    EXPECT_EQ(CharacterText::hexRepresentationOfString(QString(QChar(0xD83D)) + QStringLiteral("x")),
              QStringLiteral("U+D83D, U+0078"));
    EXPECT_EQ(CharacterText::hexRepresentationOfString(QString()), QString());
}

TEST(CharacterText, TextOfEachInsertMode) {
    Sources sources;
    EXPECT_EQ(CharacterText::character(0x41, InsertMode::Plain), QStringLiteral("A"));
    EXPECT_EQ(CharacterText::character(0xA0001, InsertMode::Plain), QStringLiteral("\U0001F1E6\U0001F1E7"));
    EXPECT_EQ(CharacterText::character(0x1F600, InsertMode::Plain), QStringLiteral("\U0001F600"));
    // Copying character 0 gives nothing, not a NUL.
    EXPECT_TRUE(CharacterText::character(0, InsertMode::Plain).isEmpty());
    EXPECT_EQ(CharacterText::character(0x26, InsertMode::HTML), QStringLiteral("&amp;"));
    EXPECT_EQ(CharacterText::character(0x41, InsertMode::Name), QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(CharacterText::character(0x42, InsertMode::Name), QString());
    EXPECT_EQ(CharacterText::character(0x41, InsertMode::Description),
              QStringLiteral("\"A\" (65; U+0041; &#65;) LATIN CAPITAL LETTER A"));
    for (int mode : {1, 3, 4, 10, -1, 1000}) {
        const QString text = CharacterText::character(0x41, insertModeFromNumber(mode));
        EXPECT_TRUE(text.isEmpty()) << mode;
        EXPECT_FALSE(text.isNull()) << mode;
    }
    // Without a name or HTML source the texts are empty, the notations still there.
    rbxtest::ScopedInstance<RbxCharacterTexts> none;
    EXPECT_EQ(CharacterText::character(0x41, InsertMode::Name), QString());
    EXPECT_EQ(CharacterText::character(0x41, InsertMode::Description), QStringLiteral("\"A\" (65; U+0041; )"));
}

TEST(CharacterText, DescriptionsOfCharactersAndLigatures) {
    Sources sources;
    EXPECT_EQ(CharacterText::descriptionOfCharacter(0x1F600, false),
              QStringLiteral("\"\U0001F600\" (128512; U+1F600; &#128512;) my smile; GRINNING FACE"));
    EXPECT_EQ(CharacterText::descriptionOfCharacter(0x41, true),
              QStringLiteral("A\t65\tU+0041\t&#65;\tLATIN CAPITAL LETTER A"));
    // Without a name the table form ends in a tab.
    EXPECT_EQ(CharacterText::descriptionOfCharacter(0x42, true), QStringLiteral("B\t66\tU+0042\t&#66;\t"));
    EXPECT_EQ(CharacterText::descriptionOfCharacter(0x42, false), QStringLiteral("\"B\" (66; U+0042; &#66;)"));
    // A combining mark gets a space in front.
    EXPECT_TRUE(CharacterText::descriptionOfCharacter(0x301, false).startsWith(QStringLiteral("\" \u0301\"")));
    // A flag: both regional indicators in the notations.
    EXPECT_EQ(CharacterText::descriptionOfCharacter(0xA0001, false),
              QStringLiteral("\"\U0001F1E6\U0001F1E7\" (127462, 127463; U+1F1E6, U+1F1E7; &#655361;)"));

    // A ligature of three characters: three lines, no final line break.
    const QString ffi = CharacterText::descriptionOfCharacterOrLigature(0xB0000, false);
    const QStringList lines = ffi.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("\"f\" (102; U+0066; &#102;)"));
    EXPECT_EQ(lines[2], QStringLiteral("\"i\" (105; U+0069; &#105;)"));
    // Surrogate pairs are combined, a broken high surrogate is skipped.
    const QStringList astral = CharacterText::descriptionOfCharacterOrLigature(0xB0001, true).split(QLatin1Char('\n'));
    ASSERT_EQ(astral.size(), 2);
    EXPECT_TRUE(astral[0].startsWith(QStringLiteral("\U0001D400\t119808\tU+1D400")));
    EXPECT_TRUE(astral[1].startsWith(QStringLiteral("a\t97")));
    EXPECT_EQ(CharacterText::descriptionOfCharacterOrLigature(0xB0002, false), QString());
    EXPECT_EQ(CharacterText::descriptionOfCharacterOrLigature(0x41, true), CharacterText::descriptionOfCharacter(0x41, true));
}

TEST(CharacterText, ShortenedNamesKeepSurrogatePairsWhole) {
    const QString twenty = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(CharacterText::shortenedName(twenty), twenty);
    EXPECT_EQ(CharacterText::shortenedName(twenty + QStringLiteral("U")), QStringLiteral("ABCDEFGHIJKLMNO..."));
    EXPECT_EQ(CharacterText::shortenedName(QStringLiteral("LATIN CAPITAL LETTER A WITH ACUTE")),
              QStringLiteral("LATIN CAPITAL..."));
    EXPECT_EQ(CharacterText::shortenedName(QStringLiteral("ABCDEFGHIJKLMN OPQRSTUV")), QStringLiteral("ABCDEFGHIJKLMN..."));
    // A pair at units 14 and 15 would be split by a cut before 15: it goes whole.
    const QString astral = QStringLiteral("ABCDEFGHIJKLMN\U0001F600XYZWVUT");
    EXPECT_EQ(CharacterText::shortenedName(astral), QStringLiteral("ABCDEFGHIJKLMN..."));
    const QString astralEarly = QStringLiteral("ABCDEFGHIJKLM\U0001F600XYZWVUT");
    EXPECT_EQ(CharacterText::shortenedName(astralEarly), QStringLiteral("ABCDEFGHIJKLM\U0001F600..."));
}


TEST(CharacterText, CodePointsOfTextsAndOfCharacters) {
    Sources sources;
    EXPECT_EQ(CharacterText::codePoints(QStringLiteral("a\U0001F600b")), (std::vector<char32_t>{0x61, 0x1F600, 0x62}));
    // Broken halves are taken as they are: a high one without its low one, a lone low one.
    const QString broken = QString(QChar(0xD83D)) + QStringLiteral("x") + QChar(0xDE00) + QChar(0xD83D);
    EXPECT_EQ(CharacterText::codePoints(broken), (std::vector<char32_t>{0xD83D, 0x78, 0xDE00, 0xD83D}));
    EXPECT_TRUE(CharacterText::codePoints(QString()).empty());
    // A flag stands for its two regional indicators, an ordinary character for itself.
    EXPECT_EQ(CharacterText::codePointsOfCharacter(0xA0001), (std::vector<char32_t>{0x1F1E6, 0x1F1E7}));
    EXPECT_EQ(CharacterText::codePointsOfCharacter(0xE9), std::vector<char32_t>{0xE9});
}

TEST(CharacterText, FormattedFormsKeepEveryCharacterAndTheFont) {
    const QString html = CharacterText::formattedHtmlFragment(QStringLiteral("<a & 'b'>\n"), QStringLiteral("Dé'Ja\"Vu;<x>&"), 14.5);
    EXPECT_EQ(html, QStringLiteral("<meta charset=\"utf-8\"><span style=\"font-family: 'DéJaVux'; font-size: 14.5pt\">"
                                   "&lt;a &amp; &#39;b&#39;&gt;<br></span>"));
    // No family: only the size; a size that is no size is 12 points.
    EXPECT_EQ(CharacterText::formattedHtmlFragment(QStringLiteral("x"), QString(), -3),
              QStringLiteral("<meta charset=\"utf-8\"><span style=\"font-size: 12pt\">x</span>"));

    const QByteArray rtf =
        CharacterText::formattedRtfDocument(QStringLiteral("{a}\\\t\n\U0001F600\u0007"), QStringLiteral("Noto"), 20);
    EXPECT_EQ(rtf, QByteArray("{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil Noto;}}\\f0\\fs40 "
                              "\\{a\\}\\\\\\tab \\par \\u-10179?\\u-8704?}"));
    EXPECT_TRUE(CharacterText::formattedRtfDocument(QStringLiteral("x"), QString(), std::nan(""))
                    .startsWith("{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil Helvetica;}}\\f0\\fs24 "));
}

TEST(CharacterText, TextOfAGivenStringInEachMode) {
    Sources sources;
    const QString smile = QStringLiteral("\U0001F600");
    EXPECT_EQ(CharacterText::textForMode(0, smile, InsertMode::Plain), smile);
    // One code point: that character's own texts.
    EXPECT_EQ(CharacterText::textForMode(0, smile, InsertMode::Name), QStringLiteral("my smile; GRINNING FACE"));
    EXPECT_EQ(CharacterText::textForMode(0, smile, InsertMode::Hex), QStringLiteral("U+1F600"));
    // Several: the names of those that have one, the descriptions line by line.
    EXPECT_EQ(CharacterText::textForMode(0, QStringLiteral("A\u0301B"), InsertMode::Name),
              QStringLiteral("LATIN CAPITAL LETTER A, COMBINING ACUTE ACCENT"));
    EXPECT_EQ(CharacterText::textForMode(0, QStringLiteral("AB"), InsertMode::Description),
              QStringLiteral("\"A\" (65; U+0041; &#65;) LATIN CAPITAL LETTER A\n\"B\" (66; U+0042; &#66;)"));
    // Without a string the character's text; character 0 has none in plain text.
    EXPECT_EQ(CharacterText::textForMode(0xE9, QString(), InsertMode::Decimal), QStringLiteral("233"));
    for (InsertMode m : {InsertMode::Formatted, InsertMode::Picture, insertModeFromNumber(4)})
        EXPECT_EQ(CharacterText::textForMode(0x41, QStringLiteral("AB"), m), QString()) << insertModeNumber(m);
}
