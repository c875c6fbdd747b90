#include "table/widgets/RbxMenuWatch.h"

#include "platform/x11/X11Session.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

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
        if (t == QEvent::Show && w->isWindow() && w->windowType() == Qt::Popup && qobject_cast<QMenu*>(w)) {
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
    X11Session& s = X11Session::shared();
    if (!s.isAvailable()) return;
    const X11Session::Window root = s.rootWindow();
    s.addInputMask(root, SubstructureNotifyMask);
    s.addEventListener(MapNotify, root, [this, &s](const XEvent& e) {
        if (!e.xmap.override_redirect) return;
        const X11Session::Window w = e.xmap.window;
        static const char* const menuTypes[] = {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                                                "_NET_WM_WINDOW_TYPE_MENU"};
        const QList<unsigned long> types = s.longsProperty(w, s.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM);
        for (const char* name : menuTypes)
            if (types.contains(s.atom(name))) {
                otherMenuShown(w);
                return;
            }
    });
    s.addEventListener(UnmapNotify, root, [this](const XEvent& e) { otherMenuHidden(e.xunmap.window); });
    s.addEventListener(DestroyNotify, root, [this](const XEvent& e) { otherMenuHidden(e.xdestroywindow.window); });
}
