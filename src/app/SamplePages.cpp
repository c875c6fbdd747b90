#include "app/SamplePages.h"

#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/AttributedStringDocument.h"
#include "model/RbxSampleText.h"
#include "print/PrintModule.h"
#include "table/widgets/RbxPrintBanner.h"
#include "table/widgets/RbxQtFonts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace rbx::sample {

namespace {

constexpr double BannerHeight = 40;

kx::TextFont textFontOf(const rbx::Font& font, double size) {
    const std::optional<QFont> q = font ? rbx::qt::textFont(font) : std::nullopt;
    kx::TextFont f = q ? kx::textFont(*q) : kx::TextFont{};
    f.pointSize = size;
    return f;
}

QFont systemFont(double size) {
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(size))));
    return f;
}

// A font size shrunk a point at a time while the text is wider than `maxWidth`.
double fittingSize(const QString& text, double size, double maxWidth, const std::function<QFont(double)>& fontAt) {
    while (size > 8 && QFontMetricsF(fontAt(size)).horizontalAdvance(text) > maxWidth) size -= 1;
    return size;
}

// The bottom of the last whole line that ends within `height` (the first line's bottom
// when even that one does not fit).
double shortenText(QTextDocument& doc, double height) {
    double best = -1, first = -1;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QRectF blockRect = doc.documentLayout()->blockBoundingRect(b);
        QTextLayout* layout = b.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const double bottom = blockRect.top() + line.rect().bottom();
            if (first < 0) first = bottom;
            if (bottom <= height) best = bottom;
        }
    }
    return best >= 0 ? best : std::max(first, 0.0);
}

void drawDocument(QPainter& painter, QTextDocument& doc, const QPointF& at, double height) {
    painter.save();
    painter.translate(at);
    doc.drawContents(&painter, QRectF(0, 0, doc.textWidth(), height));
    painter.restore();
}

} // namespace

kx::TextAlignment sampleAlignment() {
    return RbxDefaults::userDefaults().defaultSampleAlignment() == 3 ? kx::TextAlignment::Justified : kx::TextAlignment::Natural;
}

kx::TextAttributes textAttributes(const rbx::Font& font, double size, kx::TextAlignment alignment, double spacing) {
    kx::TextAttributes a;
    a.font = textFontOf(font, size);
    a.alignment = alignment;
    a.paragraphSpacing = spacing;
    a.foreground = 0xFF000000;
    return a;
}

kx::AttributedString previewText(const rbx::Font& font, const QString& sample, const QString& introduction) {
    kx::AttributedString text(introduction + QStringLiteral("\n\n"), textAttributes(font, 14, kx::TextAlignment::Center));
    const QString oneLine = RbxSampleText::previewSample(sample);
    const kx::TextAlignment alignment = sampleAlignment();
    bool first = true;
    for (int size : RbxSampleText::PreviewSizes) {
        if (!first) text.append(QStringLiteral("\n\n"), textAttributes(font, size, alignment));
        first = false;
        text.append(RbxSampleText::previewParagraph(oneLine, size), textAttributes(font, size, alignment));
    }
    return text;
}

double drawHeader(QPainter* painter, const QString& text, double maxWidth, double height, double pageWidth) {
    const double size = fittingSize(text, 18, maxWidth, systemFont);
    const QFont font = systemFont(size);
    const double t = QFontMetricsF(font).height();
    const double before = (height - t / 2) / 2;
    const double after = height / 2 + (height - t / 2) / 2;
    if (painter) {
        painter->save();
        painter->setFont(font);
        painter->setPen(Qt::black);
        painter->drawText(QRectF(0, before, pageWidth, t), Qt::AlignHCenter | Qt::AlignTop, text);
        painter->restore();
    }
    return before + t + after;
}

double previewPart(QPainter* painter, const QString& paragraph, const rbx::Font& font, double size, double width, double height) {
    // The prefix before the first blank becomes the part's own size.
    QString text = paragraph;
    const qsizetype blank = text.indexOf(u' ');
    if (blank >= 0) text.replace(0, blank, QString::number(size, 'f', 0));
    QTextDocument doc;
    doc.setDocumentMargin(0);
    doc.setTextWidth(width);
    kx::setDocumentText(doc, kx::AttributedString(text, textAttributes(font, size, sampleAlignment())));
    const double used = shortenText(doc, height);
    if (painter) drawDocument(*painter, doc, QPointF(0, 0), used);
    return used;
}

void paintSampleTextPage(QPainter& painter, const QSizeF& page, const rbx::Font& font, const QString& sample, double size) {
    painter.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
    RbxToolsDrawing::drawPrintBannerInRect(painter, QRectF(0, 0, page.width(), BannerHeight));
    const QString title = QStringLiteral("%1, %2 pt").arg(font.displayName(), QString::number(size, 'f', 0));
    const double top = drawHeader(&painter, title, page.width() - 120, BannerHeight, page.width());
    QTextDocument doc;
    doc.setDocumentMargin(0);
    doc.setTextWidth(page.width());
    kx::setDocumentText(doc, kx::AttributedString(RbxSampleText::printText(sample),
                                                  textAttributes(font, size, sampleAlignment(), std::round(size) * 0.25)));
    // One page: what does not fit stays off the paper.
    drawDocument(painter, doc, QPointF(0, top), shortenText(doc, page.height() - top));
}

