// The user's activity as the X server sees it, and the application's bundle texts.

#include "kxlib/KXUtilities.h"

#include "kxlib/core/Bundle.h"
#include "kxlib/core/MainThread.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>
#include <atomic>

namespace {
std::atomic<bool> lastFullScreen{false};
}

QString KXUtilities::applicationName() { return kx::Bundle::executableName(); }

QString KXUtilities::versionString() { return kx::Bundle::bundleVersion(); }

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
