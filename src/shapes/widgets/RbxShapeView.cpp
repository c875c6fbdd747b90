#include "shapes/widgets/RbxShapeView.h"

#include "core/Log.h"
#include "shapes/ShapeRenderer.h"
#include "table/widgets/RbxNamedColors.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

namespace shapes {

RbxShapeView::RbxShapeView(QString animationFolder, QWidget* parent)
    : QWidget(parent), pad_(QSize(PadWidth, PadHeight)), fonts_(pad_.geometry()),
      animation_(std::move(animationFolder)) {
    setObjectName(QStringLiteral("shapePad"));
    setFixedSize(pad_.geometry().size);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    connect(&pad_, &ShapePad::needsDisplay, this, qOverload<>(&QWidget::update));
    connect(&animation_, &ShapeAnimation::changed, this, qOverload<>(&QWidget::update));
}

void RbxShapeView::setCompareCharacters(const QString& text) {
    compareCharacters_ = text;
    update();
}

// ---- mouse and keys ----------------------------------------------------------------------

void RbxShapeView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    animation_.stop();
    setFocus(Qt::MouseFocusReason);
    lastMouse_ = toPad(e->position());
    pad_.beginStroke(lastMouse_, e->modifiers() & Qt::ShiftModifier);
}

void RbxShapeView::mouseMoveEvent(QMouseEvent* e) {
    if (!pad_.isDrawing()) return;
    lastMouse_ = toPad(e->position());
    followShift(e->modifiers() & Qt::ShiftModifier);
    pad_.dragTo(lastMouse_);
}

void RbxShapeView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !pad_.isDrawing()) return;
    pad_.endStroke();
}

void RbxShapeView::followShift(bool shift) {
    if (pad_.isDrawing() && shift != pad_.isStraight()) pad_.shiftChanged(shift, lastMouse_);
}

void RbxShapeView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Shift) return followShift(true);
    if (e->matches(QKeySequence::Undo)) return pad_.undo();
    if (e->matches(QKeySequence::Redo)) return pad_.redo();
    if (e->matches(QKeySequence::Paste)) return paste();
    if (e->matches(QKeySequence::Cut)) return kx::log(QStringLiteral("Cut not yet supported"));
    if (e->matches(QKeySequence::Copy)) return kx::log(QStringLiteral("Copy not yet supported"));
    switch (e->key()) {
    case Qt::Key_Right: return pad_.redo();
    case Qt::Key_Left: return pad_.undo();
    case Qt::Key_Delete:
    case Qt::Key_Backspace: return pad_.clear();
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return QWidget::keyPressEvent(e);  // the sheet's buttons
    default: break;
    }
    const QList<uint> units = e->text().toUcs4();
    if (units.size() == 1 && units.first() >= 32 && !(units.first() >= 0xF700 && units.first() <= 0xF8FF)) {
        const char32_t c = char32_t(units.first());
        if (c >= 33) animation_.stop();
        pad_.setBackgroundCharacter(c);
        return;
    }
    if (e->key() >= Qt::Key_Shift && e->key() <= Qt::Key_ScrollLock) return;  // modifiers alone
    kx::log(QStringLiteral("unsupported shape key: %1").arg(units.size() == 1 ? int(units.first()) : 0));
}

void RbxShapeView::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Shift) return followShift(false);
    QWidget::keyReleaseEvent(e);
}

void RbxShapeView::takeBackground(const QString& text, const QString& font) {
    if (text.isEmpty()) return;
    // The first character, also when it lies beyond 16 bits.
    const char32_t c = char32_t(text.toUcs4().value(0));
    if (c >= 33) animation_.stop();
    pad_.setBackgroundCharacter(c, font);
}

void RbxShapeView::paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data && data->hasText()) takeBackground(data->text(), QString());
}

void RbxShapeView::pasteAsPlainText() { paste(); }

void RbxShapeView::hideEvent(QHideEvent* e) {
    animation_.stop();
    QWidget::hideEvent(e);
}

// ---- drawing -------------------------------------------------------------------------------

