#include "platform/x11/XErrorTrap.h"

#include "core/Log.h"
#include "platform/x11/X11Session.h"

#include <X11/Xlib.h>

#include <mutex>
#include <unordered_map>

// The error handler is process-wide in Xlib; our displays are told apart from others
// (Qt's own connection, other libraries) and only ours are handled here.
struct XErrorTrapRegistry {
    std::mutex mutex;
    std::unordered_map<Display*, XErrorTrap*> innermost;  // display -> active trap or null
    XErrorHandler previous = nullptr;
    bool installed = false;

    static XErrorTrapRegistry& get() {
        static XErrorTrapRegistry r;
        return r;
    }

    static int handler(Display* display, XErrorEvent* event) {
        XErrorTrapRegistry& r = get();
        XErrorTrap::Error e;
        e.code = event->error_code;
        e.requestCode = event->request_code;
        e.minorCode = event->minor_code;
        e.resource = event->resourceid;
        e.serial = event->serial;
        XErrorTrap* trap = nullptr;
        bool ours = false;
        XErrorHandler previous = nullptr;
        {
            std::lock_guard lock(r.mutex);
            auto it = r.innermost.find(display);
            if (it != r.innermost.end()) {
                ours = true;
                // The innermost trap that was active when the failed request was sent.
                trap = it->second;
                while (trap && e.serial < trap->m_firstSerial) trap = trap->m_outer;
                if (trap) trap->m_errors.append(e);
            }
            previous = r.previous;
        }
        if (!ours) return previous ? previous(display, event) : 0;
        if (!trap) kx::log(QStringLiteral("X error: %1").arg(XErrorTrap::describe(display, e)));
        return 0;
    }
};

void XErrorTrap::registerDisplay(Display* display) {
    if (!display) return;
    XErrorTrapRegistry& r = XErrorTrapRegistry::get();
    std::lock_guard lock(r.mutex);
    r.innermost.emplace(display, nullptr);
    if (!r.installed) {
        r.previous = XSetErrorHandler(&XErrorTrapRegistry::handler);
        r.installed = true;
    } else {
        // Another library may have replaced the handler since (Qt installs its own when
        // it opens its connection); put ours back in front and keep theirs for chaining.
        XErrorHandler current = XSetErrorHandler(&XErrorTrapRegistry::handler);
        if (current != &XErrorTrapRegistry::handler) r.previous = current;
    }
}

void XErrorTrap::unregisterDisplay(Display* display) {
    XErrorTrapRegistry& r = XErrorTrapRegistry::get();
    std::lock_guard lock(r.mutex);
    r.innermost.erase(display);
}

XErrorTrap::XErrorTrap() : XErrorTrap(X11Session::shared()) {}

XErrorTrap::XErrorTrap(X11Session& session) : m_display(session.display()) {
    if (!m_display) return;
    m_firstSerial = NextRequest(m_display);  // errors of earlier requests are not ours
    XErrorTrapRegistry& r = XErrorTrapRegistry::get();
    std::lock_guard lock(r.mutex);
    auto it = r.innermost.find(m_display);
    if (it == r.innermost.end()) {
        m_display = nullptr;  // not a session connection
        return;
    }
    m_outer = it->second;
    it->second = this;
}

XErrorTrap::~XErrorTrap() {
    if (!m_display) return;
    // Requests still unanswered may fail: wait for them (round trips are answered).
    if (NextRequest(m_display) - 1 > LastKnownRequestProcessed(m_display)) XSync(m_display, False);
    XErrorTrapRegistry& r = XErrorTrapRegistry::get();
    std::lock_guard lock(r.mutex);
    auto it = r.innermost.find(m_display);
    // Traps live on the stack: the innermost one ends first.
    Q_ASSERT(it == r.innermost.end() || it->second == this);
    if (it != r.innermost.end() && it->second == this) it->second = m_outer;
}

XErrorTrap& XErrorTrap::sync() {
    if (m_display && NextRequest(m_display) - 1 > LastKnownRequestProcessed(m_display))
        XSync(m_display, False);
    return *this;
}

bool XErrorTrap::hasError(int code) const {
    for (const Error& e : m_errors)
        if (e.code == code) return true;
    return false;
}

QString XErrorTrap::describe(Display* display, const Error& error) {
    char text[128] = {};
    if (display) XGetErrorText(display, error.code, text, sizeof text - 1);
    const QString name = text[0] ? QString::fromLocal8Bit(text) : QStringLiteral("error %1").arg(error.code);
    return QStringLiteral("%1 (request %2.%3, resource 0x%4)")
        .arg(name)
        .arg(error.requestCode)
        .arg(error.minorCode)
        .arg(error.resource, 0, 16);
}
