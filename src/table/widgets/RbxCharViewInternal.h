#pragma once
// Helpers shared by the table view's source files.

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

} // namespace
