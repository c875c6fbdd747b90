#pragma once
// Mouse presses anywhere on the display, also in other applications' windows (XInput 2
// raw events, listen-only), reported on the main thread. The palette closes on a press
// outside it; whether a press was outside is decided by the receiver.

#include <QObject>
#include <functional>
#include <memory>

namespace kx::x11 {
class X11RawEvents;
}

class ClickOutsideMonitor : public QObject {
    Q_OBJECT
public:
    explicit ClickOutsideMonitor(std::function<void()> pressed, QObject* parent = nullptr);
    ~ClickOutsideMonitor() override;

    // Starts listening (once); false, logged, when the display offers no raw events.
    bool start();
    bool isListening() const;

private:
    std::function<void()> pressed_;
    std::unique_ptr<kx::x11::X11RawEvents> events_;
    bool tried_ = false;
};
