#include "table/widgets/RbxBigCharView.h"

#include "insertion/RbxClipboardCopies.h"

#include "core/Log.h"
#include "table/widgets/RbxCharViewHooks.h"
#include "table/widgets/RbxNamedColors.h"
#include "table/widgets/RbxQtFonts.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

namespace {

// The string laid out on one line in the font (all ligatures on), other faces standing in
// for what the font lacks.
RbxGlyphLine layOut(const rbx::Font& font, const QString& string) {
    return RbxGlyphLayout::withInstalledSubstitutes(font).layOut(string);
}

QFont labelFont() {
    QFont f = QApplication::font();
    f.setPixelSize(9);
    return f;
}

} // namespace

RbxBigCharView::RbxBigCharView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void RbxBigCharView::setFont(const rbx::Font& font, const QString& string, bool usedInPopup) {
    charString_ = string;
    popup_ = usedInPopup;
    const double W = width(), H = height();
    const RbxGlyphLine at100 = layOut(font.withPointSize(100), string);
    // An empty string takes no room at all.
    const double w = string.isEmpty() ? 0 : at100.advance, h = string.isEmpty() ? 0 : at100.ascent + at100.descent;
    double s = 1;
    if (w != 0 && h != 0) s = std::min(0.75 * W / w, 0.75 * H / h);
    else if (h == 0 && w != 0) s = 0.75 * W / w;
    else if (w == 0 && h != 0) s = 0.75 * H / h;
    if (!(s > 0) || !std::isfinite(s)) s = 1;
    font_ = font ? font.withPointSize(100 * s) : rbx::Font();
    line_ = layOut(font_, string);
    const double fittedWidth = string.isEmpty() ? 0 : line_.advance;
    const double fittedHeight = string.isEmpty() ? 0 : line_.ascent + line_.descent;
    stringBox_ = QRectF((W - fittedWidth) / 2, (H - fittedHeight) / 2, fittedWidth, fittedHeight);
    update();
}

RbxBigCharView::GuideLines RbxBigCharView::guideLines() const {
    const auto m = rbx::qt::metrics(font_);
    GuideLines g;
    g.descender = stringBox_.y();
    g.baseline = g.descender - m.descender;
    g.capHeight = g.baseline + m.capHeight;
    g.xHeight = g.baseline + m.xHeight;
    g.ascender = g.baseline + m.ascender;
    return g;
}

void RbxBigCharView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawRect(p);
}

void RbxBigCharView::drawBackground(QPainter& p) {
    p.save();
    p.setPen(QPen(QColor::fromRgbF(0.6f, 0.6f, 0.6f), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    p.restore();
}

void RbxBigCharView::drawAuxLine(QPainter& p, double y, double from, double to, bool dashed) {
    QPen pen = p.pen();
    if (dashed) pen.setDashPattern({4.0 / pen.widthF(), 3.0 / pen.widthF()});
    else pen.setStyle(Qt::SolidLine);
    p.save();
    p.setPen(pen);
    const double v = std::floor(toViewY(y)) + 0.5;
    p.drawLine(QPointF(from, v), QPointF(to, v));
    p.restore();
}

void RbxBigCharView::drawLabelLeft(QPainter& p, const QString& text, double y, bool above) {
    // The first line where asked, every further one below it.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QFontMetricsF fm(labelFont());
    double below = above ? 0 : 10;
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) below += 10;
        p.drawText(QPointF(2, toViewY(y - below) - fm.descent()), lines[i]);
    }
}

void RbxBigCharView::drawLabelRight(QPainter& p, const QString& text, double y, bool above) {
    const QFontMetricsF fm(labelFont());
    const double bottom = toViewY(above ? y : y - 10);
    p.drawText(QPointF(width() - 2 - fm.horizontalAdvance(text), bottom - fm.descent()), text);
}

