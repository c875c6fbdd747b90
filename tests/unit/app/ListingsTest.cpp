// The listings' line formats for what they are given: the clipboard, the table's groups,
// ligature strings.
#include "app/RbxListings.h"
#include "model/FontFixtures.h"
#include "model/RbxCharGroup.h"

#include <QMimeData>
#include <gtest/gtest.h>

using namespace rbx::listings;

TEST(Listings, ClipboardAsQuotedTextOrHexDump) {
    QMimeData data;
    data.setData(QStringLiteral("text/plain"), QByteArray("two\twords\n"));
    QByteArray image;
    for (int i = 0; i < 20; ++i) image += char(0x41 + i * 7);  // 'A', 'H', 'O', ... then beyond '~'
    data.setData(QStringLiteral("image/png"), image);
    data.setData(QStringLiteral("application/x-empty"), QByteArray());
    Context c;
    c.clipboard = &data;
    const QString listing = listClipboard(c);
    EXPECT_TRUE(listing.contains(QStringLiteral("\"text/plain\" = 10: \"two\twords\n\"\n\n")));
    EXPECT_EQ(listing.indexOf(QStringLiteral("x-empty")), -1);
    // Each line: the previous line's character column, the offset, the bytes; a short last
    // line is padded to the column.
    const QString dump = QStringLiteral("\"image/png\" = 20: \n"
                                        "     0: 41 48 4F 56 5D 64 6B 72  | AHOV]dkr\n"
                                        "     8: 79 80 87 8E 95 9C A3 AA  | y.......\n"
                                        "    16: B1 B8 BF C6") +
                         QString(12, u' ') + QStringLiteral("  | ....\n\n");
    EXPECT_TRUE(listing.contains(dump)) << listing.toStdString();
    EXPECT_EQ(hexDump(QByteArray()), QStringLiteral(" \n\n"));

    data.setData(QStringLiteral("Text/HTML"), QByteArray("<b>x</b>"));
    EXPECT_EQ(listClipboardTypes(c), QStringLiteral("image/png (20)\nText/HTML (8)\ntext/plain (10)"));
    Context none;
    EXPECT_EQ(listClipboard(none), QString());
    EXPECT_EQ(listClipboardTypes(none), QString());
}

TEST(Listings, AttributesOfTheFirstCharacterOnTheClipboard) {
    Context c;
    EXPECT_EQ(listAttributes(c), QStringLiteral("no attributed string"));
    QMimeData empty;
    empty.setHtml(QString());
    c.clipboard = &empty;
    EXPECT_EQ(listAttributes(c), QStringLiteral("no attributed string"));
    QMimeData html;
    html.setHtml(QStringLiteral("<span style=\"font-family: 'DejaVu Serif'; font-size: 20px; font-weight: bold; "
                                "color: #102030\">B</span>plain"));
    c.clipboard = &html;
    const QString attrs = listAttributes(c);
    EXPECT_TRUE(attrs.contains(QStringLiteral("font = \"DejaVu Serif\" 20px bold"))) << attrs.toStdString();
    EXPECT_TRUE(attrs.contains(QStringLiteral("foreground = #ff102030")));
}

TEST(Listings, TableGroupsAsLayoutTextAndEmojiGroups) {
    Context c;
    c.groups = {{QStringLiteral("Arrows"), RbxLayoutGroupKind, {0x2190, 0x2191}},
                {QStringLiteral("Mine"), RbxFavoritesGroupKind, {0x41, 0xE000}}};
    EXPECT_EQ(listCharactersAsLayoutChars(c), QStringLiteral("Arrows\n\u2190\u2191\n\nMine\nA\uE000\n\n"));
    const QString hex = listCharactersAsLayoutHexAndNames(c);
    EXPECT_TRUE(hex.startsWith(QStringLiteral("Arrows\n$2190 // \"\u2190\"")));
    EXPECT_TRUE(hex.contains(QStringLiteral("\n\nMine\n$0041 // \"A\"")));
    // A character without a name has no name part.
    EXPECT_TRUE(hex.endsWith(QStringLiteral("$e000 // \"\uE000\"\n"))) << hex.toStdString();
    // Only layout groups are listed for the emoji keyboard.
    const QString hb = listEmojisForHintboard(c);
    EXPECT_TRUE(hb.startsWith(QStringLiteral("Arrows\n\u2190\t")));
    EXPECT_EQ(hb.indexOf(QStringLiteral("Mine")), -1);
    EXPECT_EQ(hb.count(u'\n'), 3);
}

TEST(Listings, LigatureListsAndTheCommandTable) {
    EXPECT_EQ(listOfLigatures(std::nullopt, QStringLiteral("morx"), rbx::Font()), QStringLiteral("--- no morx ligatures\n"));
    EXPECT_EQ(listOfLigatures(QStringList(), QStringLiteral("GSUB"), rbx::Font()), QStringLiteral("--- no GSUB ligatures\n"));
    EXPECT_EQ(listOfLigatures(QStringList({QStringLiteral("ffi"), QStringLiteral("fl")}), QStringLiteral("GSUB"), rbx::Font()),
              QStringLiteral("--- 2 GSUB ligatures:\nffi\tf f i\t102+102+105\t0\nfl\tf l\t102+108\t0\n"));

    EXPECT_EQ(all().size(), 31u);
    ASSERT_NE(forCommand(QStringLiteral("!glyph#")), nullptr);
    EXPECT_EQ(forCommand(QStringLiteral("lig#"))->make, &listAllFontLigatureCounts);
    EXPECT_FALSE(forCommand(QStringLiteral("!ligall"))->copies);
    EXPECT_EQ(forCommand(QStringLiteral("!timing")), nullptr);
    EXPECT_EQ(forCommand(QString()), nullptr);
    // Listings about the selected font give nothing without one.
    Context c;
    for (auto fn : {&listInfo, &listGlyphs, &listGlyphNumbers, &listPostTable, &listFontLigatures, &listLigatureTiming,
                    &listCharactersWithNames, &listWidestCharacters, &listCmaps, &listTimingResults})
        EXPECT_EQ(fn(c), QString());
    EXPECT_EQ(listGlyphMap(c), QStringLiteral("no glyph map"));
}

TEST(Listings, CmapSubtablesWithTheBestOfEachKind) {
    Context c;
    c.selectedFont = fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf"));
    ASSERT_TRUE(c.selectedFont);
    EXPECT_EQ(listCmaps(c), c.selectedFont.displayName() +
                                QStringLiteral("\nsubtables: 5\n"
                                               "0: platform 0, encoding 3, format 4, language 0\n"
                                               "1: platform 0, encoding 4, format 12, language 0\n"
                                               "2: platform 1, encoding 0, format 0, language 0\n"
                                               "3: platform 3, encoding 1, format 4, language 0\n"
                                               "4: platform 3, encoding 10, format 12, language 0\n"
                                               "best Roman subtable: 2\nbest Unicode subtable: 3\nfull Unicode subtable: 1\n"));
    // A Roman subtable with a language is no best one.
    c.selectedFont = fixtures::font(QStringLiteral("RbxCmapLang-Regular.ttf"));
    EXPECT_TRUE(listCmaps(c).contains(QStringLiteral("best Roman subtable: -1\n"))) << listCmaps(c).toStdString();
    EXPECT_TRUE(forCommand(QStringLiteral("!cmaps"))->copies);
}
