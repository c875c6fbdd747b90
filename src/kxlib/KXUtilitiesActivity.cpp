// The user's activity as the X server sees it, and the application's bundle texts.

#include "kxlib/KXUtilities.h"

#include "kxlib/KXProcess.h"
#include "core/Bundle.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <exception>

namespace {
std::atomic<bool> lastFullScreen{false};
}

QString KXUtilities::applicationName() { return kx::Bundle::mainBundle().executableName(); }

QString KXUtilities::versionString() { return kx::Bundle::mainBundle().bundleVersion(); }

bool KXUtilities::fullScreenMode() {
    initialize();
    if (!kx::isMainThread()) return lastFullScreen.load();
    const bool full = ewmh::activeWindowIsFullscreen(X11Session::shared());
    lastFullScreen = full;
    return full;
}

double KXUtilities::idleTime() {
    initialize();
    if (kx::isMainThread() || !QCoreApplication::instance()) return X11Session::shared().idleSeconds();
    double seconds = -1.0;
    kx::runOnMainAndWait([&] { seconds = X11Session::shared().idleSeconds(); });
    return seconds;
}

namespace {
// Waits in steps of 1 ms, at most 500 steps, while `condition` holds; answers the steps.
template <typename F> int waitWhile(F condition) {
    int steps = 0;
    while (steps < 500 && condition()) {
        QThread::usleep(1000);
        ++steps;
    }
    return steps;
}
} // namespace

void KXUtilities::launchMicro(bool deferReturn) {
    if (fullScreenMode()) return;
    const KXProcess::Ptr front = KXProcess::frontProcess();
    const KXProcess::Ptr self = KXProcess::currentProcess();
    if (!front || (self && front->isSameProcess(*self))) return;
    try {
        // Our own process stands in for a small helper that takes the front.
        const bool away = self && self->setFrontProcess();
        const int count = away ? waitWhile([&] { return front->ownsActiveWindow(); }) : 0;
        kx::log(QStringLiteral("wait count (Micro) = %1").arg(count));
        front->wakeUp();
        QThread::usleep(1);
        front->wakeUp();
        if (!deferReturn) front->setFrontProcessFrontWindowOnly();
        waitWhile([&] { return !front->ownsActiveWindow() && front->isStillRunning(); });
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("** Error while running Micro: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    front->setFrontProcessFrontWindowOnly();
    front->wakeUp();
}
