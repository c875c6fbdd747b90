#include "core/Clock.h"

#include "core/ProcessWide.h"

#include <QElapsedTimer>

namespace kx {

Clock& Clock::shared() { return ProcessWide<Clock>::get(); }

std::unique_ptr<Clock> Clock::makeDefault() { return std::make_unique<Clock>(); }

qint64 Clock::nowMs() const {
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace kx
