#include "core/MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace kx {

bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void runOnMain(std::function<void()> fn) {
    auto* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void runOnMain(QObject* context, std::function<void()> fn) {
    if (!context || !QCoreApplication::instance()) return;
    // Invoking on the context makes Qt drop the call if the context dies first. The
    // context must live on the main thread.
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

void runOnMainAndWait(const std::function<void()>& fn) {
    auto* app = QCoreApplication::instance();
    if (!app || isMainThread()) { fn(); return; }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

} // namespace kx
