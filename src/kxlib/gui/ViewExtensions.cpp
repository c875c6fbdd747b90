#include "kxlib/gui/ViewExtensions.h"

#include "kxlib/gui/KXAppearance.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {
const char* const LightProperty = "kxForcesLightAppearance";
}

namespace kx::view {

void bringToFrontInsideSuperView(QWidget* view) {
    if (view) view->raise();
}

void useLightAquaAppearance(QWidget* view, bool light) {
    if (!view) return;
    view->setProperty(LightProperty, light ? QVariant(true) : QVariant());
    view->update();
}

bool isDarkFor(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget())
        if (w->property(LightProperty).toBool()) return false;
    return KXAppearance::currentIsDark();
}

QMetaObject::Connection registerDarkModeNotifications(QWidget* view, std::function<void()> handler) {
    return QObject::connect(&KXAppearance::shared(), &KXAppearance::appearanceChanged, view,
                            [h = std::move(handler)](bool) { h(); });
}

void unregisterDarkModeNotifications(const QMetaObject::Connection& connection) {
    QObject::disconnect(connection);
}

} // namespace kx::view

KXTrackingRect::KXTrackingRect(QWidget* view, const QRect& rect, const QVariant& userData, QObject* owner)
    : QObject(owner ? owner : view), view_(view), rect_(rect), userData_(userData) {
    static qint64 nextTag = 0;
    tag_ = ++nextTag;
    view_->setMouseTracking(true);
    view_->installEventFilter(this);
    if (view_->isVisible() && rect_.contains(view_->mapFromGlobal(QCursor::pos()))) {
        inside_ = true;
        QMetaObject::invokeMethod(this, [this] { emit entered(userData_); }, Qt::QueuedConnection);
    }
}

KXTrackingRect::~KXTrackingRect() {
    if (view_) view_->removeEventFilter(this);
}

bool KXTrackingRect::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        switch (event->type()) {
        case QEvent::Enter:
            update(rect_.contains(static_cast<QEnterEvent*>(event)->position().toPoint()));
            break;
        case QEvent::MouseMove:
            update(rect_.contains(static_cast<QMouseEvent*>(event)->position().toPoint()));
            break;
        case QEvent::Leave:
        case QEvent::Hide:
            update(false);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void KXTrackingRect::update(bool inside) {
    if (inside == inside_) return;
    inside_ = inside;
    if (inside) emit entered(userData_);
    else emit exited(userData_);
}
