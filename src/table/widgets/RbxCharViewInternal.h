#pragma once
// Helpers shared by the table view's source files.

#include <QElapsedTimer>
#include <Qt>
#include <cstdint>

namespace {

// Qt's modifiers in the stored form: Command is Ctrl, Control is Super (Meta), Option is Alt.
[[maybe_unused]] std::uint32_t modifierFlags(Qt::KeyboardModifiers m) {
    std::uint32_t flags = 0;
    if (m & Qt::ShiftModifier) flags |= 0x20000;
    if (m & Qt::MetaModifier) flags |= 0x40000;
    if (m & Qt::AltModifier) flags |= 0x80000;
    if (m & Qt::ControlModifier) flags |= 0x100000;
    return flags;
}

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
