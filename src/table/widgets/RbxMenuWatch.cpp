#include "table/widgets/RbxMenuWatch.h"

#include "platform/x11/DesktopWatch.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QWidget>

RbxMenuWatch& RbxMenuWatch::shared() {
    static RbxMenuWatch* watch = new RbxMenuWatch();
    return *watch;
}

RbxMenuWatch::RbxMenuWatch() {
    if (qApp) qApp->installEventFilter(this);
    watchOtherPrograms();
}

bool RbxMenuWatch::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if ((t == QEvent::Show || t == QEvent::Hide || t == QEvent::Destroy) && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // A menu, or the list of a pop-up button (its parent), which also holds the pointer.
        if (t == QEvent::Show && w->isWindow() && w->windowType() == Qt::Popup &&
            (qobject_cast<QMenu*>(w) || qobject_cast<QComboBox*>(w->parentWidget()))) {
            ownMenus_.insert(w);
            update();
        } else if (t != QEvent::Show && ownMenus_.remove(watched)) {
            update();
        }
    }
    return QObject::eventFilter(watched, event);
}

void RbxMenuWatch::otherMenuShown(unsigned long window) {
    otherMenus_.insert(window);
    update();
}

void RbxMenuWatch::otherMenuHidden(unsigned long window) {
    if (otherMenus_.remove(window)) update();
}

void RbxMenuWatch::update() {
    const bool open = !ownMenus_.isEmpty() || !otherMenus_.isEmpty();
    if (open == open_) return;
    open_ = open;
    if (open) emit menuOpened();
    else emit menuClosed();
}

void RbxMenuWatch::watchOtherPrograms() {
    auto* watch = new MenuWindowWatch(X11Session::shared(), this);
    connect(watch, &MenuWindowWatch::menuShown, this, &RbxMenuWatch::otherMenuShown);
    connect(watch, &MenuWindowWatch::windowGone, this, &RbxMenuWatch::otherMenuHidden);
}
