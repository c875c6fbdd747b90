#include "app/RbxCharApplication.h"

#include "core/Log.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace {
bool suppressFlag = false;
} // namespace

bool PaletteEventRouter::eventFilter(QObject* watched, QEvent* event) {
    // Each event is routed once, as its window receives it, before the widgets do.
    if (!watched->isWindowType()) return false;
    return route(event);
}

bool PaletteEventRouter::route(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (routes_.mouseUp && !(routes_.hasSheet && routes_.hasSheet()))
            routes_.mouseUp(*static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseMove:
        if (routes_.mouseMoved) routes_.mouseMoved();
        return false;
    case QEvent::KeyPress: {
        auto& key = *static_cast<QKeyEvent*>(event);
        if (routes_.keyDown && routes_.keyDown(key)) return true;
        if (key.text() != QStringLiteral("\x1b")) return false;
        const Qt::KeyboardModifiers held =
            key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (held == Qt::AltModifier) {
            kx::log(QStringLiteral("Rebuild layouts"));
            if (routes_.rebuildLayouts) routes_.rebuildLayouts();
            kx::log(QStringLiteral("Rebuilt"));
            return true;
        }
        if (routes_.deselectCharacter) routes_.deselectCharacter();
        return false;
    }
    default:
        return false;
    }
}

RbxCharApplication::RbxCharApplication(int& argc, char** argv) : QApplication(argc, argv) {
    router_ = new PaletteEventRouter(this);
    installEventFilter(router_);
    // A background application: closing the palette never ends it.
    setQuitOnLastWindowClosed(false);
}

RbxCharApplication::~RbxCharApplication() = default;

RbxCharApplication* RbxCharApplication::shared() { return qobject_cast<RbxCharApplication*>(QCoreApplication::instance()); }

void RbxCharApplication::setSuppressCurrentEvent(bool suppress) { suppressFlag = suppress; }
bool RbxCharApplication::suppressCurrentEvent() { return suppressFlag; }
