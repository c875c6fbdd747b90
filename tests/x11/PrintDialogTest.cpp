// Printing from the real runebox program through Qt's print dialog, which comes as a
// sheet on the palette: Escape ends it without printing; the file printer chosen with a
// file name typed into the dialog gets the preview's one-page specimen.
#include "SheetDriving.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QPoint awayFromThePalette(1100, 80);

QString pdfText(const QString& pdf) {
    QString out;
    run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &out);
    return out;
}

bool previewShown() {
    return Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("page")) == QStringLiteral("previewPage"); });
}

} // namespace

TEST(PrintDialog, ThePrintSheetEndsWithoutPrintingOrPrintsTheSpecimenIntoAFile) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("specimen.pdf"));
    pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=10")), 0);
    ASSERT_TRUE(previewShown()) << copy.output().toStdString();

    // The dialog is a sheet of the palette; Escape ends it and nothing is printed.
    ASSERT_TRUE(clickControl(QStringLiteral("previewPrintButton")));
    ASSERT_TRUE(waitForSheet(QStringLiteral("print"))) << copy.output().toStdString();
    screenshot(QStringLiteral("print-dialog"));
    ASSERT_TRUE(focusControl(QStringLiteral("filename"))) << sheetFields().keys().join(u' ').toStdString();
    pressKey(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForSheet(QString()));
    rbxtest::spinEventLoop(500);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // Printed into the file named in the dialog.
    ASSERT_TRUE(clickControl(QStringLiteral("previewPrintButton")));
    ASSERT_TRUE(waitForSheet(QStringLiteral("print"))) << copy.output().toStdString();
    ASSERT_TRUE(focusControl(QStringLiteral("filename")));
    pressKey(QStringLiteral("ctrl+a"));
    typeText(pdf);
    ASSERT_TRUE(rbxtest::waitFor([&] { return sheetFields().value(QStringLiteral("filename")).toString() == pdf; }, 10000))
        << sheetFields().value(QStringLiteral("filename")).toString().toStdString();
    pressKey(QStringLiteral("Return"));
    ASSERT_TRUE(waitForSheet(QString())) << copy.output().toStdString();
    ASSERT_TRUE(waitForPdf(pdf)) << copy.output().toStdString();
    const QString specimen = pdfText(pdf);
    for (const char* size : {"18 pt: ", "12 pt: ", "8 pt: "})
        EXPECT_TRUE(specimen.contains(QLatin1String(size))) << size << "\n" << specimen.toStdString();
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=1")), 0);
    pointTo(awayFromThePalette);
}
