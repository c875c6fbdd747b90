#include "app/PanelHints.h"

#include "platform/x11/QtPlatform.h"

#include <QGuiApplication>
#include <QWidget>

namespace panelhints {

std::optional<ewmh::OwnWindow> ownWindow(QWidget* w) {
    if (QGuiApplication::platformName() != QLatin1String(x11::QtPlatformName)) return std::nullopt;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !w || !w->testAttribute(Qt::WA_WState_Created)) return std::nullopt;
    return ewmh::OwnWindow{x11->connection(), ewmh::Window(w->winId())};
}

void prepareForMapping(QWidget* window, bool allDesktops) {
    if (const auto w = ownWindow(window)) ewmh::prepareForMapping(X11Session::shared(), *w, allDesktops);
}

void setStickyMapped(QWidget* window, bool sticky) {
    if (const auto w = ownWindow(window)) ewmh::setStickyMapped(X11Session::shared(), *w, sticky);
}

void setTakesFocus(QWidget* window, bool takesFocus) {
    if (const auto w = ownWindow(window)) ewmh::setTakesFocus(X11Session::shared(), *w, takesFocus);
}

} // namespace panelhints
