// runebox-tool shapes: the committed shape finder data are what the installed fonts give
// now, and bad arguments are refused.
#include "common/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QString tool = QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool");
}

TEST(ShapesTool, TheBundledDataAreRegeneratedByteForByte) {
    const rbxtest::ProgramRun r =
        rbxtest::runProgram(tool, {QStringLiteral("shapes"), QStringLiteral("check"), QStringLiteral(RUNEBOX_SOURCE_RESOURCES)});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("19 of 19 files as made"))) << r.out.toStdString();
}

TEST(ShapesTool, RefusesWhatItCannotMake) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("ref.data"));
    EXPECT_EQ(rbxtest::runProgram(tool, {QStringLiteral("shapes")}).code, 2);
    EXPECT_EQ(rbxtest::runProgram(tool, {QStringLiteral("shapes"), QStringLiteral("reference"), QStringLiteral("--type"),
                                         QStringLiteral("x"), out}).code, 2);
    const rbxtest::ProgramRun noFont = rbxtest::runProgram(
        tool, {QStringLiteral("shapes"), QStringLiteral("reference"), QStringLiteral("--font"), QStringLiteral("NoSuchFont"), out});
    EXPECT_EQ(noFont.code, 1);
    EXPECT_TRUE(noFont.err.contains(QStringLiteral("NoSuchFont is not installed")));
    // Type 0: Latin only, 36 bytes a character.
    const rbxtest::ProgramRun latin =
        rbxtest::runProgram(tool, {QStringLiteral("shapes"), QStringLiteral("reference"), QStringLiteral("--type"), QStringLiteral("0"), out});
    ASSERT_EQ(latin.code, 0) << latin.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    ASSERT_GT(data.size(), 36 * 300);
    EXPECT_EQ(data.size() % 36, 0);
    for (qsizetype i = 0; i < data.size(); i += 36) {
        const uint c = (uchar(data[i + 2]) << 8) | uchar(data[i + 3]);
        EXPECT_TRUE(c >= 0x20 && c < 0x2B0) << c;
    }
    EXPECT_EQ(rbxtest::runProgram(tool, {QStringLiteral("shapes"), QStringLiteral("animations"),
                                         QStringLiteral("/proc/none/here")}).code, 1);
}
