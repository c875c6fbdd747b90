// User layout files: the text format, OTHER distribution and groups for a font.

#include "LayoutFixtures.h"

#include "core/Log.h"
#include "model/RbxCharacterList.h"
#include "model/RbxGroupDescription.h"

#include <gmock/gmock.h>

using namespace layouttest;
using ::testing::ElementsAre;

namespace {

using Descriptions = RbxGroupLayout::DescriptionList;

std::vector<char32_t> charactersOf(const RbxGroupDescription& d) {
    std::vector<char32_t> out;
    const KXIntegerArray& r = d.ranges();
    for (int i = 0; i + 1 < r.count(); i += 2)
        for (std::int32_t c = r[i]; c <= r[i + 1]; ++c) out.push_back(static_cast<char32_t>(c));
    return out;
}

std::vector<char32_t> itemsOfLine(const QString& line) {
    RbxGroupDescription d(QStringLiteral("G"));
    d.addItemsFromLine(line);
    return charactersOf(d);
}

QStringList namesOf(const Descriptions& list) {
    QStringList names;
    for (const auto& d : list) names << d->name();
    return names;
}

// A repertoire holding every code point from U+0020 (no ligatures).
RbxCharSetRepertoire everything() { return RbxCharSetRepertoire(kx::CharSet::fromRange(0x20, 0x10FFFF)); }

} // namespace

class LayoutFileTest : public ModelTest {};

TEST_F(LayoutFileTest, ItemsRangesAndNumbers) {
    EXPECT_THAT(itemsOfLine(QStringLiteral("a-c")), ElementsAre(U'a', U'b', U'c'));
    EXPECT_THAT(itemsOfLine(QStringLiteral("a -")), ElementsAre(U'a', U'-'));
    EXPECT_THAT(itemsOfLine(QStringLiteral("#65-#67")), ElementsAre(U'A', U'B', U'C'));
    EXPECT_THAT(itemsOfLine(QStringLiteral("$1F600")), ElementsAre(U'\U0001F600'));
    EXPECT_THAT(itemsOfLine(QStringLiteral("$41 - $43 x")), ElementsAre(U'A', U'B', U'C', U'x'));
    EXPECT_THAT(itemsOfLine(QStringLiteral("$e9")), ElementsAre(U'é'));
    // "#" and "$" not followed by a digit are themselves; items need no blanks between.
    EXPECT_THAT(itemsOfLine(QStringLiteral("# $ $g ab")), ElementsAre(U'#', U'$', U'$', U'g', U'a', U'b'));
    // A "-" that starts a line is the character itself.
    EXPECT_THAT(itemsOfLine(QStringLiteral("- a")), ElementsAre(U'-', U'a'));
    // Surrogate pairs count as one character, broken ones as U+0000.
    EXPECT_THAT(itemsOfLine(QString::fromUtf8("😀")), ElementsAre(U'\U0001F600'));
    EXPECT_THAT(itemsOfLine(QString(QChar(0xD83D)) + u'a'), ElementsAre(U'\0', U'a'));
}

TEST_F(LayoutFileTest, NumbersBeyondUnicodeAddNothing) {
    // The special values of bracketed texts cannot be written as numbers.
    EXPECT_TRUE(itemsOfLine(QStringLiteral("$110000 $200000 #99999999999999999999")).empty());
    RbxGroupDescription d(QStringLiteral("G"));
    d.addItemsFromLine(QStringLiteral("$200000"));
    EXPECT_EQ(d.ranges().count(), 0);
}

TEST_F(LayoutFileTest, UnclosedAndEmptyBracketsAreCharacters) {
    EXPECT_THAT(itemsOfLine(QStringLiteral("[ab")), ElementsAre(U'[', U'a', U'b'));
    EXPECT_THAT(itemsOfLine(QStringLiteral("[] x")), ElementsAre(U'[', U']', U'x'));
}

TEST_F(LayoutFileTest, CharacterListsOfBracketedTexts) {
    EXPECT_EQ(rbx::stringFromCharacterList(QStringLiteral("#65 $42 c")), QStringLiteral("ABc"));
    EXPECT_EQ(rbx::stringFromCharacterList(QStringLiteral("$1F1E9$1F1EA")), QString::fromUtf8("🇩🇪"));
}