void paintPreviewPage(QPainter& painter, const QSizeF& page, const rbx::Font& font, const QString& sample) {
    const double w = page.width(), h = page.height();
    painter.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
    RbxToolsDrawing::drawPrintBannerInRect(painter, QRectF(0, 0, w, BannerHeight));
    drawHeader(&painter, font.displayName(), w - 120, BannerHeight, w);

    // The introduction, centred, 55 points from the top.
    const QString intro = kx::loc(QStringLiteral("__PREVIEW_TOP__"));
    const double introSize = fittingSize(intro, 12, 0.9 * w, [&](double s) { return kx::qFont(textFontOf(font, s)); });
    QTextDocument introDoc;
    introDoc.setDocumentMargin(0);
    introDoc.setTextWidth(w);
    kx::setDocumentText(introDoc, kx::AttributedString(intro, textAttributes(font, introSize, kx::TextAlignment::Center)));
    const double u = introDoc.size().height();
    drawDocument(painter, introDoc, QPointF(0, 55), u);

    // The parts from the bottom up, 10 points apart, in the space left (never below none).
    const QString paragraph = QStringLiteral("18 pt: ") + RbxSampleText::previewSample(sample);
    double remaining = std::max(0.0, h - 40 - 15 - u - 40);
    double bottom = h;
    auto place = [&](double size, double x, double width, double height) {
        const double used = previewPart(nullptr, paragraph, font, size, width, height);
        painter.save();
        painter.translate(x, bottom - used);
        previewPart(&painter, paragraph, font, size, width, height);
        painter.restore();
        return used;
    };
    // A row of two parts side by side, as tall as the taller one; then the space above it.
    const double column = (w - 8) / 2;
    auto placeRow = [&](double left, double right, double height) {
        const double rowHeight = std::max(previewPart(nullptr, paragraph, font, left, column, height),
                                          previewPart(nullptr, paragraph, font, right, column, height));
        painter.save();
        painter.translate(0, bottom - rowHeight);
        previewPart(&painter, paragraph, font, left, column, height);
        painter.translate(column + 8, 0);
        previewPart(&painter, paragraph, font, right, column, height);
        painter.restore();
        return rowHeight;
    };
    auto advance = [&](double used) {
        remaining = std::max(0.0, remaining - used - 10);
        bottom -= used + 10;
    };
    advance(place(18, 0, w, remaining / 53 * 18));
    advance(place(14, 0, w, remaining / 35 * 14));
    advance(placeRow(10, 12, remaining / 21 * 12));
    placeRow(8, 9, remaining);
}

namespace {

// A sample page as the print module paints it.
class PrintedPage : public rbx::print::Page {
public:
    PrintedPage(sample::Page page, const rbx::Font& font, const QString& sample, double size)
        : page_(page), font_(font), sample_(sample), size_(size) {}
    void paint(QPainter& painter, const QSizeF& area) const override {
        if (page_ == sample::Page::SampleText)
            paintSampleTextPage(painter, area, font_, sample_, size_);
        else
            paintPreviewPage(painter, area, font_, sample_);
    }
    void cannotBegin() const override { kx::log(QStringLiteral("printing could not begin")); }

private:
    sample::Page page_;
    rbx::Font font_;
    QString sample_;
    double size_;
};

} // namespace

namespace {

rbx::print::Outcome printPage(const QString& pdf, Page page, const rbx::Font& font, const QString& sample,
                              double size, QDialog** dialog) {
    const rbx::print::PrintFunction print = rbx::print::printFunction();
    if (!print) return rbx::print::Outcome::Failed;
    const QString title = page == Page::SampleText
                              ? QStringLiteral("%1, %2 pt").arg(font.displayName(), QString::number(size, 'f', 0))
                              : font.postScriptName();
    return print(title, pdf, std::make_shared<const PrintedPage>(page, font, sample, size), dialog);
}

} // namespace

bool printToPdf(const QString& file, Page page, const rbx::Font& font, const QString& sample, double size) {
    QDialog* none = nullptr;
    return !file.isEmpty() && printPage(file, page, font, sample, size, &none) == rbx::print::Outcome::Printed;
}

QDialog* printDialog(Page page, const rbx::Font& font, const QString& sample, double size) {
    QDialog* dialog = nullptr;
    return printPage(QString(), page, font, sample, size, &dialog) == rbx::print::Outcome::Later ? dialog : nullptr;
}

QString printToPdfFile() { return qEnvironmentVariable("RUNEBOX_PRINT_TO_PDF"); }

} // namespace rbx::sample
