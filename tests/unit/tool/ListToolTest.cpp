// runebox-tool list: the diagnostic listings of the palette's maintenance commands, run
// as the user runs them and checked against the font files themselves (fontTools).
#include "common/TestEnvironment.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

rbxtest::ProgramRun list(const QStringList& args) {
    return rbxtest::runProgram(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), QStringList{QStringLiteral("list")} + args,
                               rbxtest::Channels::Separate, 120000);
}

QString dejaVuFile() {
    QProcess p;
    p.start(QStringLiteral("fc-match"), {QStringLiteral("-f"), QStringLiteral("%{file}"), QStringLiteral("DejaVu Sans:style=Book")});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList oracle(const QString& what, const QString& file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(RUNEBOX_SOURCE_DIR "/tools/fonts/fonttools-oracle.py"), what, file});
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

const QStringList dejaVu = {QStringLiteral("--font"), QStringLiteral("DejaVuSans")};

} // namespace

TEST(ListTool, UnknownListingsAndFontsAreRefused) {
    EXPECT_EQ(list({}).code, 2);
    EXPECT_EQ(list({QStringLiteral("!nothing")}).code, 2);
    EXPECT_EQ(list({QStringLiteral("glyphs"), QStringLiteral("--font")}).code, 2);
    EXPECT_EQ(list({QStringLiteral("glyphs"), QStringLiteral("--font"), QStringLiteral("No-Such-Font")}).code, 1);
}

TEST(ListTool, GlyphMapAndPostTableAgreeWithTheFontFile) {
    const QString file = dejaVuFile();
    if (!file.endsWith(QLatin1String("DejaVuSans.ttf"))) GTEST_SKIP() << "DejaVu Sans is not installed";
    const QStringList cmap = oracle(QStringLiteral("cmap"), file);
    if (cmap.isEmpty()) GTEST_SKIP() << "fontTools is not available";

    const rbxtest::ProgramRun gmap = list(QStringList{QStringLiteral("!gmap")} + dejaVu);
    ASSERT_EQ(gmap.code, 0) << gmap.err.toStdString();
    const QStringList lines = gmap.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 100);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("glyph map (")));
    // "code<TAB>character<TAB>glyph" for every mapped character from U+0020 on, as the
    // file's best Unicode cmap has it.
    QMap<uint, QString> listed;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(u'\t');
        ASSERT_EQ(f.size(), 3) << lines[i].toStdString();
        const uint code = f[0].toUInt();
        const char32_t c[1] = {char32_t(code)};
        EXPECT_EQ(f[1], code < 32 ? QString() : QString::fromUcs4(c, 1));
        if (code >= 0x20) listed.insert(code, f[2]);
    }
    QMap<uint, QString> expected;
    for (const QString& l : cmap) {
        static const QRegularExpression re(QStringLiteral("^U\\+([0-9A-F]+) (\\d+)$"));
        const auto m = re.match(l);
        if (m.hasMatch()) expected.insert(m.captured(1).toUInt(nullptr, 16), m.captured(2));
    }
    EXPECT_EQ(listed, expected);

    const QStringList post = oracle(QStringLiteral("post"), file);
    const rbxtest::ProgramRun postList = list(QStringList{QStringLiteral("post")} + dejaVu);
    ASSERT_EQ(postList.code, 0);
    const QStringList p = postList.out.split(u'\n');
    EXPECT_EQ(p[0], QStringLiteral("DejaVu Sans contains %1 glyphs").arg(post.size() - 1));
    EXPECT_TRUE(p[1].startsWith(QStringLiteral("post table size: ")));
    EXPECT_EQ(p[2], QStringLiteral("post format: 20000"));
    EXPECT_TRUE(p[3].startsWith(QStringLiteral("glyph names: ")));
    // "glyph: name index - name" per glyph; the font's own names (the last glyph's) as in
    // the file.
    const QString last = post.last();
    const QRegularExpression named(QStringLiteral("\"%1: \\d+ - %2\"")
                                       .arg(last.section(u':', 0, 0), QRegularExpression::escape(last.section(u' ', 1))));
    EXPECT_TRUE(postList.out.contains(named)) << last.toStdString();
}

TEST(ListTool, FontWideListingsHaveTheirColumns) {
    if (!dejaVuFile().endsWith(QLatin1String("DejaVuSans.ttf"))) GTEST_SKIP() << "DejaVu Sans is not installed";
    const rbxtest::ProgramRun fonts = list({QStringLiteral("fonts")});
    ASSERT_EQ(fonts.code, 0);
    const QStringList parts = fonts.out.split(QStringLiteral("\nAVAILABLE FONTS:\n"));
    ASSERT_EQ(parts.size(), 2);
    QStringList fontLines = parts[0].split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(fontLines.takeFirst(), QStringLiteral("FONT LIST:"));
    bool sawDejaVu = false;
    for (qsizetype i = 0; i < fontLines.size(); ++i) {
        const QStringList f = fontLines[i].split(u'\t');
        ASSERT_EQ(f.size(), 4) << fontLines[i].toStdString();
        EXPECT_EQ(f[0], QString::number(i + 1));
        EXPECT_EQ(f[3], QStringLiteral("0"));
        sawDejaVu = sawDejaVu || f[1] == QLatin1String("DejaVuSans");
    }
    EXPECT_TRUE(sawDejaVu);
    EXPECT_TRUE(parts[1].contains(QRegularExpression(QStringLiteral("\n?\\d+\tDejaVuSans\n"))));

    const rbxtest::ProgramRun sizes = list({QStringLiteral("!sizes")});
    const QStringList sizeLines = sizes.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(sizeLines.size(), 1);
    EXPECT_EQ(sizeLines[0], QStringLiteral("Font\tb.x\tb.y\tb.w\tb.h\tlineH\tdesc\tadv.x\tadv.y"));
    static const QRegularExpression sizeLine(QStringLiteral("^\\S+(\t-?\\d+\\.\\d){8}$"));
    for (qsizetype i = 1; i < sizeLines.size(); ++i) EXPECT_TRUE(sizeLine.match(sizeLines[i]).hasMatch()) << sizeLines[i].toStdString();

    const rbxtest::ProgramRun tables = list({QStringLiteral("ftab")});
    EXPECT_TRUE(tables.out.contains(QStringLiteral("\nDejaVuSans\tOpenType / TrueType\tFFTM, GDEF, GPOS, GSUB, MATH, OS/2, cmap")));

    const rbxtest::ProgramRun numbers = list(QStringList{QStringLiteral("glyph#")} + dejaVu);
    EXPECT_TRUE(numbers.out.startsWith(QStringLiteral("DejaVu Sans: ")));
    EXPECT_TRUE(numbers.out.contains(QStringLiteral(" characters, first=32\nunicodeGlyph; glyphForCharacter; glyphForString\n32\t \t3\t3\t3\n")));

    const rbxtest::ProgramRun ligatures = list(QStringList{QStringLiteral("flig")} + dejaVu);
    EXPECT_TRUE(ligatures.out.startsWith(QStringLiteral("DejaVu Sans\n--- ")));
    EXPECT_TRUE(ligatures.out.contains(QStringLiteral("--- no morx ligatures\n")));
}
