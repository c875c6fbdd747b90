#include "kxlib/gui/CenteredTextFieldCell.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace kx {

QRectF centeredTextFrame(const QRectF& frame, qreal ascent, qreal descent) {
    const qreal inset = std::floor((frame.height() - (ascent + std::abs(descent))) / 2);
    return frame.adjusted(0, inset, 0, -inset);
}

QRectF centeredTextFrame(const QRectF& frame, const QFont& font) {
    const QFontMetricsF m(font);
    return centeredTextFrame(frame, m.ascent(), m.descent());
}

void drawCenteredText(QPainter& painter, const QRectF& frame, const QString& text, const QFont& font,
                      Qt::Alignment alignment) {
    const QRectF inner = centeredTextFrame(frame, font);
    const QFontMetricsF m(font);
    const qreal width = m.horizontalAdvance(text);
    qreal x = inner.left();
    if (alignment & Qt::AlignHCenter) x = inner.left() + (inner.width() - width) / 2;
    else if (alignment & Qt::AlignRight) x = inner.right() - width;
    painter.save();
    painter.setFont(font);
    painter.drawText(QPointF(x, inner.top() + m.ascent()), text);
    painter.restore();
}

} // namespace kx

CenteredTextFieldCell::CenteredTextFieldCell(QWidget* parent) : QWidget(parent) {
    color_ = palette().color(QPalette::WindowText);
}

void CenteredTextFieldCell::setText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

void CenteredTextFieldCell::setTextColor(const QColor& color) {
    color_ = color;
    update();
}

void CenteredTextFieldCell::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QSize CenteredTextFieldCell::sizeHint() const {
    const QFontMetricsF m(font());
    return QSize(int(std::ceil(m.horizontalAdvance(text_))) + 4, int(std::ceil(m.height())) + 2);
}

void CenteredTextFieldCell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(color_);
    kx::drawCenteredText(p, QRectF(rect()), text_, font(), alignment_);
}