void RbxBigCharView::drawRect(QPainter& p) {
    if (!popup_) drawBackground(p);
    if (!font_) return;
    const QRectF box = stringBox_;
    const double W = width();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(popup_ ? QColor(rbx::colors::named(QStringLiteral("magnifierInfoLinesColor"))) : QColor(Qt::lightGray), 1));
    // The left and right edges of the string.
    const double left = std::floor(box.x()) + 0.5;
    p.drawLine(QPointF(left, 0), QPointF(left, height()));
    if (box.width() > 0) {
        const double right = std::floor(box.x() + box.width()) + 0.5;
        p.drawLine(QPointF(right, 0), QPointF(right, height()));
    }
    const GuideLines g = guideLines();
    const double boxRight = box.x() + box.width();
    drawAuxLine(p, g.baseline, 0, boxRight, false);
    drawAuxLine(p, g.capHeight, 0, boxRight, false);
    drawAuxLine(p, g.descender, g.descender == g.baseline ? boxRight : box.x(), W, true);
    drawAuxLine(p, g.xHeight, g.xHeight == g.capHeight ? boxRight : box.x(), W, true);
    drawAuxLine(p, g.ascender, g.ascender == g.capHeight ? boxRight : box.x(), W, true);
    p.restore();

    if (!popup_) {
        p.save();
        p.setFont(labelFont());
        p.setPen(Qt::gray);
        drawLabelLeft(p, QStringLiteral("Baseline"), g.baseline, g.capHeight - g.baseline > 10);
        drawLabelLeft(p, QStringLiteral("Cap height"), g.capHeight, true);
        drawLabelRight(p, QStringLiteral("Descender"), g.descender, true);
        drawLabelRight(p, QStringLiteral("Ascender"), g.ascender, true);
        drawLabelRight(p, QStringLiteral("x-height"), g.xHeight, g.ascender - g.xHeight > 10);
        p.restore();
    }

    if (line_.runs.isEmpty() || charString_.isEmpty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(popup_ ? QColor(rbx::colors::named(QStringLiteral("bigCharColor"))) : QColor(Qt::black));
    const QPointF baseline(box.x(), toViewY(box.y() + box.height()) + line_.ascent);
    for (const QGlyphRun& run : line_.runs) p.drawGlyphRun(baseline, run);
    p.restore();
}

// ---------------------------------------------------------------- copying

std::unique_ptr<QMenu> RbxBigCharView::menu() {
    auto m = std::make_unique<QMenu>(this);
    m->addAction(QStringLiteral("Copy As PDF"), this, &RbxBigCharView::copyAsPDF);
    m->addAction(QStringLiteral("Copy As PNG"), this, &RbxBigCharView::copyAsPNG);
    return m;
}

void RbxBigCharView::contextMenuEvent(QContextMenuEvent* event) {
    auto m = menu();
    m->exec(event->globalPos());
}

QByteArray RbxBigCharView::pdfData() {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(std::max(1, width()), std::max(1, height())), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&writer);
        drawRect(p);
    }
    return data;
}

QByteArray RbxBigCharView::pngData() {
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        drawRect(p);
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

void RbxBigCharView::copyAsPDF() { RbxTableClipboard::shared().publishData(pdfData(), QStringLiteral("application/pdf")); }

void RbxBigCharView::copyAsPNG() { RbxTableClipboard::shared().publishData(pngData(), QStringLiteral("image/png")); }

// ---------------------------------------------------------------- events

void RbxBigCharView::paste() { kx::log(QStringLiteral("Paste not supported")); }
void RbxBigCharView::pasteAsPlainText() { kx::log(QStringLiteral("Paste not supported")); }
void RbxBigCharView::cut() { kx::log(QStringLiteral("Cut not supported")); }
void RbxBigCharView::copy() { kx::log(QStringLiteral("Copy not supported")); }
void RbxBigCharView::undo() { kx::log(QStringLiteral("Undo not supported")); }
void RbxBigCharView::redo() { kx::log(QStringLiteral("Redo not supported")); }

void RbxBigCharView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) paste();
    else if (event->matches(QKeySequence::Cut)) cut();
    else if (event->matches(QKeySequence::Copy)) copy();
    else if (event->matches(QKeySequence::Undo)) undo();
    else if (event->matches(QKeySequence::Redo)) redo();
    event->accept();
}

void RbxBigCharView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void RbxBigCharView::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
