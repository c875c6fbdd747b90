#include "app/PaletteFontDrops.h"

#include "model/RbxActivationSet.h"

#include <QApplication>
#include <QDropEvent>

PaletteFontDrops::PaletteFontDrops(RbxDefaults& settings, QWidget& window, QObject* parent)
    : QObject(parent), window_(&window), drop_(settings) {
    // Drag events go to the deepest widget that accepts drops: the window, or a text
    // field in it. Watching them all on their way there sees both.
    window.setAcceptDrops(true);
    qApp->installEventFilter(this);
}

PaletteFontDrops::~PaletteFontDrops() {
    if (qApp) qApp->removeEventFilter(this);
}

bool PaletteFontDrops::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !window_ || widget->window() != window_) return false;
    auto* drag = static_cast<QDropEvent*>(event);
    // Entering the window or moving on to another widget of it: decided anew.
    if (type == QEvent::DragEnter && !drop_.enter(drag->mimeData())) return false;
    if (!drop_.accepted()) return false;
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop)
        if (auto set = drop_.perform()) emit fontsDropped(set);
    return true;
}
