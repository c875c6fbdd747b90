#include "app/RbxCharWindow.h"

#include "app/PanelHints.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QWindow>

#include <time.h>

namespace {
qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
} // namespace

RbxCharWindow::RbxCharWindow(RbxCharWindowDelegate* delegate, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      delegate_(delegate) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setObjectName(QStringLiteral("RbxCharWindow"));
}

RbxCharWindow::~RbxCharWindow() = default;

void RbxCharWindow::setActivating(bool activating) {
    if (activating == activating_) return;
    activating_ = activating;
    setAttribute(Qt::WA_ShowWithoutActivating, !activating);
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowDoesNotAcceptFocus, !activating);
    // Tell the window system without re-creating (and so hiding) the window.
    overrideWindowFlags(flags);
    if (QWindow* w = windowHandle()) w->setFlags(flags);
    applyPanelHints();
}

void RbxCharWindow::setVisibleOnAllDesktops(bool all) {
    if (all == allDesktops_) return;
    allDesktops_ = all;
    if (isVisible()) panelhints::setStickyMapped(this, all);
}

void RbxCharWindow::setVisible(bool visible) {
    if (visible && !isVisible()) {
        // The desktop and state hints are read by the window manager when it maps the
        // window, so they go on the native window before.
        winId();
        panelhints::prepareForMapping(this, allDesktops_);
    }
    QWidget::setVisible(visible);
}

void RbxCharWindow::applyPanelHints() {
    if (!testAttribute(Qt::WA_WState_Created)) return;
    panelhints::setTakesFocus(this, activating_);
}

void RbxCharWindow::orderOut() {
    if (orderingOut_) return;
    orderingOut_ = true;
    const bool wasVisible = isVisible();
    if (delegate_) delegate_->windowWillOrderOut();
    hide();
    // Only a window that was on screen has been ordered out.
    if (delegate_ && wasVisible) delegate_->windowOrderedOut();
    orderingOut_ = false;
}

bool RbxCharWindow::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        const bool r = QWidget::event(event);
        // Only a window on screen has really been painted.
        if (windowHandle() && windowHandle()->isExposed()) notePainted();
        return r;
    }
    if (event->type() == QEvent::WinIdChange) {
        // A new native window: the filter sees its exposures, and the hints go on it.
        if (QWindow* w = windowHandle()) w->installEventFilter(this);
        applyPanelHints();
    }
    return QWidget::event(event);
}

bool RbxCharWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == windowHandle()) {
        // Escape goes to the controller before any widget of the window sees it.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->text() == QStringLiteral("\x1b") && delegate_ && delegate_->windowEscapePressed()) return true;
        return false;
    }
    if (event->type() == QEvent::Expose && watched == windowHandle() && paintPending_) {
        // The exposure paints the whole window at once; the time is taken after it.
        const bool r = watched->event(event);
        if (windowHandle()->isExposed()) notePainted();
        return r;
    }
    return QWidget::eventFilter(watched, event);
}

void RbxCharWindow::notePainted() {
    if (!paintPending_) return;
    paintPending_ = false;
    lastShowPaintNs_ = monotonicNs();
    // Mapped now: window managers that keep a sticky state take it by request.
    if (allDesktops_) panelhints::setStickyMapped(this, true);
    emit firstPaint();
}

void RbxCharWindow::closeEvent(QCloseEvent* event) {
    if (quitting_) {
        event->accept();
        return;
    }
    // Closing the palette only hides it, and only the controller decides that.
    event->ignore();
    if (delegate_ && !orderingOut_) delegate_->windowCloseRequested();
}

void RbxCharWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (delegate_ && isVisible()) delegate_->windowMoved();
}

void RbxCharWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (delegate_ && isVisible()) delegate_->windowResized();
}

void RbxCharWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    ++showCount_;
    paintPending_ = true;
}

void RbxCharWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && delegate_) {
        const auto* e = static_cast<QWindowStateChangeEvent*>(event);
        const bool was = e->oldState() & Qt::WindowMinimized;
        const bool is = windowState() & Qt::WindowMinimized;
        if (was != is) delegate_->windowMiniaturized(is);
    }
}
