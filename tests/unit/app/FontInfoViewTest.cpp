// The facts the font information view shows, read from real font files (the values
// checked against fontTools' reading of the same files), and the view in the palette.
#include "PaletteFixture.h"

#include "app/FontInfoText.h"
#include "app/FontInfoView.h"
#include "app/PaletteContent.h"
#include "app/PaletteSheets.h"
#include "platform/fonts/FontFace.h"

#include <QStackedWidget>
#include <QTextBrowser>

namespace {

const QString DejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");

rbx::Font fontFile(const char* name) {
    return rbx::Font(rbx::FontFace::fromFile(DejaVu + QString::fromLatin1(name)), 12);
}

QString valueOf(const QList<fontinfo::Line>& lines, const char* key) {
    for (const fontinfo::Line& l : lines)
        if (l.key == QLatin1String(key)) return l.value;
    return QStringLiteral("<none>");
}

} // namespace

TEST(FontInfoText, ValuesLoseCarriageReturnsAndBlankLines) {
    EXPECT_EQ(fontinfo::tidied(QStringLiteral("a\r\n\r\nb\rc\n\n\n")), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(fontinfo::tidied(QStringLiteral("\n\n")), QString());
    EXPECT_EQ(fontinfo::slantText(-11.0), QStringLiteral("11°"));
    EXPECT_EQ(fontinfo::slantText(12.4), QStringLiteral("-12°"));
    EXPECT_EQ(fontinfo::className(8), QStringLiteral("Sans serif"));
    EXPECT_EQ(fontinfo::className(0), QString());
    EXPECT_EQ(fontinfo::className(11), QString());
    EXPECT_EQ(fontinfo::className(13), QString());
    EXPECT_EQ(fontinfo::languageNames({QStringLiteral("fr"), QStringLiteral("de"), QStringLiteral("pt-br"),
                                       QStringLiteral("pt"), QStringLiteral("und-zsye")}),
              QStringLiteral("French, German, Portuguese"));
}

TEST(FontInfoText, TraitsClassAndSlantComeFromTheFontsTables) {
    ASSERT_TRUE(fontFile("DejaVuSansMono-Bold.ttf"));
    const QList<fontinfo::Line> mono = fontinfo::linesForFont(fontFile("DejaVuSansMono-Bold.ttf"), 0);
    EXPECT_EQ(valueOf(mono, "INFO_Traits"), QStringLiteral("bold, monospaced"));
    EXPECT_EQ(valueOf(mono, "INFO_Slant Angle"), QStringLiteral("0°"));
    EXPECT_EQ(valueOf(mono, "INFO_Family"), QStringLiteral("DejaVu Sans Mono"));
    // Class 0, no designer, no ligatures: no lines for them.
    EXPECT_EQ(valueOf(mono, "INFO_Class"), QStringLiteral("<none>"));
    EXPECT_EQ(valueOf(mono, "INFO_Designer"), QStringLiteral("<none>"));
    EXPECT_EQ(valueOf(mono, "INFO_Ligatures"), QStringLiteral("<none>"));
    EXPECT_EQ(valueOf(mono, "INFO_Vendor URL"), QStringLiteral("http://dejavu.sourceforge.net"));
    EXPECT_EQ(valueOf(mono, "INFO_Location"), DejaVu + QStringLiteral("DejaVuSansMono-Bold.ttf"));
    EXPECT_EQ(mono.first().key, QStringLiteral("INFO_Name"));
    EXPECT_EQ(mono.last().key, QStringLiteral("INFO_Slant Angle"));

    const QList<fontinfo::Line> oblique = fontinfo::linesForFont(fontFile("DejaVuSansCondensed-BoldOblique.ttf"), 3);
    EXPECT_EQ(valueOf(oblique, "INFO_Traits"), QStringLiteral("italic, bold, condensed, proportional"));
    EXPECT_EQ(valueOf(oblique, "INFO_Slant Angle"), QStringLiteral("11°"));
    EXPECT_EQ(valueOf(oblique, "INFO_Ligatures"), QStringLiteral("3"));
    // The licence text has blank lines in the file; the view has none.
    EXPECT_FALSE(valueOf(oblique, "INFO_License").contains(QStringLiteral("\n\n")));
    EXPECT_TRUE(fontinfo::linesForFont(rbx::Font(), 0).isEmpty());
}

TEST(FontInfoText, LigatureDetailsListTheTablesAndTheLigaturesAfterTheVersion) {
    const rbx::Font sans = fontFile("DejaVuSans.ttf");
    ASSERT_TRUE(sans);
    const fontinfo::LigatureDetails read = fontinfo::ligatureDetails(sans);
    EXPECT_TRUE(read.tables.contains(QStringLiteral("cmap")));
    EXPECT_TRUE(read.tables.contains(QStringLiteral("GSUB")));
    EXPECT_GT(read.gsub, 0);
    EXPECT_TRUE(read.morx.isEmpty());

    fontinfo::LigatureDetails many = read;
    for (int i = 0; i < 600; ++i) many.morx << QStringLiteral("f%1").arg(i);
    const QList<fontinfo::Line> lines = fontinfo::linesForFont(sans, 0, &many);
    qsizetype version = -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].key == QLatin1String("INFO_Version")) version = i;
    ASSERT_GE(version, 0);
    ASSERT_GT(lines.size(), version + 3);
    EXPECT_EQ(lines[version + 1].key, QStringLiteral("TABLES"));
    EXPECT_EQ(lines[version + 1].value, read.tables.join(u'\n'));
    EXPECT_EQ(lines[version + 2].value, QString::number(read.gsub));
    const QStringList morx = lines[version + 3].value.split(u'\n');
    EXPECT_EQ(morx.value(0), QStringLiteral("600"));
    EXPECT_EQ(morx.size(), 1 + fontinfo::ListedMorxLigatures);
    EXPECT_EQ(morx.last(), QStringLiteral("f499"));
    // Without the setting, none of them.
    EXPECT_EQ(valueOf(fontinfo::linesForFont(sans, 0), "TABLES"), QStringLiteral("<none>"));
}

TEST_F(Palette, ViewTwelveShowsTheFactsOfThePalettesFontWithLinks) {
    FontInfoView& info = palette->sheets().fontInfo();
    store->setInteger(12, rbx::key::view.qname());
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->content().contentTabView()->currentWidget() == info.page(); }, 3000));
    const QString text = info.infoTextView()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("PostScript Name:\t") + c->selectedFont().postScriptName())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Location:\t") + c->selectedFont()->filePath())) << text.toStdString();
    EXPECT_TRUE(info.infoTextView()->toHtml().contains(QStringLiteral("href=\"file://")));
    store->setInteger(1, rbx::key::view.qname());
    EXPECT_TRUE(rbxtest::waitFor([&] { return c->content().contentTabView()->currentIndex() == 0; }, 3000));
}
