#include "kxlib/gui/KXWindowFrameView.h"

#include "core/Log.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXWindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

using namespace kx::placement;

KXWindowFrameView::KXWindowFrameView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    if (window() && window() != this) window()->installEventFilter(this);
    connect(&KXAppearance::shared(), &KXAppearance::appearanceChanged, this, [this](bool) { darkModeChanged(); });
}

QRectF KXWindowFrameView::addFrameBorder(const QRectF& rect) { return kx::placement::addFrameBorder(rect); }

QRectF KXWindowFrameView::removeFrameBorder(const QRectF& rect) { return kx::placement::removeFrameBorder(rect); }

void KXWindowFrameView::setWindowButtons(QAbstractButton* close, QAbstractButton* minimize, QAbstractButton* zoom) {
    close_ = close;
    minimize_ = minimize;
    zoom_ = zoom;
}

QScreen* KXWindowFrameView::screenUnderMouse() {
    if (QScreen* s = QGuiApplication::screenAt(QCursor::pos() + QPoint(0, 1))) return s;
    return QGuiApplication::primaryScreen();
}

int KXWindowFrameView::borderForPoint(const QPoint& point) const {
    return kx::placement::borderForPoint(QPointF(point), QRectF(rect()));
}

QRect KXWindowFrameView::borderRect(int mask) const {
    return kx::placement::borderRect(mask, QRectF(rect())).toAlignedRect();
}

void KXWindowFrameView::checkMouseBorder() {
    const int border = window()->isVisible() ? borderForPoint(mapFromGlobal(QCursor::pos())) : 0;
    if (border == mouseBorder_) return;
    update(borderRect(mouseBorder_));
    mouseBorder_ = border;
    update(borderRect(mouseBorder_));
}

bool KXWindowFrameView::handleResizeClick(const QPoint& point, const QPoint& globalPoint) {
    const int border = borderForPoint(point);
    if (!border) return false;
    drag_ = Drag::Resize;
    dragBorder_ = border;
    startFrame_ = window()->geometry();
    pressGlobal_ = globalPoint;
    return true;
}

void KXWindowFrameView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (!handleResizeClick(event->position().toPoint(), global)) {
        drag_ = Drag::Move;
        startFrame_ = window()->frameGeometry();
        pressGlobal_ = global;
    }
    event->accept();
}

void KXWindowFrameView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    const QPoint delta = global - pressGlobal_;
    QWidget* w = window();
    switch (drag_) {
    case Drag::Move:
        w->move(startFrame_.topLeft() + delta);
        break;
    case Drag::Resize: {
        QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        const QRectF visible = screen ? QRectF(screen->availableGeometry()) : QRectF(startFrame_);
        const QRectF frame = resizedFrame(QRectF(startFrame_), dragBorder_, QPointF(delta), visible,
                                          QSizeF(w->minimumSize()), QSizeF(w->maximumSize()));
        w->setGeometry(frame.toRect());
        break;
    }
    case Drag::None:
        checkMouseBorder();
        break;
    }
    event->accept();
}

void KXWindowFrameView::mouseReleaseEvent(QMouseEvent* event) {
    drag_ = Drag::None;
    checkMouseBorder();
    event->accept();
}

void KXWindowFrameView::leaveEvent(QEvent* event) {
    checkMouseBorder();
    QWidget::leaveEvent(event);
}

void KXWindowFrameView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) mainWindowChanged();
    QWidget::changeEvent(event);
}

bool KXWindowFrameView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate))
        mainWindowChanged();
    return QWidget::eventFilter(watched, event);
}

void KXWindowFrameView::mainWindowChanged() {
    for (QAbstractButton* b : {close_.data(), minimize_.data(), zoom_.data()})
        if (b) b->update();
}

void KXWindowFrameView::darkModeChanged() {
    kx::log(QStringLiteral("RB dark mode changed: window"));
    update();
}
