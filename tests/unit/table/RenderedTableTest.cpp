// runebox-tool render over the installed fonts: what the rendered table shows.
#include "common/TestEnvironment.h"

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int render(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), QStringList{QStringLiteral("render")} + args);
    p.waitForFinished(120000);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

TEST(RenderedTable, ViewOfAllCharactersMarksWhatTheFontLacks) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("all.png"));
    // Syriac Supplement and Arabic Extended-B: DejaVu Sans has none of them, and no
    // installed font has all of them.
    const int code = render({QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--view"),
                             QStringLiteral("3"), QStringLiteral("--size"), QStringLiteral("500x300"),
                             QStringLiteral("--at"), QStringLiteral("U+0860"), QStringLiteral("-o"), file});
    if (code == 1) GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_EQ(code, 0);
    QImage image(file);
    ASSERT_FALSE(image.isNull());
    int red = 0, black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 110 && c.green() < 50 && c.blue() < 50) ++red;
            if (c.red() < 40 && c.green() < 40 && c.blue() < 40) ++black;
        }
    // The cells of characters the font lacks are drawn in colour, never as the font's own
    // black missing glyphs.
    EXPECT_GT(red, 100);
    EXPECT_LT(black, red);
}
