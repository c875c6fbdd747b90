// runebox-tool search and groups, run as the user runs them (in the test's private home).
#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int code = -1;
    QStringList lines;
};

ToolRun runTool(const QStringList& args) {
    const rbxtest::ProgramRun r = rbxtest::runProgram(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), args);
    return ToolRun{r.code, r.lines()};
}

QString layoutsFolder() {
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox/Layouts");
    QDir().mkpath(folder);
    return folder;
}

} // namespace

TEST(SearchTool, PrintsTheFilteredCharactersAscending) {
    ToolRun r = runTool({QStringLiteral("search"), QStringLiteral("41")});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.lines.contains(QStringLiteral("U+0029")));
    EXPECT_TRUE(r.lines.contains(QStringLiteral("U+0041")));
    EXPECT_TRUE(r.lines.contains(QStringLiteral("U+4E41")));
    QStringList sorted = r.lines;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.mid(2).toUInt(nullptr, 16) < b.mid(2).toUInt(nullptr, 16);
    });
    EXPECT_EQ(r.lines, sorted);

    EXPECT_EQ(runTool({QStringLiteral("search"), QStringLiteral("#169")}).lines, QStringList{QStringLiteral("U+00A9")});
    EXPECT_EQ(runTool({QStringLiteral("search"), QStringLiteral("U+1F600")}).lines, QStringList{QStringLiteral("U+1F600")});
    EXPECT_EQ(runTool({QStringLiteral("search"), QStringLiteral("#")}).lines, QStringList{QStringLiteral("U+0023")});
    EXPECT_EQ(runTool({QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--font"), QStringLiteral("No-Such-Font")}).code, 1);
    EXPECT_EQ(runTool({QStringLiteral("search")}).code, 2);
}

TEST(SearchTool, GroupsOfAUserLayout) {
    QFile file(layoutsFolder() + QStringLiteral("/Acceptance.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Arrows\n[BLOCK Arrows]\n\nHearts\n[FIND heart]\n");
    file.close();

    const ToolRun r = runTool({QStringLiteral("groups"), QStringLiteral("DejaVuSans"), QStringLiteral("--layout"),
                               QStringLiteral("Acceptance")});
    ASSERT_EQ(r.code, 0);
    const qsizetype arrows = r.lines.indexOf(QStringLiteral("Arrows (112)"));
    ASSERT_GE(arrows, 0) << r.lines.join(u'\n').toStdString();
    const QList<uint> chars = r.lines.value(arrows + 1).toUcs4();
    ASSERT_EQ(chars.size(), 112);
    EXPECT_EQ(chars.front(), 0x2190u);
    EXPECT_EQ(chars.back(), 0x21FFu);
    const qsizetype hearts = r.lines.indexOf(QRegularExpression(QStringLiteral("^Hearts \\(\\d+\\)$")));
    ASSERT_GE(hearts, 0);
    EXPECT_TRUE(r.lines.value(hearts + 1).contains(QChar(0x2665)));  // BLACK HEART SUIT

    EXPECT_EQ(runTool({QStringLiteral("groups"), QStringLiteral("DejaVuSans"), QStringLiteral("--layout"),
                       QStringLiteral("No Such Layout")}).code, 1);
    const ToolRun blocks = runTool({QStringLiteral("groups"), QStringLiteral("DejaVuSans")});
    EXPECT_TRUE(blocks.lines.contains(QStringLiteral("Basic Latin (95)")));
}
