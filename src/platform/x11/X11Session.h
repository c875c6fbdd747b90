#pragma once
// Our own connection to the X server, served on the main thread.
//
// One Xlib connection for everything Runebox does with X beyond Qt's windows: atoms,
// window properties of other clients, the front window, synthetic input, global grabs,
// the clipboard owner and the idle time. Events arriving on it are handed to listeners
// registered by event type and window.
//
// When no X display can be reached every service answers a neutral value (0, an empty
// list, false, -1 for the idle time), so that code above runs unchanged headless.
//
// Xlib's headers are not included here (their macros clash with Qt's names); files
// that work with the Display include <X11/Xlib.h> themselves.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <initializer_list>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct _XDisplay;
union _XEvent;
struct xcb_connection_t;
class QSocketNotifier;

class X11Session : public QObject {
    Q_OBJECT
public:
    using Window = unsigned long;
    using Atom = unsigned long;
    using Time = unsigned long;
    using ListenerId = quint64;
    using EventListener = std::function<void(const _XEvent& event)>;

    // The session of the process, opened on first use on $DISPLAY.
    static X11Session& shared();
    // Replaces the shared session (tests; pass nullptr to open anew on next use).
    static void setShared(std::unique_ptr<X11Session> session);

    // Opens a connection to `displayName` (empty: $DISPLAY). Failure leaves the session
    // unavailable; it never throws.
    explicit X11Session(const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~X11Session() override;

    bool isAvailable() const { return m_display != nullptr; }
    _XDisplay* display() const { return m_display; }
    xcb_connection_t* xcbConnection() const;
    Window rootWindow() const { return m_root; }

    // Atoms, interned once and cached. 0 without a display, or with `onlyIfExists` when
    // the server does not know the name.
    Atom atom(const char* name, bool onlyIfExists = false);
    Atom atom(const QString& name, bool onlyIfExists = false);
    // Makes the atoms of those names known in one round trip (the ones not known yet), for
    // code that is about to ask for several.
    void internAtoms(std::initializer_list<const char*> names);
    QString atomName(Atom atom);

    // Event dispatch. `type` is an X event type (PropertyNotify, SelectionRequest, an
    // extension's first event + n, ...); `window` 0 listens on every window, otherwise
    // only events whose `xany.window` is that window. Listeners may add or remove
    // listeners while being called.
    ListenerId addEventListener(int type, Window window, EventListener listener);
    // Generic events (XInput2 and other XGE extensions): the cookie's data is fetched
    // before the listener runs and freed after. `evtype` -1 takes every event type of
    // the extension.
    ListenerId addGenericEventListener(int extensionOpcode, int evtype, EventListener listener);
    void removeEventListener(ListenerId id);

    // Adds event mask bits to what this connection selects on `window` (keeps the bits
    // selected before by other users of the session).
    void addInputMask(Window window, long mask);

    // Reads and dispatches every event that has arrived. Called by the socket notifier
    // and before the event loop sleeps; tests may call it directly.
    void processPendingEvents();
    void flush();
    void sync();

    // Window properties of any client. 32-bit formats come back as `unsigned long` per
    // item, as Xlib delivers them. Missing property or wrong type gives nothing.
    struct Property {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        QByteArray data;
    };
    std::optional<Property> property(Window window, Atom property, Atom type = 0 /* any */,
                                     long maxLongs = 1 << 20);
    QList<unsigned long> longsProperty(Window window, Atom property, Atom type);
    std::optional<unsigned long> longProperty(Window window, Atom property, Atom type);
    // A text property: UTF8_STRING, else STRING (Latin-1).
    QString textProperty(Window window, Atom property);

    // Sends a 32-bit client message about `about` to `target` with the given mask
    // (for the window manager: SubstructureRedirect|SubstructureNotify on the root).
    bool sendClientMessage(Window target, Window about, Atom messageType,
                           const long (&data)[5], long eventMask);

    // Gives the keyboard focus to a window now (reverting to the pointer's window), without
    // waiting for the window manager.
    void setInputFocus(Window window);
    // Rings the bell at `percent` (-100 to 100) of the base volume.
    void bell(int percent);

    // A current server time: made by a zero-length property change on a private window.
    Time serverTime();

    // Seconds since the user's last input (XScreenSaver), -1.0 when it cannot be read.
    // Safe from any thread.
    double idleSeconds() const;

    // True when the server has the extension; gives its opcode and first event/error.
    bool queryExtension(const char* name, int* opcode = nullptr, int* firstEvent = nullptr,
                        int* firstError = nullptr);

private:
    struct Listener {
        ListenerId id;
        int type;
        Window window;
        int extension;  // generic events: opcode; else -1
        int evtype;
        EventListener fn;
    };

    void dispatch(_XEvent& event);
    Window helperWindow();

    _XDisplay* m_display = nullptr;
    Window m_root = 0;
    Window m_helper = 0;
    QSocketNotifier* m_notifier = nullptr;
    QMetaObject::Connection m_blockHook;
    QMetaObject::Connection m_awakeHook;
    QHash<QByteArray, Atom> m_atoms;
    QHash<Window, long> m_masks;
    QList<Listener> m_listeners;
    ListenerId m_nextId = 1;
    bool m_dispatching = false;
};
