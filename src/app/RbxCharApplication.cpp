#include "app/RbxCharApplication.h"

#include "core/Log.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace {
bool suppressFlag = false;
QEvent::Type currentType = QEvent::None;
} // namespace

bool PaletteEventRouter::eventFilter(QObject* watched, QEvent* event) {
    // Each event is routed once, as its window receives it, before the widgets do.
    if (!watched->isWindowType()) return false;
    return route(event);
}

bool PaletteEventRouter::route(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        currentType = event->type();
        break;
    default:
        break;
    }
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (!target_.hasSheet()) target_.mouseUp(*static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::KeyPress: {
        auto& key = *static_cast<QKeyEvent*>(event);
        if (target_.keyDown(key)) return true;
        if (key.text() != QStringLiteral("\x1b")) return false;
        const Qt::KeyboardModifiers held =
            key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (held == Qt::AltModifier) {
            kx::log(QStringLiteral("Rebuild layouts"));
            target_.rebuildLayouts();
            kx::log(QStringLiteral("Rebuilt"));
            return true;
        }
        target_.deselectCharacter();
        return false;
    }
    default:
        return false;
    }
}

RbxCharApplication::RbxCharApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // A background application: closing the palette never ends it.
    setQuitOnLastWindowClosed(false);
}

RbxCharApplication::~RbxCharApplication() = default;

void RbxCharApplication::setSuppressCurrentEvent(bool suppress) { suppressFlag = suppress; }
bool RbxCharApplication::suppressCurrentEvent() { return suppressFlag; }

QEvent::Type RbxCharApplication::currentEventType() { return currentType; }

bool RbxCharApplication::currentEventIsKey() {
    return currentType == QEvent::KeyPress || currentType == QEvent::KeyRelease;
}
