// runebox-tool repertoire, ligatures and report, on the fixture fonts installed in a
// private font folder.
#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LigatureTool : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        home = new QTemporaryDir();
        QDir().mkpath(home->path() + QStringLiteral("/data/fonts"));
        QDir().mkpath(home->path() + QStringLiteral("/cache"));
        for (const char* f : {"RbxLigaFi-Regular.ttf", "RbxLigaEdge-Regular.ttf", "RbxCmapTest-Regular.ttf"})
            QFile::copy(rbxtest::testData(QStringLiteral("fonts/") + QLatin1String(f)),
                        home->path() + QStringLiteral("/data/fonts/") + QLatin1String(f));
    }
    static void TearDownTestSuite() { delete home; }

    struct Run {
        int code = -1;
        QStringList lines;
        QString error;
    };
    static Run tool(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home->path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home->path() + QStringLiteral("/cache"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), args);
        p.waitForFinished(120000);
        return Run{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                   QString::fromUtf8(p.readAllStandardError())};
    }
    static QTemporaryDir* home;
};
QTemporaryDir* LigatureTool::home = nullptr;

} // namespace

TEST_F(LigatureTool, ligaturesAreListedWithTheirValuesAndGlyphs) {
    const Run r = tool({QStringLiteral("ligatures"), QStringLiteral("RbxLigaFi-Regular")});
    ASSERT_EQ(r.code, 0) << r.error.toStdString();
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("U+B0000\tfi\t54"), QStringLiteral("U+B0001\tfl\t55")}));
    const Run edge = tool({QStringLiteral("ligatures"), QStringLiteral("RbxLigaEdge-Regular")});
    EXPECT_EQ(edge.lines.size(), 8);
    EXPECT_EQ(edge.lines.last(), QStringLiteral("U+B0007\tfi\t58"));
    EXPECT_EQ(tool({QStringLiteral("ligatures"), QStringLiteral("Nothing-Here")}).code, 1);
}

TEST_F(LigatureTool, repertoireIncludesTheLigatureCharacters) {
    const Run r = tool({QStringLiteral("repertoire"), QStringLiteral("RbxLigaFi-Regular")});
    ASSERT_EQ(r.code, 0) << r.error.toStdString();
    EXPECT_EQ(r.lines.value(0), QStringLiteral("count: 55"));
    EXPECT_EQ(r.lines.value(1), QStringLiteral("last: U+B0001"));
    EXPECT_EQ(r.lines.value(2), QStringLiteral("U+0020"));
    EXPECT_EQ(r.lines.mid(r.lines.size() - 2), (QStringList{QStringLiteral("U+B0000"), QStringLiteral("U+B0001")}));
    EXPECT_EQ(r.lines.size(), 2 + 55);
    // The view given explicitly; a supplementary character is the last.
    const Run v3 = tool({QStringLiteral("repertoire"), QStringLiteral("RbxCmapTest-Regular"), QStringLiteral("--view"), QStringLiteral("1")});
    EXPECT_EQ(v3.lines.value(0), QStringLiteral("count: 59"));
    EXPECT_EQ(v3.lines.value(1), QStringLiteral("last: U+1F600"));
    EXPECT_EQ(tool({QStringLiteral("repertoire"), QStringLiteral("--view")}).code, 2);
}

TEST_F(LigatureTool, repertoireOfTheOtherViews) {
    // View 2: the characters of every installed font; view 3: every defined character.
    // The font's own ligatures stay in both.
    const QString face = QStringLiteral("RbxLigaFi-Regular");
    const Run own = tool({QStringLiteral("repertoire"), face, QStringLiteral("--view"), QStringLiteral("1")});
    const Run all = tool({QStringLiteral("repertoire"), face, QStringLiteral("--view"), QStringLiteral("2")});
    const Run defined = tool({QStringLiteral("repertoire"), face, QStringLiteral("--view"), QStringLiteral("3")});
    ASSERT_EQ(all.code, 0) << all.error.toStdString();
    ASSERT_EQ(defined.code, 0) << defined.error.toStdString();
    EXPECT_FALSE(own.lines.contains(QStringLiteral("U+1F600")));
    EXPECT_TRUE(all.lines.contains(QStringLiteral("U+1F600"))); // from RbxCmapTest-Regular
    EXPECT_TRUE(all.lines.contains(QStringLiteral("U+B0001")));
    EXPECT_FALSE(all.lines.contains(QStringLiteral("U+0378"))); // unassigned, in no font
    EXPECT_GT(all.lines.size(), own.lines.size());
    EXPECT_TRUE(defined.lines.contains(QStringLiteral("U+4E00")));
    EXPECT_TRUE(defined.lines.contains(QStringLiteral("U+B0000")));
    EXPECT_FALSE(defined.lines.contains(QStringLiteral("U+0378")));
    bool ok = false;
    EXPECT_GT(defined.lines.value(0).mid(7).toInt(&ok), 100000);
    EXPECT_TRUE(ok);
}

TEST_F(LigatureTool, reportsOfBothTables) {
    const Run gsub = tool({QStringLiteral("report"), QStringLiteral("gsub"), QStringLiteral("RbxLigaEdge-Regular")});
    ASSERT_EQ(gsub.code, 0) << gsub.error.toStdString();
    EXPECT_EQ(gsub.lines.value(0), QStringLiteral("GSUB 346 [15A] bytes"));
    EXPECT_TRUE(gsub.lines.contains(QStringLiteral("                     >> 35, 35, 38 = \"ffi\"")));
    const Run morx = tool({QStringLiteral("report"), QStringLiteral("morx"), QStringLiteral("RbxLigaFi-Regular")});
    ASSERT_EQ(morx.code, 0);
    EXPECT_TRUE(morx.lines.contains(QStringLiteral("4 5 : fi")));
    EXPECT_EQ(tool({QStringLiteral("report"), QStringLiteral("morx"), QStringLiteral("RbxLigaEdge-Regular")}).code, 1);
    EXPECT_EQ(tool({QStringLiteral("report"), QStringLiteral("kern"), QStringLiteral("RbxLigaEdge-Regular")}).code, 2);
}
