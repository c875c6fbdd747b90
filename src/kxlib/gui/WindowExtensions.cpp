#include "kxlib/gui/WindowExtensions.h"

#include "kxlib/gui/KXWindowPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace kx::window {

namespace {

// Sets the outer frame (decorations included) of a top-level window.
void setFrameRect(QWidget* w, const QRectF& frame) {
    const QRect outer = w->frameGeometry(), inner = w->geometry();
    const int dw = outer.width() - inner.width(), dh = outer.height() - inner.height();
    const QRect r = frame.toRect();
    w->resize(std::max(0, r.width() - dw), std::max(0, r.height() - dh));
    w->move(r.left(), r.top());
}

} // namespace

void centerOnScreen(QWidget* window, QScreen* screen) {
    if (!window) return;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRectF frame = kx::placement::centeredInFrame(QRectF(window->frameGeometry()), QRectF(screen->geometry()));
    window->move(frame.topLeft().toPoint());
    window->show();
}

void centerOnMainScreen(QWidget* window) { centerOnScreen(window, QGuiApplication::primaryScreen()); }

void moveToScreen(QWidget* window, QScreen* screen) {
    if (!window) return;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRectF before(window->frameGeometry());
    const QRectF after = kx::placement::movedToVisibleFrame(before, QRectF(screen->availableGeometry()));
    if (after != before) setFrameRect(window, after);
    window->update();
}

void makeCompletelyVisible(QWidget* window) {
    if (!window || window->isMinimized()) return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        QPointer<QWidget> guard(window);
        QTimer::singleShot(100, window, [guard] {
            if (guard) makeCompletelyVisible(guard);
        });
        return;
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRectF> frames;
    int mainIndex = -1;
    for (int i = 0; i < screens.size(); ++i) {
        frames << QRectF(screens[i]->availableGeometry());
        if (screens[i] == QGuiApplication::primaryScreen()) mainIndex = i;
    }
    const auto target = kx::placement::screenForCompletelyVisible(QRectF(window->frameGeometry()), frames, mainIndex);
    if (!target) return;
    moveToScreen(window, (*target >= 0 && *target < screens.size()) ? screens[*target] : nullptr);
}

} // namespace kx::window
