#include "NameFixtures.h"

#include "model/RbxCharacterName.h"

#include <gtest/gtest.h>

using namefix::record;

namespace {

RbxCharacterName::List entries(const QByteArray& file) {
    RbxCharacterName::List names;
    RbxCharacterName::readCustomNamesFromData(file, names);
    return names;
}

std::optional<RbxCharacterName> oneEntry(const QByteArray& line) {
    const char* p = line.constData();
    return RbxCharacterName::newNameFromUTF8StringAt(p, p + line.size());
}

QString merged(const RbxCharacterName::List& names, char32_t c) {
    const auto n = RbxCharacterName::rbxCharacterNameForCharacter(c, names);
    return n ? n->name() : QStringLiteral("<none>");
}

} // namespace

TEST(CustomNameLine, CodesInEveryForm) {
    auto e = oneEntry("  \t65 Letter A\n");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 65u);
    EXPECT_EQ(e->name(), QStringLiteral("Letter A"));
    EXPECT_EQ(e->group(), 0);
    EXPECT_EQ(e->letter(), 0);

    e = oneEntry("0041 decimal");  // a leading digit always means decimal
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 41u);
    e = oneEntry("U+1F600\tGrin");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 0x1F600u);
    EXPECT_EQ(e->name(), QStringLiteral("Grin"));
    e = oneEntry("U+a0003 flag: andorra");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 0xA0003u);
    e = oneEntry("E000 Caf\xc3\xa9\tignored after a tab");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name(), QString::fromUtf8("Café"));

    EXPECT_FALSE(oneEntry("65"));            // no name
    EXPECT_FALSE(oneEntry("65   \t \n66 B")); // no name on this line
    EXPECT_FALSE(oneEntry("U+ xyz\n41 next line"));  // no hexadecimal digit on the line
}

TEST(CustomNameLine, EntriesNeverReachIntoTheNextLine) {
    const QByteArray file = "XYZ\n66 B\r\n[unclosed\n67 C\r68 D";
    const RbxCharacterName::List names = entries(file);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].character(), 66u);
    EXPECT_EQ(names[1].character(), 67u);
    EXPECT_EQ(names[2].character(), 68u);
    EXPECT_TRUE(entries("99999999999999999999 Too big\nFFFFFFFFFF too big\n").empty());
}

TEST(CustomNameLine, BracketedSequencesNameTheirVirtualCharacter) {
    namefix::EmojiPictures emoji;
    // The keycap of 1 pasted as text, and as a list of numbers.
    auto e = oneEntry("[1\xe2\x83\xa3] keycap one");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 0xA1003u);
    e = oneEntry("[#49 $20E3] keycap one");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 0xA1003u);
    e = oneEntry("[$1F1E9 $1F1EA] flag: germany");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->character(), 0xA0000u + 3 * 26 + 4);
    EXPECT_FALSE(oneEntry("[abc] no such sequence"));
    EXPECT_FALSE(oneEntry("[$1F1E9 no closing bracket"));
}

TEST(CustomNameFile, DirectivesApplyToTheRestOfTheFile) {
    const RbxCharacterName::List names = entries("0 [PREFIX X-]\n"
                                                 "E000 Mark\n"
                                                 "0 [SUFFIX !]\n"
                                                 "300 [GROUP]\n"
                                                 "E001 Bang\n"
                                                 "0 [PREFIX]\n"
                                                 "0 [SUFFIX]\n"
                                                 "0 [UNKNOWN DIRECTIVE]\n"
                                                 "E002 Plain\n");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].name(), QStringLiteral("X-Mark"));
    EXPECT_EQ(names[0].group(), 0);
    EXPECT_EQ(names[1].name(), QStringLiteral("X-Bang!"));
    EXPECT_EQ(names[1].group(), 300);
    EXPECT_EQ(names[2].name(), QStringLiteral("Plain"));
    EXPECT_EQ(names[2].group(), 300);
}