void RbxShapeView::drawGuides(QPainter& p) {
    const ShapeGeometry& g = pad_.geometry();
    const int h = height();
    const QRectF inner(g.innerRect.x(), h - g.innerRect.bottom(), g.innerRect.width(), g.innerRect.height());
    p.fillRect(inner, Qt::white);
    const QColor ink(0, 0, 0, int(0.3 * 255));
    const double x0 = inner.left() + 10, x1 = inner.right() - 10;
    auto line = [&](float y, double width, bool dashed) {
        QPen pen(ink, width);
        if (dashed) pen.setDashPattern({4, 3});
        p.setPen(pen);
        // Thin lines lie half a unit below their value.
        const double yy = h - (width < 2 ? y - 0.5 : y);
        p.drawLine(QPointF(x0, yy), QPointF(x1, yy));
    };
    line(g.descentLineY, 1, true);
    line(g.baseLineY, 2, false);
    line(g.lowerLineY, 1, true);
    line(g.upperLineY, 1, false);
}

void RbxShapeView::fillText(QPainter& p, const QString& text, const QString& font, const QColor& color, bool left) {
    p.fillPath(fonts_.textPath(text, font, left), color);
}

void RbxShapeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int h = height();
    drawGuides(p);
    const bool nothingDrawn = pad_.numberOfAllPaths() == 0 && !pad_.isDrawing();
    if (nothingDrawn && pad_.backgroundCharacter() < 33) animation_.startAfter(5000);
    const QColor lightGrey(0xAA, 0xAA, 0xAA);
    const QColor blue = rbx::colors::named(QStringLiteral("blueSelectionColor"));
    const QString defaultFont = BigFonts::backgroundFontName(QString());
    if (!compareCharacters_.isEmpty()) fillText(p, compareCharacters_, defaultFont, lightGrey, true);

    if (animation_.isRunning()) {
        if (!pad_.isEmpty()) {
            animation_.stop();
        } else {
            const char32_t bg = animation_.backgroundCharacter();
            if (bg >= 33) fillText(p, QString::fromUcs4(&bg, 1), defaultFont, lightGrey);
            const QRectF inner(pad_.geometry().innerRect.x(), h - pad_.geometry().innerRect.bottom(),
                               pad_.geometry().innerRect.width(), pad_.geometry().innerRect.height());
            if (animation_.strokeBegun()) {
                QFont demo = font();
                demo.setBold(true);
                demo.setPixelSize(25);
                p.setFont(demo);
                p.setPen(lightGrey);
                p.drawText(QRectF(inner.left(), inner.bottom() - 12 - 30, inner.width(), 30),
                           Qt::AlignHCenter | Qt::AlignBottom, tr("DEMO"));
            }
            if (animation_.animatingStraightLine()) {
                QFont shift = font();
                shift.setPixelSize(40);
                p.setFont(shift);
                p.setPen(lightGrey);
                p.drawText(QPointF(inner.left() + 10, inner.top() + 5 + 40), QStringLiteral("\u21E7"));
            }
            p.setPen(strokePen(lightGrey));
            for (const Stroke& s : animation_.finishedStrokes()) p.drawPath(strokePath(s, h));
            if (!animation_.growingStroke().isEmpty()) {
                p.setPen(strokePen(blue));
                p.drawPath(strokePath(animation_.growingStroke(), h));
            }
        }
    }
    if (pad_.backgroundCharacter() >= 33) {
        const char32_t bg = pad_.backgroundCharacter();
        fillText(p, QString::fromUcs4(&bg, 1), BigFonts::backgroundFontName(pad_.backgroundFont()),
                 QColor(0, 0, 0, int(0.45 * 255)));
    }
    p.setPen(strokePen(QColor(0x40, 0x40, 0x40)));
    for (const Stroke& s : pad_.countedStrokes()) p.drawPath(strokePath(s, h));
    if (const Stroke* s = pad_.strokeInProgress()) {
        p.setPen(strokePen(blue));
        p.drawPath(strokePath(*s, h));
    }
}

} // namespace shapes
