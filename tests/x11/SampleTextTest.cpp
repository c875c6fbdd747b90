// The sample text views of the real palette on a desktop: the editor shows the chosen
// sample and takes what the user types once the mouse is in the palette, the preview
// shows the sample in its sizes, and both print (here straight into a PDF file, whose
// pages are read back with pdftotext and pdftoppm). The listings read the display's
// clipboard as the user left it.
#include "MenuItems.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;
using x11test::url;

// The screen rectangle of a named control of the palette; empty when it is not shown.
QRect controlRect(const QString& name) {
    const QVariantList r = qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("ControlRect"), {name}));
    if (r.size() != 4) return {};
    return QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
}

bool waitForControl(const QString& name, QRect* rect) {
    return rbxtest::waitFor([&] {
        *rect = controlRect(name);
        return !rect->isEmpty();
    }, 10000);
}

void clickAt(const QPoint& p) {
    ASSERT_TRUE(Copy::pointAt(p)) << "the palette is not under the pointer at " << p.x() << "," << p.y();
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
}

QString pdfText(const QString& pdf) {
    QString out;
    run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &out);
    return out;
}

// Renders the PDF's pages to PNG files and answers them.
QStringList pdfPages(const QString& pdf, const QString& folder) {
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"), pdf,
                                     QDir(folder).filePath(QStringLiteral("page"))});
    QStringList pages;
    for (const QString& f : QDir(folder).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name))
        pages << QDir(folder).filePath(f);
    return pages;
}

bool pageHasInk(const QString& png) {
    const QImage img(png);
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) ++dark;
    return dark > 50;
}

// Whether the process has a file of that name mapped (a library it loaded).
// Whether the clipboard's owner offers HTML (within 10 s).
bool clipboardOffersHtml() {
    return rbxtest::waitFor([] {
        QString types;
        run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                      QStringLiteral("TARGETS"), QStringLiteral("-o")}, &types);
        return types.contains(QStringLiteral("text/html"));
    }, 10000);
}

bool hasMapped(qint64 pid, const QString& name) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && QString::fromLatin1(maps.readAll()).contains(name);
}

} // namespace

TEST(SampleText, TheUserTypesASampleAndPrintsItAndThePreview) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("sample.pdf"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("RUNEBOX_PRINT_TO_PDF"), pdf);
    Copy copy({}, env);
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    // The sample editor with the user's own text.
    ASSERT_EQ(url(QStringLiteral("runebox://pref?sample=My%20Text")), 0);
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=11")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("page")) == QStringLiteral("samplePage"); }))
        << copy.output().toStdString();
    QRect editor;
    ASSERT_TRUE(waitForControl(QStringLiteral("sampleTextEditor"), &editor));
    // One menu of samples: the layout pop-up above the page, none on the page itself.
    EXPECT_FALSE(controlRect(QStringLiteral("layoutPopUp")).isEmpty());
    EXPECT_TRUE(controlRect(QStringLiteral("samplePopUp")).isEmpty());

    // The mouse in the palette gives the editor the keys; the user replaces the text.
    clickAt(editor.center());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("focus")) == QStringLiteral("sampleTextEditor"); }))
        << copy.output().toStdString() << " focus: " << Copy::state().value(QStringLiteral("focus")).toString().toStdString()
        << " activating: " << Copy::state().value(QStringLiteral("activating")).toBool();
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("BackSpace")});
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("Quartz sphinx judges vows")});
    QString stored;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        run(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                   QStringLiteral("editableSampleText")}, &stored);
        return stored.trimmed() == QStringLiteral("Quartz sphinx judges vows");
    }, 10000)) << stored.toStdString();

    // Printing: one page that the text fills, repeated. The print support is loaded only
    // now (nor were the network or the archive libraries loaded at start).
    const qint64 pid = copy.process().processId();
    EXPECT_FALSE(hasMapped(pid, QStringLiteral("libQt6PrintSupport")));
    EXPECT_FALSE(hasMapped(pid, QStringLiteral("libQt6Network")));
    EXPECT_FALSE(hasMapped(pid, QStringLiteral("libarchive")));
    EXPECT_FALSE(hasMapped(pid, QStringLiteral("libcrypto")));
    QRect print;
    ASSERT_TRUE(waitForControl(QStringLiteral("sampleTextPrintButton"), &print));
    clickAt(print.center());
    ASSERT_TRUE(x11test::waitForPdf(pdf)) << copy.output().toStdString();
    EXPECT_TRUE(hasMapped(pid, QStringLiteral("runebox-print.so")));
    EXPECT_TRUE(hasMapped(pid, QStringLiteral("libQt6PrintSupport")));
    const QString text = pdfText(pdf);
    EXPECT_GE(text.count(QStringLiteral("Quartz sphinx judges vows")), 5) << text.toStdString();
    const QStringList pages = pdfPages(pdf, dir.path());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pageHasInk(pages[0]));

    // The preview: the sample in every size, printed as a one-page specimen.
    QFile::remove(pdf);
    for (const QString& p : pages) QFile::remove(p);
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=10")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("page")) == QStringLiteral("previewPage"); }));
    QRect previewPrint;
    ASSERT_TRUE(waitForControl(QStringLiteral("previewPrintButton"), &previewPrint));
    clickAt(previewPrint.center());
    ASSERT_TRUE(x11test::waitForPdf(pdf)) << copy.output().toStdString();
    const QString specimen = pdfText(pdf);
    for (const char* size : {"18 pt: Quartz", "14 pt: Quartz", "12 pt: Quartz", "10 pt: Quartz", "9 pt: Quartz", "8 pt: Quartz"})
        EXPECT_TRUE(specimen.contains(QLatin1String(size))) << size << "\n" << specimen.toStdString();
    EXPECT_EQ(pdfPages(pdf, dir.path()).size(), 1);

    // Back to the table.
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=1")), 0);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("page")) != QStringLiteral("previewPage"); }));
}

