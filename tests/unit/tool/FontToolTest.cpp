// runebox-tool font and cmap, run as the user runs them.
#include "common/TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int code = -1;
    QStringList lines;
};

ToolRun tool(const QStringList& args) {
    const rbxtest::ProgramRun r = rbxtest::runProgram(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), args);
    return ToolRun{r.code, r.lines()};
}

bool fontToolsAvailable() {
    return QProcess::execute(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import fontTools")}) == 0;
}

QStringList oracleCmap(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(RUNEBOX_SOURCE_DIR "/tools/fonts/fonttools-oracle.py"), QStringLiteral("cmap"), file});
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString valueOf(const QStringList& lines, const QString& key) {
    for (const QString& l : lines)
        if (l.startsWith(key + QLatin1String(": "))) return l.mid(key.size() + 2);
    return QString();
}

} // namespace

TEST(FontTool, fontPrintsTheFactsOfAFace) {
    const ToolRun r = tool({QStringLiteral("font"), QStringLiteral("DejaVuSans")});
    if (r.code == 1) GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(valueOf(r.lines, QStringLiteral("file")).endsWith(QStringLiteral("DejaVuSans.ttf")));
    EXPECT_EQ(valueOf(r.lines, QStringLiteral("format")), QStringLiteral("OpenType / TrueType"));
    EXPECT_EQ(valueOf(r.lines, QStringLiteral("post format")), QStringLiteral("2"));
    EXPECT_TRUE(valueOf(r.lines, QStringLiteral("tables")).contains(QStringLiteral("GSUB, MATH, OS/2, cmap")));
    EXPECT_TRUE(valueOf(r.lines, QStringLiteral("characters")).endsWith(QStringLiteral("(OK)")));

    EXPECT_EQ(tool({QStringLiteral("font"), QStringLiteral("No-Such-Font")}).code, 1);
    EXPECT_EQ(tool({QStringLiteral("font")}).code, 2);
}

TEST(FontTool, cmapListsTheBestUnicodeSubtableAsFontToolsReadsIt) {
    const ToolRun r = tool({QStringLiteral("cmap"), QStringLiteral("DejaVuSans")});
    if (r.code == 1) GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(valueOf(r.lines, QStringLiteral("best Roman subtable")), QStringLiteral("2"));
    EXPECT_EQ(valueOf(r.lines, QStringLiteral("best Unicode subtable")), QStringLiteral("3"));
    EXPECT_TRUE(r.lines.contains(QStringLiteral("U+0041 36")));
    EXPECT_TRUE(r.lines.contains(QStringLiteral("3: platform 3, encoding 1, format 4, language 0")));
    if (!fontToolsAvailable()) return;
    // Every character of the face's format 4 subtable, as fontTools maps it.
    const QString file = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    QStringList expected;
    for (const QString& l : oracleCmap(file))
        if (l.startsWith(QLatin1String("U+")) && l.indexOf(QLatin1Char(' ')) == 6) expected << l;
    QStringList ours;
    for (const QString& l : r.lines)
        if (l.startsWith(QLatin1String("U+"))) ours << l;
    EXPECT_EQ(ours, expected);
}

TEST(FontTool, cmapOfAFaceWithOnlyAFullUnicodeSubtable) {
    const QString file = QStringLiteral("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf");
    const ToolRun r = tool({QStringLiteral("cmap"), QStringLiteral("NotoColorEmoji")});
    if (r.code == 1 || !QFileInfo::exists(file)) GTEST_SKIP() << "Noto Color Emoji is not installed";
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(valueOf(r.lines, QStringLiteral("best Unicode subtable")), QStringLiteral("-1"));
    EXPECT_FALSE(valueOf(r.lines, QStringLiteral("full Unicode subtable")).isEmpty());
    if (!fontToolsAvailable()) return;
    QStringList expected;
    for (const QString& l : oracleCmap(file))
        if (l.startsWith(QLatin1String("U+"))) expected << l;
    QStringList ours;
    for (const QString& l : r.lines)
        if (l.startsWith(QLatin1String("U+"))) ours << l;
    EXPECT_GT(ours.size(), 1000);
    EXPECT_EQ(ours, expected);
}
