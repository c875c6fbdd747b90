#pragma once
// Milliseconds of a monotonic clock. The process's clock (kx::ProcessWide<kx::Clock>) is
// the system's unless the composition root installed another.

#include <QtGlobal>
#include <memory>

namespace kx {

class Clock {
public:
    static Clock& shared();
    static std::unique_ptr<Clock> makeDefault();

    virtual ~Clock() = default;
    // Milliseconds since some fixed moment; never goes back.
    virtual qint64 nowMs() const;
};

} // namespace kx
