#pragma once
// Captures the X errors of a block of requests on the session's connection.
//
//   XErrorTrap trap;                       // on X11Session::shared()
//   XGrabKey(dpy, ...); XGrabKey(dpy, ...);
//   if (trap.sync().hasError(BadAccess)) ...
//
// Errors arrive asynchronously; `sync()` makes the server answer everything sent so
// far. Traps nest: the innermost active trap of a connection receives its errors.
// Errors on our connections outside any trap are logged and otherwise ignored (Xlib's
// default would end the process).

#include <QList>
#include <QString>

class X11Session;
struct _XDisplay;

class XErrorTrap {
public:
    struct Error {
        int code = 0;          // BadAccess, BadWindow, ...
        int requestCode = 0;   // major opcode
        int minorCode = 0;
        unsigned long resource = 0;
        unsigned long serial = 0;
    };

    explicit XErrorTrap(X11Session& session);
    XErrorTrap();  // on X11Session::shared()
    ~XErrorTrap();  // syncs, then stops capturing
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits until the server has handled every request sent so far.
    XErrorTrap& sync();

    const QList<Error>& errors() const { return m_errors; }
    bool failed() const { return !m_errors.isEmpty(); }
    bool hasError(int code) const;
    void clear() { m_errors.clear(); }

    // A short text for logs: "BadAccess (request 33.0, resource 0x...)".
    static QString describe(_XDisplay* display, const Error& error);

    // Used by X11Session: routes the errors of `display` to traps and the log.
    static void registerDisplay(_XDisplay* display);
    static void unregisterDisplay(_XDisplay* display);

private:
    friend struct XErrorTrapRegistry;
    _XDisplay* m_display = nullptr;
    XErrorTrap* m_outer = nullptr;
    unsigned long m_firstSerial = 0;
    QList<Error> m_errors;
};