TEST_F(LayoutFileTest, GroupsHeadingsCommentsAndDroppedGroups) {
    const QString text = QStringLiteral(
        "My Layout\n"
        "// a heading, then an empty line\n"
        "\n"
        "First // its title\n"
        "a b\n"
        "   // a comment line does not end the group\n"
        "c\n"
        "   \n"
        "-Hidden\n"
        "x y\n"
        "\n"
        "Empty\n"
        "\n"
        "\n"
        "Second\r\n"
        "d\r"
        "e\n");
    const Descriptions list = RbxCustomLayout::descriptionsFromText(text);
    ASSERT_EQ(namesOf(list), (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));
    EXPECT_THAT(charactersOf(*list[0]), ElementsAre(U'a', U'b', U'c'));
    EXPECT_THAT(charactersOf(*list[1]), ElementsAre(U'd', U'e'));
}

TEST_F(LayoutFileTest, BlockDirectiveGivesTheWholeBlock) {
    kx::LogCapture log;
    const Descriptions list = RbxCustomLayout::descriptionsFromText(QStringLiteral("Arrows\n[BLOCK arrows]\n"));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(charactersOf(*list[0]), range(0x2190, 0x21FF));
    EXPECT_TRUE(log.contains(QStringLiteral("group RbxGroupDescription = Arrows: (8592, 8703)")));

    // The keyword is a prefix: BLOCKS reads as BLOCK with a name beginning with S.
    const Descriptions s = RbxCustomLayout::descriptionsFromText(QStringLiteral("S\n[BLOCKSpecials]\n\nUnknown\n[BLOCK Nonsense]\n"));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(charactersOf(*s[0]), range(0xFFF0, 0xFFFF));
}

TEST_F(LayoutFileTest, BracketedSequencesShareOneEntry) {
    const Descriptions list =
        RbxCustomLayout::descriptionsFromText(QStringLiteral("Ligatures\n[ffi] [fl] [ffi] [$66 $6C] [LIGATURES]\n"));
    ASSERT_EQ(list.size(), 1u);
    const RbxGroupDescription& d = *list[0];
    EXPECT_EQ(d.ligatures(), (QStringList{QStringLiteral("ffi"), QStringLiteral("fl")}));
    EXPECT_THAT(charactersOf(d), ElementsAre(0x110000, 0x110001, 0x110000, 0x110001, 0x200000));

    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x7E),
                              {QStringLiteral("fi"), QStringLiteral("fl"), QStringLiteral("ffi")});
    const auto group = list[0]->groupForFontInfo(&font);
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(),
                ElementsAre(0xB0002, 0xB0001, 0xB0002, 0xB0001, 0xB0000, 0xB0001, 0xB0002));
    EXPECT_EQ(group->name(), QStringLiteral("Ligatures"));
}

TEST_F(LayoutFileTest, PastedFlagBecomesItsVirtualCharacter) {
    const Descriptions list = RbxCustomLayout::descriptionsFromText(QString::fromUtf8("Flags\n🇩🇪 🇫🇷 a\n[🇮🇹]\n"));
    ASSERT_EQ(list.size(), 1u);
    const char32_t de = flagValue(QString::fromUtf8("🇩🇪"));
    const char32_t fr = flagValue(QString::fromUtf8("🇫🇷"));
    const char32_t it = flagValue(QString::fromUtf8("🇮🇹"));
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x7E));
    kx::CharSet available = font.availableCharacters();
    for (char32_t flag : {de, fr, it}) available.addCharacter(flag);
    font.setAvailableCharacters(available);
    const auto group = list[0]->groupForFontInfo(&font);
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(), ElementsAre(de, fr, U'a', it));
}

TEST_F(LayoutFileTest, OtherAndBlockOtherDistribution) {
    kx::LogCapture log;
    const Descriptions list = RbxCustomLayout::descriptionsFromText(QStringLiteral(
        "Rest\n[OTHER]\n\nLatin\n[BLOCK-OTHER Basic Latin]\n\nMine\na\n\nMore\n[OTHER]\n"));
    ASSERT_EQ(namesOf(list), (QStringList{QStringLiteral("Rest"), QStringLiteral("Latin"), QStringLiteral("Mine")}));
    EXPECT_TRUE(log.contains(QStringLiteral("removing empty other group More")));

    std::vector<char32_t> latin = range(0x20, 0x7F);
    latin.erase(std::find(latin.begin(), latin.end(), U'a'));
    EXPECT_EQ(charactersOf(*list[1]), latin);

    const kx::CharSet rest = list[0]->characterSet();
    EXPECT_FALSE(rest.contains(U'a'));
    EXPECT_FALSE(rest.contains(U'b'));
    EXPECT_FALSE(rest.contains(0x1F));
    EXPECT_TRUE(rest.contains(0x80));
    EXPECT_TRUE(rest.contains(0x10FFFF));
    EXPECT_EQ(rest.numberOfCharacters(), 0x110000u - 0x20u - 0x60u);
}

