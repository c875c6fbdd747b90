#include "platform/x11/X11Session.h"

#include "core/Log.h"
#include "platform/x11/XErrorTrap.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

namespace {
std::unique_ptr<X11Session>& sharedSlot() {
    static std::unique_ptr<X11Session> s;
    return s;
}
} // namespace

X11Session& X11Session::shared() {
    auto& s = sharedSlot();
    if (!s) s = std::make_unique<X11Session>();
    return *s;
}

void X11Session::setShared(std::unique_ptr<X11Session> session) { sharedSlot() = std::move(session); }

X11Session::X11Session(const QByteArray& displayName, QObject* parent) : QObject(parent) {
    // Every X11 service answers neutrally when there is nothing to connect to; do not
    // even try when no display is named (Xlib would take a default).
    const QByteArray name = displayName.isEmpty() ? qgetenv("DISPLAY") : displayName;
    if (name.isEmpty()) return;
    XInitThreads();  // idle time may be read from worker threads
    m_display = XOpenDisplay(name.constData());
    if (!m_display) {
        kx::log(QStringLiteral("X11: cannot open display %1").arg(QString::fromLocal8Bit(name)));
        return;
    }
    XErrorTrap::registerDisplay(m_display);
    m_root = DefaultRootWindow(m_display);

    // Served on the thread that owns the application object: the socket notifier for
    // new bytes, and a last look before the loop sleeps for events that Xlib read into
    // its queue during a round trip (the socket stays quiet for those).
    if (auto* app = QCoreApplication::instance(); app && QThread::currentThread() == app->thread()) {
        m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11Session::processPendingEvents);
        if (auto* dispatcher = QAbstractEventDispatcher::instance(app->thread())) {
            // A pass that may sleep announces itself with aboutToBlock, one that may not
            // (processEvents without waiting) with awake: look at the queue on both.
            // Flushing first: Xlib's flush also reads what has arrived into the queue, and
            // an event read then, after the look, would wait there until the next one came.
            auto drain = [this] {
                if (!m_display || m_dispatching) return;
                XFlush(m_display);
                if (XEventsQueued(m_display, QueuedAlready) > 0) processPendingEvents();
            };
            m_blockHook = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, drain);
            m_awakeHook = connect(dispatcher, &QAbstractEventDispatcher::awake, this, drain);
        }
    }
}

X11Session::~X11Session() {
    if (!m_display) return;
    disconnect(m_blockHook);
    disconnect(m_awakeHook);
    delete m_notifier;
    m_notifier = nullptr;
    if (m_helper) XDestroyWindow(m_display, m_helper);
    XErrorTrap::unregisterDisplay(m_display);
    XCloseDisplay(m_display);
    m_display = nullptr;
}

xcb_connection_t* X11Session::xcbConnection() const {
    return m_display ? XGetXCBConnection(m_display) : nullptr;
}

X11Session::Atom X11Session::atom(const char* name, bool onlyIfExists) {
    if (!m_display || !name || !*name) return 0;
    const QByteArray key(name);
    if (auto it = m_atoms.constFind(key); it != m_atoms.constEnd()) return *it;
    const Atom a = XInternAtom(m_display, name, onlyIfExists ? True : False);
    if (a != None) m_atoms.insert(key, a);
    return a;
}

void X11Session::internAtoms(std::initializer_list<const char*> names) {
    if (!m_display) return;
    std::vector<char*> missing;
    for (const char* name : names)
        if (name && *name && !m_atoms.contains(QByteArray(name))) missing.push_back(const_cast<char*>(name));
    if (missing.empty()) return;
    std::vector<Atom> atoms(missing.size(), None);
    XInternAtoms(m_display, missing.data(), int(missing.size()), False, atoms.data());
    for (std::size_t i = 0; i < missing.size(); ++i)
        if (atoms[i] != None) m_atoms.insert(QByteArray(missing[i]), atoms[i]);
}

X11Session::Atom X11Session::atom(const QString& name, bool onlyIfExists) {
    return atom(name.toUtf8().constData(), onlyIfExists);
}

