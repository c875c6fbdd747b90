#include "platform/x11/X11RawEvents.h"

#include "core/Log.h"
#include "platform/x11/X11Session.h"

#include <QHash>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace kx::x11 {

namespace {
bool queryXI2(Display* dpy, int* opcode) {
    int event = 0, error = 0;
    if (!XQueryExtension(dpy, "XInputExtension", opcode, &event, &error)) return false;
    int major = 2, minor = 0;
    return XIQueryVersion(dpy, &major, &minor) == Success && major >= 2;
}

// What the connection selects on the root: a new selection replaces the old one, so
// every watcher's kinds are kept together.
QHash<Display*, QByteArray>& selectedMasks() {
    static QHash<Display*, QByteArray> masks;
    return masks;
}
} // namespace

bool X11RawEvents::available(X11Session* session) {
    X11Session& s = session ? *session : X11Session::shared();
    int opcode = 0;
    return s.isAvailable() && queryXI2(s.display(), &opcode);
}

X11RawEvents::X11RawEvents(int kinds, std::function<void(const Event&)> callback, X11Session* session,
                           QObject* parent)
    : QObject(parent), session_(session ? session : &X11Session::shared()), kinds_(kinds),
      callback_(std::move(callback)) {
    if (!session_->isAvailable() || !queryXI2(session_->display(), &opcode_)) {
        log(QStringLiteral("X11: no XInput 2; input events cannot be watched"));
        return;
    }
    QByteArray& selected = selectedMasks()[session_->display()];
    selected.resize(XIMaskLen(XI_LASTEVENT), '\0');
    auto* bits = reinterpret_cast<unsigned char*>(selected.data());
    if (kinds & (1 << KeyDown)) XISetMask(bits, XI_RawKeyPress);
    if (kinds & (1 << KeyUp)) XISetMask(bits, XI_RawKeyRelease);
    if (kinds & (1 << ButtonDown)) XISetMask(bits, XI_RawButtonPress);
    if (kinds & (1 << ButtonUp)) XISetMask(bits, XI_RawButtonRelease);
    if (kinds & (1 << Moved)) XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, int(selected.size()), bits};
    XISelectEvents(session_->display(), session_->rootWindow(), &mask, 1);
    XFlush(session_->display());
    listener_ = session_->addGenericEventListener(opcode_, -1, [this](const XEvent& e) {
        const XGenericEventCookie& c = e.xcookie;
        if (!c.data) return;
        const auto* raw = static_cast<const XIRawEvent*>(c.data);
        Kind kind;
        switch (c.evtype) {
        case XI_RawKeyPress: kind = KeyDown; break;
        case XI_RawKeyRelease: kind = KeyUp; break;
        case XI_RawButtonPress: kind = ButtonDown; break;
        case XI_RawButtonRelease: kind = ButtonUp; break;
        case XI_RawMotion: kind = Moved; break;
        default: return;
        }
        // The connection's selection holds what every watcher wants: only this one's kinds.
        if (!(kinds_ & (1 << kind))) return;
        if (callback_) callback_(Event{kind, raw->detail, raw->time});
    });
}

X11RawEvents::~X11RawEvents() {
    if (!listener_) return;
    session_->removeEventListener(listener_);
    // Other listeners of this connection may still want raw events: the selection on
    // the root stays; unwanted ones are dropped by the session.
}

} // namespace kx::x11