// The pixels of a picture in the marking colour of the search's words (orange-yellow).
int markedPixels(const QImage& shot) {
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 235 && c.green() > 185 && c.green() < 225 && c.blue() < 40) ++n;
        }
    return n;
}

TEST(SampleText, ThePreviewShowsTheChosenSampleInEverySizeAndMarksTheSearchedWords) {
    x11test::pointTo(QPoint(1100, 80));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    // The Preview tab, then a sample chosen from the pop-up beside it.
    ASSERT_TRUE(x11test::clickControl(QStringLiteral("windowModeSegment10")));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("page")) == QStringLiteral("previewPage"); }))
        << copy.output().toStdString();
    ASSERT_TRUE(x11test::clickControl(QStringLiteral("layoutPopUp")));
    x11test::MenuItem polski;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        for (const x11test::MenuItem& i : x11test::menuItems())
            if (i.title == QStringLiteral("Polski") && i.rect.height() > 4) polski = i;
        return !polski.title.isEmpty();
    }, 10000)) << copy.output().toStdString();
    x11test::pointTo(polski.rect.center());
    x11test::xdo({QStringLiteral("click"), QStringLiteral("1")});
    const QString sample = QStringLiteral("Pchnąć w tę łódź jeża lub ośm skrzyń fig. Zażółć gęślą jaźń.");
    QString shown;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        const QVariantMap fields = qdbus_cast<QVariantMap>(Copy::debugCall(QStringLiteral("WindowFields"), {QStringLiteral("RbxCharWindow")}));
        shown = fields.value(QStringLiteral("previewEditor")).toString();
        return shown.contains(sample);
    }, 10000)) << shown.toStdString();
    // The introduction, then the sample once in each of the fourteen sizes, smallest first.
    const QStringList paragraphs = shown.split(QStringLiteral("\n\n"));
    ASSERT_EQ(paragraphs.size(), 15) << shown.toStdString();
    const int sizes[] = {8, 9, 10, 12, 14, 18, 20, 22, 26, 30, 32, 36, 38, 40};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(paragraphs[i + 1], QStringLiteral("%1 pt: ").arg(sizes[i]) + sample);

    // Nothing is marked until the user searches; then the words found are, on the screen.
    const QRect preview = x11test::controlRect(QStringLiteral("previewEditor"));
    ASSERT_FALSE(preview.isEmpty());
    EXPECT_EQ(markedPixels(x11test::screenshot(QStringLiteral("preview-unmarked")).copy(preview)), 0);
    const QRect field = x11test::controlRect(QStringLiteral("searchField"));
    x11test::pointTo(field.center());
    x11test::xdo({QStringLiteral("click"), QStringLiteral("1")});
    x11test::typeText(QStringLiteral("jeza"));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")) == QStringLiteral("jeza"); }))
        << copy.output().toStdString();
    // "jeża" is found without its accent, in each of the fourteen paragraphs.
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return markedPixels(x11test::screenshot(QStringLiteral("preview-marked")).copy(preview)) > 100;
    }, 10000));
}

QString storedSampleText() {
    QString stored;
    run(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
               QStringLiteral("editableSampleText")}, &stored);
    return stored.trimmed();
}

// Pixels of a picture that are clearly green.
int greenPixels(const QImage& shot) {
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.green() > 120 && c.red() < 80 && c.blue() < 80) ++n;
        }
    return n;
}

