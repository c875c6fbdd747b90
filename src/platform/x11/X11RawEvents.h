#pragma once
// Listening to every key press and mouse button of the server (XInput2 raw events on
// the root window). Listening only: X gives no way to change or swallow the events of
// other programs.

#include <QObject>
#include <functional>

class X11Session;

namespace kx::x11 {

class X11RawEvents : public QObject {
    Q_OBJECT
public:
    enum Kind { KeyDown, KeyUp, ButtonDown, ButtonUp, Moved };
    struct Event {
        Kind kind;
        int detail;            // keycode or button
        unsigned long time;
    };
    // `kinds`: bit (1 << Kind) for each kind wanted.
    X11RawEvents(int kinds, std::function<void(const Event&)> callback, X11Session* session = nullptr,
                 QObject* parent = nullptr);
    ~X11RawEvents() override;

    // XInput 2 is there and the events are selected.
    bool isListening() const { return listener_ != 0; }
    // Whether the server offers XInput 2.
    static bool available(X11Session* session = nullptr);

private:
    X11Session* session_;
    int kinds_;
    std::function<void(const Event&)> callback_;
    quint64 listener_ = 0;
    int opcode_ = 0;
};

} // namespace kx::x11
