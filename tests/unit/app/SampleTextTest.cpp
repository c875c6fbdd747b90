// The sample texts, the preview's paragraphs, the printed text, the marks of the text
// views, and the text view's editing rules.
#include "AppFixture.h"

#include "app/RbxTextEditView.h"
#include "app/SamplePages.h"
#include "app/TextHighlighting.h"
#include "kxlib/SettingsKeys.h"
#include "model/FontExtensions.h"
#include "model/RbxSampleText.h"
#include "table/widgets/RbxNamedColors.h"

#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

using rbx::highlight::Range;

using SampleText = AppTest;

TEST_F(SampleText, TheChosenSampleAndWhatCAndRStandFor) {
    RbxSampleText::reload();
    const QStringList titles = RbxSampleText::sampleTextTitles();
    ASSERT_GE(titles.size(), 10);
    EXPECT_EQ(titles.mid(0, 3), QStringList({QStringLiteral("Lorem ipsum"), QStringLiteral("My Text"), QStringLiteral("Font Repertoire")}));
    for (const QVariant& v : RbxSampleText::sampleTextDictionaries())
        EXPECT_FALSE(v.toMap().value(QStringLiteral("text")).toString().isEmpty());

    // No choice: "Lorem ipsum".
    store->setString(QString(), rbx::key::sample.qname());
    EXPECT_EQ(RbxSampleText::selectedSampleTextTitle(), QStringLiteral("Lorem ipsum"));
    EXPECT_TRUE(RbxSampleText::selectedSampleText().startsWith(QStringLiteral("Lorem ipsum dolor sit amet")));
    // A title the file does not have gives nothing.
    store->setString(QStringLiteral("Klingon"), rbx::key::sample.qname());
    EXPECT_EQ(RbxSampleText::selectedSampleText(), QString());
    // "My Text" is the user's text, or the introduction when there is none.
    store->setString(QStringLiteral("My Text"), rbx::key::sample.qname());
    store->setString(QStringLiteral("mine"), rbx::key::editableSampleText.qname());
    EXPECT_EQ(RbxSampleText::selectedSampleText(), QStringLiteral("mine"));
    store->removeObjectForKey(rbx::key::editableSampleText.qname());
    EXPECT_EQ(RbxSampleText::sampleTextWithTitle(QStringLiteral("My Text")).isEmpty(), false);
    EXPECT_EQ(RbxSampleText::sampleTextWithTitle(QStringLiteral("English")).left(9), QStringLiteral("The quick"));
    EXPECT_TRUE(RbxSampleText::isUsersOwnText(QStringLiteral("My Text")));
    EXPECT_FALSE(RbxSampleText::isUsersOwnText(QStringLiteral("Lorem ipsum")));
    EXPECT_FALSE(RbxSampleText::isUsersOwnText(QStringLiteral("Klingon")));
}

TEST(SampleTextRules, PreviewParagraphsAndThePrintedText) {
    const QString thousand = QString(998, u'x') + QStringLiteral("\n\n");
    EXPECT_EQ(RbxSampleText::previewParagraph(thousand, 8), QStringLiteral("8 pt: ") + QString(900, u'x'));
    EXPECT_EQ(RbxSampleText::previewParagraph(thousand, 40), QStringLiteral("40 pt: ") + QString(180, u'x'));
    // The cut never splits a surrogate pair; trailing line feeds go.
    const QString emoji = QString(179, u'a') + QStringLiteral("\U0001F600b");
    EXPECT_EQ(RbxSampleText::previewParagraph(emoji, 40), QStringLiteral("40 pt: ") + QString(179, u'a'));
    EXPECT_EQ(RbxSampleText::previewParagraph(QStringLiteral("ab\n\n"), 10), QStringLiteral("10 pt: ab"));
    EXPECT_EQ(RbxSampleText::previewSample(QStringLiteral("a\nb\n")), QStringLiteral("a b "));

    const QString printed = RbxSampleText::printText(QStringLiteral("Short text\n\t"));
    EXPECT_GE(printed.size(), 20000);
    EXPECT_LT(printed.size(), 40002);
    EXPECT_TRUE(printed.startsWith(QStringLiteral("Short text\nShort text\nShort text")));
    EXPECT_EQ(printed.count(QStringLiteral("Short text")), printed.count(u'\n') + 1);
    EXPECT_TRUE(RbxSampleText::printText(QStringLiteral(" \n")).startsWith(QStringLiteral(" \n \n ")));
    EXPECT_EQ(RbxSampleText::printText(QString()), QString());

    EXPECT_FALSE(RbxSampleText::isPrintable(QStringLiteral("  \n \n\t")));
    EXPECT_FALSE(RbxSampleText::isPrintable(QString()));
    EXPECT_TRUE(RbxSampleText::isPrintable(QStringLiteral(" \n.")));
}

TEST(SampleTextRules, PreviewTextHasEverySizeInOrder) {
    const kx::AttributedString text = rbx::sample::previewText(rbx::Font(), QStringLiteral("Sample\nline"), QStringLiteral("Intro"));
    const QStringList paragraphs = text.string().split(QStringLiteral("\n\n"));
    ASSERT_EQ(paragraphs.size(), 15);
    EXPECT_EQ(paragraphs[0], QStringLiteral("Intro"));
    EXPECT_EQ(text.attributesAt(0).font->pointSize, 14);
    EXPECT_EQ(text.attributesAt(0).alignment, kx::TextAlignment::Center);
    qsizetype at = paragraphs[0].size() + 2;
    for (int i = 0; i < 14; ++i) {
        const int size = RbxSampleText::PreviewSizes[std::size_t(i)];
        EXPECT_EQ(paragraphs[i + 1], QStringLiteral("%1 pt: Sample line").arg(size));
        EXPECT_EQ(text.attributesAt(at).font->pointSize, size);
        at += paragraphs[i + 1].size() + 2;
    }
}