QString X11Session::atomName(Atom a) {
    if (!m_display || a == None) return {};
    XErrorTrap trap(*this);  // an unknown atom is BadAtom
    char* n = XGetAtomName(m_display, a);
    if (!n) return {};
    QString s = QString::fromUtf8(n);
    XFree(n);
    return s;
}

X11Session::ListenerId X11Session::addEventListener(int type, Window window, EventListener listener) {
    Q_ASSERT(listener);
    const ListenerId id = m_nextId++;
    m_listeners.append(Listener{id, type, window, -1, -1, std::move(listener)});
    return id;
}

X11Session::ListenerId X11Session::addGenericEventListener(int extensionOpcode, int evtype,
                                                           EventListener listener) {
    Q_ASSERT(listener);
    const ListenerId id = m_nextId++;
    m_listeners.append(Listener{id, GenericEvent, 0, extensionOpcode, evtype, std::move(listener)});
    return id;
}

void X11Session::removeEventListener(ListenerId id) {
    m_listeners.removeIf([id](const Listener& l) { return l.id == id; });
}

void X11Session::addInputMask(Window window, long mask) {
    if (!m_display || !window) return;
    long& m = m_masks[window];
    if ((m | mask) == m) return;
    m |= mask;
    XSelectInput(m_display, window, m);
    XFlush(m_display);
}

void X11Session::processPendingEvents() {
    if (!m_display || m_dispatching) return;
    m_dispatching = true;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        dispatch(event);
        if (!m_display) break;
    }
    m_dispatching = false;
}

void X11Session::dispatch(XEvent& event) {
    Q_ASSERT(m_dispatching);  // only processPendingEvents dispatches
    const bool generic = event.type == GenericEvent;
    bool haveData = false;
    if (generic) haveData = XGetEventData(m_display, &event.xcookie);
    // Listeners may change the list while they run: walk a snapshot of the ids.
    QList<ListenerId> ids;
    ids.reserve(m_listeners.size());
    for (const Listener& l : std::as_const(m_listeners)) {
        if (l.type != event.type) continue;
        if (generic) {
            if (l.extension != event.xcookie.extension) continue;
            if (l.evtype != -1 && l.evtype != event.xcookie.evtype) continue;
        } else if (l.window && l.window != event.xany.window) {
            continue;
        }
        ids.append(l.id);
    }
    for (ListenerId id : ids) {
        auto it = std::find_if(m_listeners.cbegin(), m_listeners.cend(),
                               [id](const Listener& l) { return l.id == id; });
        if (it == m_listeners.cend()) continue;  // removed by an earlier listener
        EventListener fn = it->fn;               // may be removed while it runs
        fn(event);
    }
    if (haveData) XFreeEventData(m_display, &event.xcookie);
}

void X11Session::flush() {
    if (m_display) XFlush(m_display);
}

void X11Session::sync() {
    if (m_display) XSync(m_display, False);
}

std::optional<X11Session::Property> X11Session::property(Window window, Atom prop, Atom type, long maxLongs) {
    if (!m_display || !window || !prop) return std::nullopt;
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    int status;
    {
        XErrorTrap trap(*this);  // the window may be gone: BadWindow
        status = XGetWindowProperty(m_display, window, prop, 0, maxLongs, False,
                                    type ? type : AnyPropertyType, &actualType, &format, &items,
                                    &after, &data);
        if (trap.failed()) status = BadWindow;  // a round trip: its error is in already
    }
    if (status != Success || actualType == None || (type && actualType != type)) {
        if (data) XFree(data);
        return std::nullopt;
    }
    Property p;
    p.type = actualType;
    p.format = format;
    p.items = items;
    // Xlib hands 32-bit items as longs.
    const qsizetype unit = format == 32 ? qsizetype(sizeof(long)) : format == 16 ? 2 : 1;
    if (data) {
        p.data = QByteArray(reinterpret_cast<const char*>(data), qsizetype(items) * unit);
        XFree(data);
    }
    return p;
}