TEST(CustomNameMerge, PriorityClassesDecide) {
    RbxCharacterName::List names{RbxCharacterName(0x1F600, 0, 150, QStringLiteral("GRINNING FACE")),
                                 RbxCharacterName(0x1F601, 0, 150, QStringLiteral("BEAMING FACE")),
                                 RbxCharacterName(0x1F602, 'Q', 150, QStringLiteral("FACE WITH TEARS OF JOY")),
                                 RbxCharacterName(0x1F603, 0, 150, QStringLiteral("SMILEY"))};
    RbxCharacterName::readCustomNamesFromData("U+1F600 low priority\n"   // group 0: never replaces
                                              "E000 apple\n"              // names what has none
                                              "160 [GROUP]\n"
                                              "U+1F601 grin\n"              // joined after the Unicode name
                                              "U+1F602 joy\n"
                                              "U+1F602 crying\n"
                                              "120 [GROUP]\n"
                                              "U+1F603 happy\n"             // joined before it
                                              "200 [GROUP]\n"
                                              "U+1F600 grinning\n",          // replaces it
                                              names);
    RbxCharacterName::mergeNames(names);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(merged(names, 0xE000), QStringLiteral("apple"));
    EXPECT_EQ(merged(names, 0x1F600), QStringLiteral("grinning"));
    EXPECT_EQ(merged(names, 0x1F601), QStringLiteral("BEAMING FACE; grin"));
    EXPECT_EQ(merged(names, 0x1F602), QStringLiteral("FACE WITH TEARS OF JOY; crying; joy"));
    EXPECT_EQ(merged(names, 0x1F603), QStringLiteral("happy; SMILEY"));
    const auto joy = RbxCharacterName::rbxCharacterNameForCharacter(0x1F602, names);
    EXPECT_EQ(joy->group(), 100);
    EXPECT_EQ(joy->letter(), 'Q');  // the joined record keeps the letter
    EXPECT_EQ(joy->keywords(), QStringLiteral("joy"));
    EXPECT_EQ(RbxCharacterName::rbxCharacterNameForCharacter(0x1F600, names)->group(), 200);
    EXPECT_TRUE(names.isSorted());
}

TEST(CustomNameMerge, AtMostAHundredNamesAreJoined) {
    RbxCharacterName::List names;
    QByteArray file = "100 [GROUP]\n";
    for (int i = 0; i < 150; ++i) file += "41 n" + QByteArray::number(1000 + i) + "\n";
    RbxCharacterName::readCustomNamesFromData(file, names);
    RbxCharacterName::mergeNames(names);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].name().count(QStringLiteral("; ")), 99);
    EXPECT_TRUE(names[0].name().endsWith(QStringLiteral("n1099")));
}

TEST(CustomNameFolders, BothFoldersAreMergedIntoTheList) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A") + record(0x1F600, ' ', "GRINNING FACE"));
    bundle.write(QStringLiteral("Character Names/Keywords.txt"), "160 [GROUP]\nU+1F600 smile\n1F600 is decimal\n");
    bundle.write(QStringLiteral("Character Names/.hidden.txt"), "200 [GROUP]\nU+1F600 hidden\n");
    bundle.write(QStringLiteral("Character Names/notes.md"), "200 [GROUP]\nU+1F600 markdown\n");
    namefix::writeFile(namefix::supportFile(QStringLiteral("Character Names/Mine.txt")), "U+A0000 FLAG: AA\n");
    namefix::writeFile(namefix::supportFile(QStringLiteral("Character Names/Sub/Deep.txt")), "200 [GROUP]\n41 deep\n");

    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QStringLiteral("GRINNING FACE; smile"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xA0000), QStringLiteral("FLAG: AA"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(1), QStringLiteral("F600 is decimal"));
    EXPECT_EQ(RbxCharacterName::allNames()->size(), 4u);

    // Cached with the merged names.
    ASSERT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));
    RbxCharacterName::flushNames();
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QStringLiteral("GRINNING FACE; smile"));
}

TEST(CustomNameFolders, FontDirectivesMakePrivateUseListsPerFamily) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A"));
    bundle.write(QStringLiteral("Character Names/Symbols.txt"),
                 "0 [FONT Rbx Symbols]\n0 [FONT Rbx Symbols Pro]\nE001 Second\nE000 First\n");
    EXPECT_EQ(RbxCharacterName::allNames()->size(), 1u);  // nothing reached the name list
    const auto list = RbxCharacterName::puaNamesOfFamily(QStringLiteral("Rbx Symbols"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ(list->at(0).name(), QStringLiteral("First"));  // sorted
    EXPECT_EQ(RbxCharacterName::puaNamesOfFamily(QStringLiteral("Rbx Symbols Pro")), list);
    EXPECT_FALSE(RbxCharacterName::puaNamesOfFamily(QStringLiteral("Other")));
    EXPECT_EQ(RbxCharacterName::familiesWithPuaNames(),
              QStringList({QStringLiteral("Rbx Symbols"), QStringLiteral("Rbx Symbols Pro")}));
    // They outlive a flush of the name list.
    RbxCharacterName::flushNames();
    EXPECT_TRUE(RbxCharacterName::puaNamesOfFamily(QStringLiteral("Rbx Symbols")));
}
