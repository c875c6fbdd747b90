#pragma once
// Mouse presses anywhere on the display, also in other applications' windows (XInput 2
// raw events, listen-only), reported on the main thread as pressed(). The palette closes
// on a press outside it; whether a press was outside is decided by the receiver.

#include <QObject>
#include <memory>

class X11Session;

namespace kx::x11 {
class X11RawEvents;
}

class ClickOutsideMonitor : public QObject {
    Q_OBJECT
public:
    explicit ClickOutsideMonitor(X11Session& session, QObject* parent = nullptr);
    ~ClickOutsideMonitor() override;

    // Starts listening (once); false, logged, when the display offers no raw events.
    bool start();
    bool isListening() const;

signals:
    // A button went down somewhere; sent after the press has reached its window.
    void pressed();

private:
    X11Session& session_;
    std::unique_ptr<kx::x11::X11RawEvents> events_;
    bool tried_ = false;
};