TEST(TextHighlighting, WordsIgnoreCaseAndAccentsAndMissingRunsReachTheEnds) {
    const QString text = QStringLiteral("Été, ete and E\u0301TE\u0301 ; été");
    const std::vector<Range> found = rbx::highlight::foldedMatches(text, QStringLiteral("ete"));
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], (Range{0, 3}));
    EXPECT_EQ(found[1], (Range{5, 3}));
    EXPECT_EQ(found[2], (Range{13, 5}));  // decomposed accents belong to the match
    EXPECT_EQ(found[3], (Range{21, 3}));
    EXPECT_TRUE(rbx::highlight::foldedMatches(text, QStringLiteral("\u0301")).empty());
    EXPECT_EQ(rbx::highlight::foldedMatches(QStringLiteral("xXx"), QStringLiteral("xx")).size(), 1u);

    kx::CharSet filtered;
    filtered.addCharacter(U'\U0001F600');
    filtered.addCharacter(u'e');
    const std::vector<Range> marks =
        rbx::highlight::filterRanges(QStringLiteral("a\U0001F600 e big"), &filtered, QStringLiteral("e  BI"));
    // The characters (a pair as one), then the word "BI"; "e" is in the set already.
    EXPECT_EQ(marks, (std::vector<Range>{{1, 2}, {4, 1}, {6, 2}}));

    kx::CharSet covered = kx::CharSet::fromString(QStringLiteral("abc"));
    EXPECT_EQ(rbx::highlight::uncoveredRuns(QStringLiteral("xyab\nz\U0001F600"), covered),
              (std::vector<Range>{{0, 2}, {5, 3}}));
    EXPECT_TRUE(rbx::highlight::uncoveredRuns(QStringLiteral("abc\n"), covered).empty());
}

TEST(TextEditView, PlainInputOnlyWhileEditableAndTheMarks) {
    RbxTextEditView view;
    view.setEditable(false);
    QMimeData rich;
    rich.setHtml(QStringLiteral("<b>bold</b>"));
    rich.setText(QStringLiteral("bold"));
    view.insertFromMimeData(&rich);
    EXPECT_TRUE(view.toPlainText().isEmpty());
    EXPECT_FALSE(view.canInsertFromMimeData(&rich));
    view.setEditable(true);
    EXPECT_TRUE(view.canInsertFromMimeData(&rich));
    view.insertFromMimeData(&rich);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("bold"));
    QTextCursor c(view.document());
    c.setPosition(2);
    EXPECT_NE(c.charFormat().fontWeight(), QFont::Bold);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b.txt"))});
    view.insertFromMimeData(&files);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("bold/tmp/a b.txt"));

    view.setPlainText(QStringLiteral("ab\u0416cd\u0416"));
    view.setCoveredCharacters(std::make_shared<const kx::CharSet>(kx::CharSet::fromString(QStringLiteral("abcd"))));
    view.updateHighlighting();
    const QColor substitution = rbx::colors::named(QStringLiteral("charSubstitutionColor")).aquaColor();
    QTextCursor at(view.document());
    at.setPosition(3);  // after the first Zhe
    EXPECT_EQ(at.charFormat().foreground().color(), substitution);
    EXPECT_EQ(at.charFormat().background().color(), QColor(Qt::white));
    at.setPosition(2);
    EXPECT_NE(at.charFormat().foreground().color(), substitution);
    at.setPosition(6);
    EXPECT_EQ(at.charFormat().foreground().color(), substitution);
}

namespace {

// The rows of a page picture that hold dark ink.
std::vector<int> inkRows(const QImage& page) {
    std::vector<int> rows;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 100) {
                rows.push_back(y);
                break;
            }
    return rows;
}

QImage previewPage(const QSizeF& size, const rbx::Font& font, const QString& sample) {
    QImage page(size.toSize(), QImage::Format_RGB32);
    page.fill(Qt::red);
    QPainter painter(&page);
    rbx::sample::paintPreviewPage(painter, size, font, sample);
    return page;
}

} // namespace

TEST(SamplePages, ThePreviewPageFillsFromTheBottomUpAndAShortPageStillGetsEachPart) {
    const rbx::Font font = rbx::font::availableFontWithName(QStringLiteral("DejaVuSans"), 12);
    if (!font) GTEST_SKIP() << "DejaVu Sans is not installed";
    const QString sample = RbxSampleText::sampleTextWithTitle(QStringLiteral("Lorem ipsum"));

    // A page of paper: white all over, the parts reaching down to its bottom edge.
    const QImage page = previewPage(QSizeF(420, 595), font, sample);
    EXPECT_EQ(page.pixelColor(2, 300), QColor(Qt::white));
    const std::vector<int> rows = inkRows(page);
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.back(), 595 - 10);
    // The parts fill the space between the introduction and the bottom: few rows stay empty.
    EXPECT_GT(double(std::count_if(rows.begin(), rows.end(), [](int y) { return y > 120; })) / (595 - 120), 0.5);

    // A page too short for the parts (no space left below the introduction): each part
    // still gets its first line, from the bottom up, and nothing is drawn off the page.
    const QImage shortPage = previewPage(QSizeF(420, 130), font, sample);
    const std::vector<int> shortRows = inkRows(shortPage);
    ASSERT_FALSE(shortRows.empty());
    EXPECT_GE(shortRows.back(), 130 - 10);
    for (int y = 0; y < shortPage.height(); ++y) EXPECT_NE(shortPage.pixelColor(0, y), QColor(Qt::red)) << y;
}
