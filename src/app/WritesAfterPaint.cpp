#include "app/WritesAfterPaint.h"

#include "platform/defaults/DefaultsDomain.h"

#include <QEvent>
#include <QWidget>

WritesAfterPaint::WritesAfterPaint(platform::DefaultsDomain& domain, QWidget* painted, QObject* parent)
    : QObject(parent), domain_(domain), painted_(painted) {
    fallback_.setSingleShot(true);
    fallback_.setInterval(LongestHoldMs);
    connect(&fallback_, &QTimer::timeout, this, &WritesAfterPaint::release);
    if (painted_) painted_->installEventFilter(this);
}

WritesAfterPaint::~WritesAfterPaint() { release(); }

void WritesAfterPaint::hold() {
    if (holding_) return;
    holding_ = true;
    domain_.holdWrites();
    fallback_.start();
}

bool WritesAfterPaint::eventFilter(QObject*, QEvent* event) {
    // Written once the paint is over and its result on the screen.
    if (holding_ && event->type() == QEvent::Paint)
        QMetaObject::invokeMethod(this, &WritesAfterPaint::release, Qt::QueuedConnection);
    return false;
}

void WritesAfterPaint::release() {
    if (!holding_) return;
    holding_ = false;
    fallback_.stop();
    domain_.releaseWrites();
}
