#include "app/RbxStatusItemView.h"

#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/MenuExtensions.h"
#include "model/RbxActivationSet.h"

#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

// The logo mark in a 10 by 10 box: a ring open at the lower right with a tail, as two
// arcs of radius 2 joined by two straight strokes.
QPainterPath logoMark(const QRectF& box) {
    const qreal x = box.left(), y = box.top(), s = box.width() / 10.0;
    QPainterPath path;
    path.moveTo(x + 8 * s, y + 6 * s);
    path.lineTo(x + 8 * s, y + 3 * s);
    path.arcTo(QRectF(x + 4 * s, y + 1 * s, 4 * s, 4 * s), 0, 180);
    path.lineTo(x + 4 * s, y + 6 * s);
    path.arcTo(QRectF(x + 4 * s, y + 4 * s, 4 * s, 4 * s), 180, 180);
    path.moveTo(x + 7 * s, y + 7 * s);
    path.lineTo(x + 9.5 * s, y + 9.5 * s);
    return path;
}

} // namespace

RbxStatusItemView::RbxStatusItemView(RbxDefaults& settings, QWidget* parent)
    : QWidget(parent), drop_(settings) {
    setAcceptDrops(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    connect(&KXAppearance::shared(), &KXAppearance::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void RbxStatusItemView::setImageName(const QString& name) {
    imageName_ = name;
    update();
}

void RbxStatusItemView::setAlignment(int alignment) {
    alignment_ = alignment;
    update();
}

void RbxStatusItemView::setMenu(QMenu* menu) {
    if (!menu_) menu_ = menu;
}

void RbxStatusItemView::setActive(bool active) {
    active_ = active;
    update();
}

void RbxStatusItemView::setHilited(bool hilited) {
    hilited_ = hilited;
    update();
}

QImage RbxStatusItemView::namedImage(const QString& name, bool dark, qreal scale) {
    const bool strip = name == QLatin1String("cornerQ-BS") || name == QLatin1String("Q-topleft") ||
                       name == QLatin1String("Q-topright");
    if (!strip && name != QLatin1String("Qsmall") && name != QLatin1String("Q-status")) return {};
    const QSize size = strip ? QSize(10, 12) : QSize(16, 16);
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = dark ? QColor(Qt::white) : QColor(Qt::black);
    if (strip) {
        const int alignment = name == QLatin1String("Q-topright") ? 1 : -1;
        drawActivator(p, QRectF(QPointF(0, 0), size), alignment, {}, false, dark);
    } else {
        p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(logoMark(QRectF(1, 1, 14, 14)));
    }
    return image;
}

void RbxStatusItemView::drawActivator(QPainter& p, const QRectF& bounds, int alignment, const QImage& icon,
                                      bool hilited, bool dark) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (hilited) p.fillRect(bounds.adjusted(-2, -2, 2, 2), dark ? QColor(255, 255, 255, 51) : QColor(0, 0, 0, 26));
    if (alignment == 0) {
        if (!icon.isNull()) {
            const QSizeF size = icon.deviceIndependentSize();
            p.drawImage(QPointF(bounds.x() + 3, bounds.y() + (bounds.height() - size.height()) / 2), icon);
        }
    } else {
        p.fillRect(bounds, QColor::fromRgbF(0.2f, 0.2f, 0.2f));
        p.setPen(QPen(Qt::white, 2));
        // The bottom edge and the inner vertical edge.
        p.drawLine(QPointF(bounds.left(), bounds.bottom()), QPointF(bounds.right(), bounds.bottom()));
        const qreal inner = alignment == 1 ? bounds.left() : bounds.right();
        p.drawLine(QPointF(inner, bounds.top()), QPointF(inner, bounds.bottom()));
        const qreal x = bounds.left() + 2.5 + (alignment == 1 ? 1 : 0);
        QPen mark(Qt::white, 2 * bounds.width() / 10.0 * 0.5);
        mark.setCapStyle(Qt::RoundCap);
        p.setPen(mark);
        const qreal side = qMin<qreal>(10, bounds.width()) - 3;
        p.drawPath(logoMark(QRectF(x - 1.5, bounds.bottom() - side - 2, side, side)));
    }
    p.restore();
}

void RbxStatusItemView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool dark = KXAppearance::shared().isDark();
    drawActivator(p, QRectF(rect()), alignment_, namedImage(imageName_, dark, devicePixelRatioF()), hilited_, dark);
}

bool RbxStatusItemView::isMenuClick(Qt::KeyboardModifiers held) {
    // Ctrl with Shift and Alt is the emergency reset's click, which opens the palette.
    const Qt::KeyboardModifiers reset = Qt::ShiftModifier | Qt::AltModifier;
    return (held & Qt::ControlModifier) && (held & reset) != reset;
}

void RbxStatusItemView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !isMenuClick(QGuiApplication::queryKeyboardModifiers())) {
        QTimer::singleShot(ClickDelayMs, this, &RbxStatusItemView::clicked);
    } else {
        showMenu();
    }
    event->accept();
}

void RbxStatusItemView::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void RbxStatusItemView::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void RbxStatusItemView::showMenu() {
    if (!menu_) return;
    // Pulled down below the strip, overlapping its bottom edge by a point.
    kx::menu::pullDownBelow(*menu_, *this, -1.0);
}

void RbxStatusItemView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) update();
}

void RbxStatusItemView::dragEnterEvent(QDragEnterEvent* event) {
    if (!drop_.enter(event->mimeData())) {
        event->ignore();
        return;
    }
    setHilited(true);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void RbxStatusItemView::dragLeaveEvent(QDragLeaveEvent* event) {
    setHilited(false);
    drop_.clear();
    event->accept();
}

void RbxStatusItemView::dropEvent(QDropEvent* event) {
    setHilited(false);
    if (!drop_.accepted()) {
        event->ignore();
        return;
    }
    if (auto set = drop_.perform()) emit fontsDropped(set);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