TEST_F(LayoutFileTest, OnlyExactOtherIsFilled) {
    const Descriptions list =
        RbxCustomLayout::descriptionsFromText(QStringLiteral("Others\n[OTHERS]\n\nListed\nb x\n[OTHER] y\n"));
    // "OTHERS" is a directive that nobody fills: its group goes. A group with a
    // directive and characters of its own stays and gets the rest.
    ASSERT_EQ(namesOf(list), QStringList{QStringLiteral("Listed")});
    const kx::CharSet set = list[0]->characterSet();
    EXPECT_TRUE(set.contains(U'b'));
    EXPECT_TRUE(set.contains(U'a'));
}

TEST_F(LayoutFileTest, GroupsHoldWhatTheFontHasInWrittenOrder) {
    const Descriptions list =
        RbxCustomLayout::descriptionsFromText(QStringLiteral("G\nz a-c a\n\nNone\n$E000\n"));
    RbxCharSetRepertoire font(kx::CharSet::fromString(QStringLiteral("abz")));
    const auto group = list[0]->groupForFontInfo(&font);
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(), ElementsAre(U'z', U'a', U'b', U'a'));
    EXPECT_FALSE(list[1]->groupForFontInfo(&font));
    EXPECT_FALSE(list[1]->groupForFontInfo(nullptr));
}

TEST_F(LayoutFileTest, RangeAcrossPlanesReadsEachPlane) {
    RbxCharSetRepertoire font(kx::CharSet::fromString(QString::fromUcs4(U"\uFFFD\U00010000\U00010002\U00020001", 4)));
    RbxGroupDescription d(QStringLiteral("Across"));
    d.addItemsFromLine(QStringLiteral("$FFF0-$20001"));
    const auto group = d.groupForFontInfo(&font);
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(), ElementsAre(0xFFFD, 0x10000, 0x10002, 0x20001));
}

TEST_F(LayoutFileTest, BestIndexWalksThePairs) {
    RbxGroupDescription d(QStringLiteral("G"));
    d.addItemsFromLine(QStringLiteral("x-z a-c"));
    const std::vector<char32_t> list{U'x', U'z', U'a', U'c'};
    EXPECT_EQ(d.bestIndexOf(U'y', list), 1u);
    EXPECT_EQ(d.bestIndexOf(U'b', list), 3u);
    EXPECT_EQ(d.bestIndexOf(U'a', list), 2u);
    EXPECT_EQ(d.bestIndexOf(U'q', list), 0u);  // in no pair: the first at least q
    EXPECT_EQ(d.bestIndexOf(U'~', list), 4u);
    EXPECT_EQ(d.bestIndexOf(U'a', {}), 0u);
}

TEST_F(LayoutFileTest, UnreadableFileGivesOnlyFavoritesAndRecents) {
    const QString path = layoutsFolder() + QStringLiteral("/Broken.txt");
    writeFile(path, QByteArray("Group\nab\xff\xfe\n"));
    RbxCustomLayout layout(path);
    EXPECT_EQ(layout.name(), QStringLiteral("Broken"));
    ASSERT_EQ(layout.groupList().size(), 2u);
    EXPECT_EQ(layout.groupList()[0]->role(), RbxGroupDescription::Role::Favorites);
    EXPECT_EQ(layout.groupList()[1]->role(), RbxGroupDescription::Role::Recents);

    RbxCustomLayout missing(layoutsFolder() + QStringLiteral("/Missing.txt"));
    EXPECT_EQ(missing.groupList().size(), 2u);
}

TEST_F(LayoutFileTest, BlockArrowsFileGivesTheArrows) {
    const QString path = layoutsFolder() + QStringLiteral("/Arrows.txt");
    writeFile(path, QByteArray("Arrows\n[BLOCK Arrows]\n"));
    auto layout = std::make_shared<RbxCustomLayout>(path);
    RbxCharSetRepertoire font = everything();
    const RbxCharGroupList groups = layout->groupsForFontInfo(&font);
    // The favourites (empty, kind 1) and then the arrows.
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0]->groupKind(), RbxFavoritesGroupKind);
    EXPECT_EQ(groups[1]->characters(), range(0x2190, 0x21FF));
    EXPECT_EQ(groups[1]->layoutIndex(), 2);
    EXPECT_EQ(groups[1]->layout(), layout);
}
