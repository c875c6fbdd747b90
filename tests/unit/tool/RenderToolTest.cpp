// runebox-tool render, run as the user runs it.
#include "common/TestEnvironment.h"

#include <QFile>
#include <QSize>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int render(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), QStringList{QStringLiteral("render")} + args);
    p.waitForFinished(120000);
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The size a PNG file states in its header; an empty size for anything else.
QSize pngSize(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = f.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR") return {};
    auto big32 = [&](int at) {
        return (uint(uchar(head[at])) << 24) | (uint(uchar(head[at + 1])) << 16) | (uint(uchar(head[at + 2])) << 8) |
               uint(uchar(head[at + 3]));
    };
    return QSize(int(big32(16)), int(big32(20)));
}

} // namespace

TEST(RenderTool, DrawsTheTableAndTheBigCharacterIntoPngFiles) {
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("table.png")), big = dir.filePath(QStringLiteral("big.png"));
    QString out;
    const int code = render({QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--size"),
                             QStringLiteral("400x300"), QStringLiteral("--dark"), QStringLiteral("-o"), table},
                            &out);
    if (code == 1) GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(out.contains(QStringLiteral(" groups, cells ")));
    EXPECT_EQ(pngSize(table), QSize(400, 300));

    ASSERT_EQ(render({QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--size"),
                      QStringLiteral("200x160"), QStringLiteral("--big"), QStringLiteral("U+0416"), QStringLiteral("-o"), big}),
              0);
    EXPECT_EQ(pngSize(big), QSize(200, 160));

    EXPECT_EQ(render({QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--size"),
                      QStringLiteral("0x5"), QStringLiteral("-o"), big}),
              2);
    EXPECT_EQ(render({QStringLiteral("--font"), QStringLiteral("No-Such-Font"), QStringLiteral("--size"),
                      QStringLiteral("100x100"), QStringLiteral("-o"), big}),
              1);
    EXPECT_EQ(render({QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--layout"),
                      QStringLiteral("No Such Layout"), QStringLiteral("--size"), QStringLiteral("100x100"),
                      QStringLiteral("-o"), big}),
              1);
}