TEST(SampleText, TheEditorTakesPastedTextPlainAndNoChangeWhileItsEditButtonLocksIt) {
    x11test::pointTo(QPoint(1100, 80));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_EQ(url(QStringLiteral("runebox://pref?sample=My%20Text")), 0);
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=11")), 0);
    QRect editor;
    ASSERT_TRUE(waitForControl(QStringLiteral("sampleTextEditor"), &editor));
    clickAt(editor.center());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("focus")) == QStringLiteral("sampleTextEditor"); }))
        << copy.output().toStdString();
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("BackSpace")});

    // Green styled text copied in another program comes in as plain black text.
    ProbeClient probe;
    ASSERT_TRUE(probe.started());
    probe.setClipboard({{QStringLiteral("text/plain"), QByteArray("Green words")},
                        {QStringLiteral("text/html"), QByteArray("<span style=\"color:#00c000;font-size:40pt\">Green words</span>")}});
    ASSERT_TRUE(clipboardOffersHtml());
    // Once the palette knows the probe has the keyboard, the pointer comes over the palette
    // again and a click puts the keyboard into its editor.
    ASSERT_TRUE(Copy::waitForState([&probe](const QVariantMap& s) {
        return ewmh::windowPid(X11Session::shared(), s.value(QStringLiteral("keyboardOwner")).toULongLong()) == int(probe.pid());
    })) << copy.output().toStdString();
    x11test::pointTo(QPoint(1100, 80));
    clickAt(editor.center());
    const int palette = int(copy.process().processId());
    ASSERT_TRUE(rbxtest::waitFor([palette] { return processHasKeyboardFocus(palette); }, 10000));
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+v")});
    ASSERT_TRUE(rbxtest::waitFor([] { return storedSampleText() == QStringLiteral("Green words"); }, 10000))
        << storedSampleText().toStdString();
    // Pictures until the editor shows the text (or 10 s went by).
    QImage pasted;
    int dark = 0;
    rbxtest::waitFor([&] {
        pasted = x11test::screenshot(QStringLiteral("editor-pasted")).copy(editor);
        dark = 0;
        for (int y = 0; y < pasted.height(); ++y)
            for (int x = 0; x < pasted.width(); ++x) dark += qGray(pasted.pixel(x, y)) < 100;
        return dark > 50;
    }, 10000);
    EXPECT_EQ(greenPixels(pasted), 0);
    EXPECT_GT(dark, 50);

    // The edit button locks the text: typing changes nothing until it is pressed again.
    QRect edit;
    ASSERT_TRUE(waitForControl(QStringLiteral("sampleTextEditButton"), &edit));
    clickAt(edit.center());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("focus")) == QStringLiteral("sampleTextEditor"); }));
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("xyz")});
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+v")});
    rbxtest::spinEventLoop(1000);
    EXPECT_EQ(storedSampleText(), QStringLiteral("Green words"));
    clickAt(edit.center());
    clickAt(editor.center());
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+End")});
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("!")});
    EXPECT_TRUE(rbxtest::waitFor([] { return storedSampleText() == QStringLiteral("Green words!"); }, 10000))
        << storedSampleText().toStdString();
    // The edit button is there for the user's own text only.
    ASSERT_EQ(url(QStringLiteral("runebox://pref?sample=Lorem%20ipsum")), 0);
    EXPECT_TRUE(rbxtest::waitFor([] { return controlRect(QStringLiteral("sampleTextEditButton")).isEmpty(); }, 10000));
}

TEST(Listings, TheClipboardListingsReadWhatTheUserCopied) {
    QProcess owner;
    owner.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                         QStringLiteral("text/html")});
    ASSERT_TRUE(owner.waitForStarted());
    owner.write("<b>Bold</b> words");
    owner.closeWriteChannel();
    // xclip owns the clipboard once it read its input.
    ASSERT_TRUE(clipboardOffersHtml());
    QString types, clip, attr;
    run(Tool, {QStringLiteral("list"), QStringLiteral("!pbtypes")}, &types);
    EXPECT_TRUE(types.contains(QStringLiteral("text/html (17)"))) << types.toStdString();
    run(Tool, {QStringLiteral("list"), QStringLiteral("!clip")}, &clip);
    EXPECT_TRUE(clip.contains(QStringLiteral("\"text/html\" = 17: \"<b>Bold</b> words\"\n\n"))) << clip.toStdString();
    run(Tool, {QStringLiteral("list"), QStringLiteral("!attr")}, &attr);
    EXPECT_TRUE(attr.contains(QStringLiteral(" bold"))) << attr.toStdString();
    owner.kill();
    owner.waitForFinished(3000);
}