QList<unsigned long> X11Session::longsProperty(Window window, Atom prop, Atom type) {
    QList<unsigned long> out;
    const auto p = property(window, prop, type);
    if (!p || p->format != 32) return out;
    const auto* v = reinterpret_cast<const unsigned long*>(p->data.constData());
    out.reserve(qsizetype(p->items));
    for (unsigned long i = 0; i < p->items; ++i) out.append(v[i]);
    return out;
}

std::optional<unsigned long> X11Session::longProperty(Window window, Atom prop, Atom type) {
    const QList<unsigned long> v = longsProperty(window, prop, type);
    if (v.isEmpty()) return std::nullopt;
    return v.first();
}

QString X11Session::textProperty(Window window, Atom prop) {
    const Atom utf8 = atom("UTF8_STRING");
    const auto p = property(window, prop, 0, 1 << 16);
    if (!p || p->format != 8) return {};
    QByteArray bytes = p->data;
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) bytes.truncate(nul);
    if (p->type == utf8) return QString::fromUtf8(bytes);
    if (p->type == XA_STRING) return QString::fromLatin1(bytes);
    return {};
}

bool X11Session::sendClientMessage(Window target, Window about, Atom messageType, const long (&data)[5],
                                   long eventMask) {
    if (!m_display || !target || !messageType) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.serial = 0;
    e.xclient.send_event = True;
    e.xclient.display = m_display;
    e.xclient.window = about;
    e.xclient.message_type = messageType;
    e.xclient.format = 32;
    for (int i = 0; i < 5; ++i) e.xclient.data.l[i] = data[i];
    XErrorTrap trap(*this);
    const Status ok = XSendEvent(m_display, target, False, eventMask, &e);
    return ok != 0 && !trap.sync().failed();
}

void X11Session::setInputFocus(Window window) {
    if (!m_display || !window) return;
    XSetInputFocus(m_display, window, RevertToPointerRoot, CurrentTime);
    XFlush(m_display);
}

void X11Session::bell(int percent) {
    if (!m_display) return;
    XBell(m_display, percent);
    XFlush(m_display);
}

X11Session::Window X11Session::helperWindow() {
    if (!m_display) return 0;
    if (!m_helper) {
        XSetWindowAttributes attrs{};
        attrs.override_redirect = True;
        attrs.event_mask = PropertyChangeMask;
        m_helper = XCreateWindow(m_display, m_root, -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent,
                                 CWOverrideRedirect | CWEventMask, &attrs);
        m_masks[m_helper] = PropertyChangeMask;
    }
    return m_helper;
}

X11Session::Time X11Session::serverTime() {
    if (!m_display) return 0;
    const Window w = helperWindow();
    const Atom stamp = atom("_RUNEBOX_TIMESTAMP");
    XChangeProperty(m_display, w, stamp, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    XFlush(m_display);
    // Wait for our own PropertyNotify; other events stay queued for the normal dispatch.
    XEvent e;
    struct Match {
        Window w;
        Atom a;
    } match{w, stamp};
    auto pred = [](Display*, XEvent* ev, XPointer arg) -> Bool {
        const auto* m = reinterpret_cast<const Match*>(arg);
        return ev->type == PropertyNotify && ev->xproperty.window == m->w && ev->xproperty.atom == m->a;
    };
    XIfEvent(m_display, &e, pred, reinterpret_cast<XPointer>(&match));
    return e.xproperty.time;
}

double X11Session::idleSeconds() const {
    if (!m_display) return -1.0;
    int eventBase = 0, errorBase = 0;
    if (!XScreenSaverQueryExtension(m_display, &eventBase, &errorBase)) return -1.0;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info) return -1.0;
    double seconds = -1.0;
    if (XScreenSaverQueryInfo(m_display, m_root, info)) seconds = double(info->idle) / 1000.0;
    XFree(info);
    return seconds;
}

bool X11Session::queryExtension(const char* name, int* opcode, int* firstEvent, int* firstError) {
    int o = 0, ev = 0, er = 0;
    const bool ok = m_display && XQueryExtension(m_display, name, &o, &ev, &er);
    if (opcode) *opcode = ok ? o : 0;
    if (firstEvent) *firstEvent = ok ? ev : 0;
    if (firstError) *firstError = ok ? er : 0;
    return ok;
}
