#include "kxlib/gui/KXTransparentWindow.h"

#include "core/Log.h"

#include <QKeyEvent>

KXTransparentWindow::KXTransparentWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
}

void KXTransparentWindow::keyPressEvent(QKeyEvent* event) {
    event->accept();
    kx::log(QStringLiteral("supressed transparent beep"));
}
