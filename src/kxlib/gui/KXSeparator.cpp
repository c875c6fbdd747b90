#include "kxlib/gui/KXSeparator.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

KXSeparator::KXSeparator(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setMinimumHeight(1);
}

void KXSeparator::setDash(const QVector<qreal>& dash) {
    dash_ = dash;
    update();
}

void KXSeparator::setLeftOffset(qreal offset) {
    leftOffset_ = offset;
    update();
}

void KXSeparator::setRightOffset(qreal offset) {
    rightOffset_ = offset;
    update();
}

void KXSeparator::setBorderColor(const QColor& color) {
    borderColor_ = color;
    update();
}

void KXSeparator::setBorderWidth(qreal width) {
    borderWidth_ = width;
    update();
}

QColor KXSeparator::borderColor() const {
    return borderColor_.isValid() ? borderColor_ : palette().color(QPalette::Mid);
}

QPainterPath KXSeparator::linePath(const QRectF& box, qreal leftOffset, qreal rightOffset) {
    const qreal middle = box.top() + box.height() / 2;
    const qreal left = leftOffset >= 0 ? box.bottom() - leftOffset : middle;
    const qreal right = rightOffset >= 0 ? box.bottom() - rightOffset : middle;
    QPainterPath path(QPointF(box.left(), left));
    if (left != right) {
        // Two quarter turns: off the left height, through the middle of the two heights,
        // onto the right height.
        const qreal r = std::min(std::abs(right - left) / 2, box.width() / 2);
        const qreal turn = (left + right) / 2;
        const qreal k = 0.5523 * r;  // the control distance of a quarter circle
        const qreal x0 = box.left();
        const qreal dy = right > left ? 1 : -1;
        path.cubicTo(QPointF(x0 + k, left), QPointF(x0 + r, turn - dy * k), QPointF(x0 + r, turn));
        path.cubicTo(QPointF(x0 + r, turn + dy * k), QPointF(x0 + 2 * r - k, right), QPointF(x0 + 2 * r, right));
    }
    path.lineTo(QPointF(box.right(), right));
    return path;
}

QVector<qreal> KXSeparator::penDashPattern(const QVector<qreal>& dash, qreal penWidth) {
    if (dash.isEmpty() || dash[0] <= 0) return {};
    const qreal w = penWidth > 0 ? penWidth : 1;
    const qreal gap = dash.size() >= 2 ? dash[1] : dash[0];
    if (gap <= 0) return {};
    return {dash[0] / w, gap / w};
}

void KXSeparator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(borderColor(), borderWidth_);
    pen.setCapStyle(Qt::FlatCap);
    if (const QVector<qreal> pattern = penDashPattern(dash_, borderWidth_); !pattern.isEmpty()) {
        pen.setDashPattern(pattern);
        pen.setDashOffset(0);
    }
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(linePath(QRectF(rect()), leftOffset_, rightOffset_));
}
