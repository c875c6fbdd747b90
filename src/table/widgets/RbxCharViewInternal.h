#pragma once
// Helpers shared by the table view's source files.

#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"

#include <QElapsedTimer>

namespace {

// Milliseconds on the monotonic clock of the process (never 0).
[[maybe_unused]] qint64 monotonicMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed() + 1;
}

// The focus trace ("logFocus").
[[maybe_unused]] bool logFocus() { return RbxDefaults::userDefaults().boolForKey(rbx::key::logFocus); }

} // namespace
