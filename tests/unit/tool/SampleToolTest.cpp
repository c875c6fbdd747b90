// runebox-tool sample: the preview drawn into a PNG file and the printed pages written
// into a PDF file, read back with pdftotext and pdftoppm.
#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

rbxtest::ProgramRun sample(const QStringList& args) {
    return rbxtest::runProgram(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), QStringList{QStringLiteral("sample")} + args);
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPageCount(const QString& pdf, const QString& folder) {
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"), pdf,
                                                   QDir(folder).filePath(QStringLiteral("pdfpage"))});
    return int(QDir(folder).entryList({QStringLiteral("pdfpage*.png")}).size());
}

} // namespace

TEST(SampleTool, ThePreviewAndThePrintedPages) {
    QTemporaryDir dir;
    ASSERT_EQ(sample({QStringLiteral("titles")}).lines().value(0), QStringLiteral("Lorem ipsum"));
    EXPECT_EQ(sample({QStringLiteral("preview")}).code, 2);
    EXPECT_EQ(sample({QStringLiteral("preview"), QStringLiteral("--font"), QStringLiteral("No-Such-Font"), QStringLiteral("-o"),
                      dir.filePath(QStringLiteral("x.png"))}).code, 1);
    const rbxtest::ProgramRun unknown = sample({QStringLiteral("print"), QStringLiteral("--font"), QStringLiteral("DejaVuSans"),
                                                QStringLiteral("--sample"), QStringLiteral("Klingon"), QStringLiteral("-o"),
                                                dir.filePath(QStringLiteral("x.pdf"))});
    if (unknown.code == 1 && unknown.err.contains(QLatin1String("no font"))) GTEST_SKIP() << "DejaVu Sans is not installed";
    EXPECT_EQ(unknown.code, 1);

    // The preview of a short sample: fourteen paragraphs, each taller than the one before.
    const QString png = dir.filePath(QStringLiteral("preview.png"));
    ASSERT_EQ(sample({QStringLiteral("preview"), QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--sample"),
                      QStringLiteral("Polski"), QStringLiteral("--size"), QStringLiteral("400x3000"), QStringLiteral("-o"), png})
                  .code,
              0);
    // A PNG file of the width asked for, as tall as the fourteen sizes need.
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(24);
    ASSERT_TRUE(head.startsWith("\x89PNG\r\n\x1a\n"));
    auto be32 = [&](int at) {
        return (quint32(quint8(head[at])) << 24) | (quint32(quint8(head[at + 1])) << 16) | (quint32(quint8(head[at + 2])) << 8) |
               quint32(quint8(head[at + 3]));
    };
    EXPECT_EQ(be32(16), 400u);
    EXPECT_GT(be32(20), 400u);
    EXPECT_LE(be32(20), 3000u);

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) GTEST_SKIP() << "poppler-utils missing";
    // The sample page: one page, the heading and the text repeated over it.
    const QString pdf = dir.filePath(QStringLiteral("sample.pdf"));
    ASSERT_EQ(sample({QStringLiteral("print"), QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--sample"),
                      QStringLiteral("Čeština"), QStringLiteral("--points"), QStringLiteral("24"), QStringLiteral("-o"), pdf})
                  .code,
              0);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("DejaVu Sans, 24 pt")));
    EXPECT_GE(text.count(QStringLiteral("Příliš žluťoučký kůň")), 5) << text.toStdString();
    EXPECT_EQ(pdfPageCount(pdf, dir.path()), 1);

    // The specimen: the six sizes on one page.
    const QString specimen = dir.filePath(QStringLiteral("specimen.pdf"));
    QDir(dir.path()).removeRecursively();
    QDir().mkpath(dir.path());
    ASSERT_EQ(sample({QStringLiteral("print"), QStringLiteral("--font"), QStringLiteral("DejaVuSans"), QStringLiteral("--preview"),
                      QStringLiteral("-o"), specimen})
                  .code,
              0);
    const QString specimenText = pdfText(specimen);
    for (const char* prefix : {"8 pt: Lorem", "9 pt: Lorem", "10 pt: Lorem", "12 pt: Lorem", "14 pt: Lorem", "18 pt: Lorem"})
        EXPECT_TRUE(specimenText.contains(QLatin1String(prefix))) << prefix;
    EXPECT_TRUE(specimenText.contains(QStringLiteral("DejaVu Sans")));
    EXPECT_EQ(pdfPageCount(specimen, dir.path()), 1);
}
