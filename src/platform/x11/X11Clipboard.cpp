#include "platform/x11/X11Clipboard.h"

#include "core/Log.h"
#include "platform/x11/ClipboardKeeper.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/XErrorTrap.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QSet>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <climits>
#include <cstring>
#include <functional>
#include <poll.h>

namespace kx::x11 {

namespace {

// The selection protocol's own targets, answered by every owner itself.
const QSet<QString>& protocolTargets() {
    static const QSet<QString> t{QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
                                 QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS"),
                                 QStringLiteral("DELETE"), QStringLiteral("INSERT_SELECTION"),
                                 QStringLiteral("INSERT_PROPERTY")};
    return t;
}

// Waits on a connection until an event matches or the time is up; other events of
// that connection are dropped (the private reading connection has no other users).
bool waitForEvent(Display* dpy, XEvent& out, const std::function<bool(const XEvent&)>& match,
                  int timeoutMs) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        while (XPending(dpy) > 0) {
            XNextEvent(dpy, &out);
            if (match(out)) return true;
        }
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0) return false;
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, static_cast<int>(std::min<qint64>(left, 100)));
    }
}

// Property items as Xlib hands them (format 32 as longs) → wire-sized units.
QByteArray itemsToBytes(const unsigned char* data, int format, unsigned long items) {
    if (!data || !items) return {};
    if (format == 32) {
        QByteArray out(static_cast<qsizetype>(items * 4), Qt::Uninitialized);
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < items; ++i) {
            const auto v = static_cast<quint32>(longs[i]);
            std::memcpy(out.data() + i * 4, &v, 4);
        }
        return out;
    }
    const int unit = format == 16 ? static_cast<int>(sizeof(short)) : 1;
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(items * unit));
}

void changeProperty(Display* dpy, Window w, Atom property, Atom type, int format, const QByteArray& bytes,
                    int mode = PropModeReplace) {
    if (format == 32) {
        const qsizetype n = bytes.size() / 4;
        std::vector<long> longs(static_cast<std::size_t>(n));
        for (qsizetype i = 0; i < n; ++i) {
            quint32 v = 0;
            std::memcpy(&v, bytes.constData() + i * 4, 4);
            longs[static_cast<std::size_t>(i)] = static_cast<long>(v);
        }
        XChangeProperty(dpy, w, property, type, 32, mode,
                        reinterpret_cast<const unsigned char*>(longs.data()), static_cast<int>(n));
    } else if (format == 16) {
        XChangeProperty(dpy, w, property, type, 16, mode,
                        reinterpret_cast<const unsigned char*>(bytes.constData()),
                        static_cast<int>(bytes.size() / 2));
    } else {
        XChangeProperty(dpy, w, property, type, 8, mode,
                        reinterpret_cast<const unsigned char*>(bytes.constData()),
                        static_cast<int>(bytes.size()));
    }
}

QString atomName(Display* dpy, Atom a) {
    if (!a) return {};
    char* n = XGetAtomName(dpy, a);
    const QString s = n ? QString::fromUtf8(n) : QString();
    if (n) XFree(n);
    return s;
}

} // namespace

struct X11Clipboard::IncrTransfer {
    Window requestor = 0;
    Atom property = 0;
    Atom type = 0;
    int format = 8;
    QByteArray bytes;
    qsizetype offset = 0;
    bool sentEnd = false;
    QElapsedTimer started;
};

// A private connection with a window of its own for reading another owner's data.
struct X11Clipboard::Reader {
    Display* dpy = nullptr;
    Window window = 0;
    Atom clipboard = 0, property = 0, incr = 0;
    // The latest read ended because the owner stopped answering.
    bool timedOut = false;

    explicit Reader(const char* displayName) {
        dpy = XOpenDisplay(displayName);
        if (!dpy) return;
        // An error on this connection is logged; Xlib's own handler would end the process.
        XErrorTrap::registerDisplay(dpy);
        XSetWindowAttributes attrs{};
        attrs.event_mask = PropertyChangeMask;
        window = XCreateWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, InputOnly,
                               CopyFromParent, CWEventMask, &attrs);
        clipboard = XInternAtom(dpy, "CLIPBOARD", False);
        property = XInternAtom(dpy, "_RUNEBOX_CLIPBOARD_READ", False);
        incr = XInternAtom(dpy, "INCR", False);
    }
    ~Reader() {
        if (!dpy) return;
        XDestroyWindow(dpy, window);
        XSync(dpy, False);
        XErrorTrap::unregisterDisplay(dpy);
        XCloseDisplay(dpy);
    }

    // Waits at most `timeoutMs` for each answer of the owner: the notice, and every
    // chunk of data sent incrementally.
    std::optional<ClipboardData> read(Atom target, int timeoutMs) {
        timedOut = false;
        if (!dpy) return std::nullopt;
        XDeleteProperty(dpy, window, property);
        // Stale notices of an earlier, abandoned read must not answer this one.
        XSync(dpy, False);
        XEvent drop;
        while (XPending(dpy) > 0) XNextEvent(dpy, &drop);
        XConvertSelection(dpy, clipboard, target, property, window, CurrentTime);
        XFlush(dpy);
        XEvent ev;
        const Window w = window;
        const bool answered = waitForEvent(dpy, ev, [w, target](const XEvent& e) {
            return e.type == SelectionNotify && e.xselection.requestor == w && e.xselection.target == target;
        }, timeoutMs);
        if (!answered) {
            log(QStringLiteral("clipboard owner did not answer for %1").arg(atomName(dpy, target)));
            timedOut = true;
            return std::nullopt;
        }
        if (ev.xselection.property == None) return std::nullopt;

        Atom type = 0;
        int format = 0;
        QByteArray bytes;
        if (!readProperty(type, format, bytes)) return std::nullopt;
        if (type == incr) {
            // Chunks follow, each announced by a new value; an empty one ends them.
            bytes.clear();
            for (;;) {
                const Atom prop = property;
                const bool more = waitForEvent(dpy, ev, [w, prop](const XEvent& e) {
                    return e.type == PropertyNotify && e.xproperty.window == w && e.xproperty.atom == prop &&
                           e.xproperty.state == PropertyNewValue;
                }, timeoutMs);
                if (!more) {
                    log(QStringLiteral("time-out in incremental clipboard transfer of %1").arg(atomName(dpy, target)));
                    timedOut = true;
                    return std::nullopt;
                }
                QByteArray chunk;
                if (!readProperty(type, format, chunk)) return std::nullopt;
                if (chunk.isEmpty()) break;
                if (bytes.size() + chunk.size() > MaxDataSize) {
                    log(QStringLiteral("clipboard data of %1 too large").arg(atomName(dpy, target)));
                    XDeleteProperty(dpy, window, property);
                    return std::nullopt;
                }
                bytes += chunk;
            }
        }
        return ClipboardData{bytes, atomName(dpy, type), format ? format : 8};
    }

    // Reads and deletes the property (deleting asks an incremental sender for more).
    bool readProperty(Atom& type, int& format, QByteArray& out) {
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, window, property, 0, MaxDataSize / 4, True, AnyPropertyType, &type,
                               &format, &items, &after, &data) != Success) {
            return false;
        }
        out = itemsToBytes(data, format, items);
        if (data) XFree(data);
        if (after > 0) {
            log(QStringLiteral("clipboard data too large"));
            return false;
        }
        return true;
    }
};

X11Clipboard::X11Clipboard(X11Session* session, QObject* parent)
    : QObject(parent), session_(session ? session : &X11Session::shared()) {
    if (!session_->isAvailable()) return;
    dpy_ = session_->display();
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.event_mask = PropertyChangeMask;
    window_ = XCreateWindow(dpy_, session_->rootWindow(), -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent,
                            CWOverrideRedirect | CWEventMask, &attrs);
    session_->addInputMask(window_, PropertyChangeMask);
    clipboard_ = session_->atom("CLIPBOARD");
    const long maxRequest = XExtendedMaxRequestSize(dpy_) ? XExtendedMaxRequestSize(dpy_) : XMaxRequestSize(dpy_);
    chunkSize_ = static_cast<int>(std::min<long>(256 * 1024, maxRequest * 4 - 1024));

    listeners_ << session_->addEventListener(SelectionRequest, window_, [this](const XEvent& e) { onSelectionRequest(e); });
    listeners_ << session_->addEventListener(SelectionClear, window_, [this](const XEvent& e) { onSelectionClear(e); });
    listeners_ << session_->addEventListener(PropertyNotify, 0, [this](const XEvent& e) { onPropertyNotify(e); });

    int errorBase = 0;
    if (XFixesQueryExtension(dpy_, &fixesEventBase_, &errorBase)) {
        int major = 5, minor = 0;
        XFixesQueryVersion(dpy_, &major, &minor);
        XFixesSelectSelectionInput(dpy_, session_->rootWindow(), clipboard_,
                                   XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
        listeners_ << session_->addEventListener(fixesEventBase_ + XFixesSelectionNotify, 0,
                                                 [this](const XEvent& e) { onOwnerChange(e); });
    } else {
        fixesEventBase_ = -1;
        log(QStringLiteral("X11: no XFixes extension; clipboard changes by others are not seen"));
    }
    XFlush(dpy_);
}

X11Clipboard::~X11Clipboard() {
    for (quint64 id : std::as_const(listeners_)) session_->removeEventListener(id);
    if (dpy_ && window_) {
        XDestroyWindow(dpy_, window_);
        XFlush(dpy_);
    }
}

bool X11Clipboard::isAvailable() const { return dpy_ != nullptr; }

int X11Clipboard::changeCount() {
    if (dpy_) {
        XSync(dpy_, False);
        session_->processPendingEvents();
    }
    return count_;
}

int X11Clipboard::declareTypes(const QStringList& types, Provider provider) {
    types_ = types;
    provider_ = std::move(provider);
    if (!dpy_) return ++count_;
    // Count what happened before, so that it is not taken for a change after ours.
    changeCount();
    const unsigned long t = session_->serverTime();
    XSetSelectionOwner(dpy_, clipboard_, window_, t);
    owning_ = XGetSelectionOwner(dpy_, clipboard_) == window_;
    if (!owning_) log(QStringLiteral("could not take the clipboard"));
    ownTime_ = t;
    if (tracing_)
        trace(QStringLiteral("took the clipboard at %1 (+%2 ms since the last time) with %3")
                  .arg(t)
                  .arg(declared_.isValid() ? declared_.elapsed() : -1)
                  .arg(types.join(QStringLiteral(", "))));
    declared_.start();
    ownTimes_.append(t);
    if (ownTimes_.size() > 16) ownTimes_.removeFirst();
    session_->processPendingEvents();
    return ++count_;
}

void X11Clipboard::serveReaders(int timeoutMs, const std::function<bool()>& done) {
    if (!dpy_) return;
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        // Only the requests to our window and the loss of the clipboard: every other
        // event stays queued for the session's dispatch.
        XEvent e;
        while (owning_ && XCheckTypedWindowEvent(dpy_, window_, SelectionClear, &e)) onSelectionClear(e);
        while (owning_ && XCheckTypedWindowEvent(dpy_, window_, SelectionRequest, &e)) onSelectionRequest(e);
        if (!owning_ || done()) return;
        const qint64 left = deadline.remainingTime();
        if (left <= 0) return;
        pollfd readable{ConnectionNumber(dpy_), POLLIN, 0};
        ::poll(&readable, 1, int(left));
    }
}

bool X11Clipboard::ownsClipboard() {
    if (!dpy_) return false;
    session_->processPendingEvents();
    return owning_ && XGetSelectionOwner(dpy_, clipboard_) == window_;
}

void X11Clipboard::release() {
    if (!dpy_ || !owning_) return;
    XSetSelectionOwner(dpy_, clipboard_, None, ownTime_);
    owning_ = false;
    trace(QStringLiteral("gave the clipboard up"));
    XFlush(dpy_);
}

int X11Clipboard::releaseClipboard() {
    release();
    // The server's notice of the release is counted before the count is answered.
    return changeCount();
}

void X11Clipboard::onSelectionClear(const XEvent& e) {
    if (e.xselectionclear.selection != clipboard_) return;
    owning_ = false;
    trace(QStringLiteral("another client took the clipboard"));
    emit lostOwnership();
}

void X11Clipboard::onOwnerChange(const XEvent& e) {
    const auto& ev = reinterpret_cast<const XFixesSelectionNotifyEvent&>(e);
    if (ev.selection != clipboard_) return;
    // Our own takings were counted when they were made.
    if (ev.subtype == XFixesSetSelectionOwnerNotify && ev.owner == window_ &&
        ownTimes_.contains(ev.selection_timestamp))
        return;
    ++count_;
}

std::optional<ClipboardData> X11Clipboard::ownData(const QString& type) {
    if (!types_.contains(type) || !provider_) return std::nullopt;
    return provider_(type);
}

bool X11Clipboard::writeData(unsigned long requestor, unsigned long property, unsigned long target,
                             const ClipboardData& data) {
    const Atom type = data.dataType.isEmpty() ? target : session_->atom(data.dataType);
    const int format = (data.format == 16 || data.format == 32) ? data.format : 8;
    if (data.bytes.size() > chunkSize_) {
        auto tr = std::make_shared<IncrTransfer>();
        tr->requestor = requestor;
        tr->property = property;
        tr->type = type;
        tr->format = format;
        tr->bytes = data.bytes;
        tr->started.start();
        session_->addInputMask(requestor, PropertyChangeMask);
        const long size = static_cast<long>(data.bytes.size());
        XChangeProperty(dpy_, requestor, property, session_->atom("INCR"), 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        transfers_.append(tr);
        if (tracing_) traceAnswer_ = QStringLiteral("INCR of %1 bytes").arg(size);
        return true;
    }
    changeProperty(dpy_, requestor, property, type, format, data.bytes);
    if (tracing_) traceAnswer_ = QStringLiteral("%1 bytes").arg(data.bytes.size());
    return true;
}

bool X11Clipboard::convert(unsigned long requestor, unsigned long target, unsigned long property) {
    const QString name = session_->atomName(target);
    if (name == u"TARGETS") {
        QByteArray atoms;
        auto put = [&atoms](unsigned long a) {
            const auto v = static_cast<quint32>(a);
            atoms.append(reinterpret_cast<const char*>(&v), 4);
        };
        put(session_->atom("TARGETS"));
        put(session_->atom("MULTIPLE"));
        put(session_->atom("TIMESTAMP"));
        for (const QString& t : std::as_const(types_))
            if (!protocolTargets().contains(t)) put(session_->atom(t));
        changeProperty(dpy_, requestor, property, XA_ATOM, 32, atoms);
        if (tracing_) traceAnswer_ = QStringLiteral("%1 targets").arg(atoms.size() / 4);
        return true;
    }
    if (name == u"TIMESTAMP") {
        const auto v = static_cast<quint32>(ownTime_);
        changeProperty(dpy_, requestor, property, XA_INTEGER, 32, QByteArray(reinterpret_cast<const char*>(&v), 4));
        return true;
    }
    if (name == u"MULTIPLE") {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy_, requestor, property, 0, 1024, False, AnyPropertyType, &type, &format,
                               &items, &after, &data) != Success || format != 32 || items % 2) {
            if (data) XFree(data);
            return false;
        }
        std::vector<unsigned long> pairs(reinterpret_cast<unsigned long*>(data),
                                         reinterpret_cast<unsigned long*>(data) + items);
        XFree(data);
        for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
            const QString t = session_->atomName(pairs[i]);
            if (t == u"MULTIPLE" || !pairs[i + 1] || !convert(requestor, pairs[i], pairs[i + 1]))
                pairs[i + 1] = None;
        }
        XChangeProperty(dpy_, requestor, property, type, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(pairs.data()), static_cast<int>(pairs.size()));
        return true;
    }
    if (!types_.contains(name) || !provider_) {
        if (refusal_ && owning_ && !name.isEmpty()) refusal_(name);
        return false;
    }
    const std::optional<ClipboardData> data = provider_(name);
    if (!data) return false;
    return writeData(requestor, property, target, *data);
}

void X11Clipboard::onSelectionRequest(const XEvent& e) {
    const XSelectionRequestEvent& r = e.xselectionrequest;
    const Atom property = r.property ? r.property : r.target;   // old clients give none
    bool ok = false;
    if (r.selection == clipboard_ && owning_ && (r.time == CurrentTime || r.time >= ownTime_)) {
        XErrorTrap trap(*session_);
        ok = convert(r.requestor, r.target, property);
        if (trap.sync().failed()) ok = false;   // the requestor went away
    }
    XSelectionEvent n{};
    n.type = SelectionNotify;
    n.display = dpy_;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.property = ok ? property : None;
    n.time = r.time;
    XErrorTrap trap(*session_);
    XSendEvent(dpy_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&n));
    trap.sync();
    if (tracing_) {
        const QString answer = ok                   ? traceAnswer_
                               : !owning_           ? QStringLiteral("refused, not ours")
                               : r.time != CurrentTime && r.time < ownTime_
                                   ? QStringLiteral("refused, asked for an earlier owner")
                                   : QStringLiteral("refused");
        trace(QStringLiteral("0x%1 asks %2 at +%3 ms (its time %4): %5")
                  .arg(r.requestor, 0, 16)
                  .arg(session_->atomName(r.target))
                  .arg(declared_.isValid() ? declared_.elapsed() : -1)
                  .arg(r.time)
                  .arg(answer));
        traceAnswer_.clear();
    }
}

void X11Clipboard::trace(const QString& text) const {
    if (tracing_) log(QStringLiteral("clipboard: ") + text);
}

void X11Clipboard::onPropertyNotify(const XEvent& e) {
    if (transfers_.isEmpty() || e.xproperty.state != PropertyDelete) return;
    // Transfers whose reader stopped asking are dropped after a while.
    transfers_.removeIf([](const std::shared_ptr<IncrTransfer>& t) { return t->started.elapsed() > 30000; });
    for (qsizetype i = 0; i < transfers_.size(); ++i) {
        const auto tr = transfers_.at(i);
        if (tr->requestor != e.xproperty.window || tr->property != e.xproperty.atom) continue;
        if (tr->sentEnd) {
            if (tracing_) trace(QStringLiteral("0x%1 has the last chunk at +%2 ms").arg(tr->requestor, 0, 16).arg(declared_.elapsed()));
            transfers_.removeAt(i);
            return;
        }
        const QByteArray chunk = tr->bytes.mid(tr->offset, chunkSize_);
        tr->offset += chunk.size();
        if (chunk.isEmpty()) tr->sentEnd = true;
        XErrorTrap trap(*session_);
        changeProperty(dpy_, tr->requestor, tr->property, tr->type, tr->format, chunk);
        if (trap.sync().failed()) transfers_.removeAt(i);
        return;
    }
}

X11Clipboard::Reader* X11Clipboard::reader() {
    if (!reader_ && dpy_) reader_ = std::make_unique<Reader>(DisplayString(dpy_));
    return reader_ && reader_->dpy ? reader_.get() : nullptr;
}

std::optional<ClipboardData> X11Clipboard::readOther(unsigned long target, int timeoutMs, bool* timedOut) {
    Reader* r = reader();
    if (!r) return std::nullopt;
    std::optional<ClipboardData> data = r->read(target, timeoutMs);
    if (r->timedOut) {
        // The owner may still answer: into a window that is gone by then.
        reader_.reset();
        if (timedOut) *timedOut = true;
    }
    return data;
}

std::optional<QStringList> X11Clipboard::availableTypes(int timeoutMs, bool* timedOut) {
    if (timedOut) *timedOut = false;
    if (!dpy_) return std::nullopt;
    const Window owner = XGetSelectionOwner(dpy_, clipboard_);
    if (owner == None) return std::nullopt;
    if (owner == window_) return types_;
    const std::optional<ClipboardData> targets = readOther(session_->atom("TARGETS"), timeoutMs, timedOut);
    if (!targets || targets->format != 32) return std::nullopt;
    QStringList names;
    for (qsizetype i = 0; i + 4 <= targets->bytes.size(); i += 4) {
        quint32 a = 0;
        std::memcpy(&a, targets->bytes.constData() + i, 4);
        const QString n = session_->atomName(a);
        if (!n.isEmpty() && !protocolTargets().contains(n) && !names.contains(n)) names << n;
    }
    return names;
}

std::optional<ClipboardData> X11Clipboard::dataForType(const QString& type, int timeoutMs, bool* timedOut) {
    if (timedOut) *timedOut = false;
    if (!dpy_) return std::nullopt;
    const Window owner = XGetSelectionOwner(dpy_, clipboard_);
    if (owner == None) return std::nullopt;
    if (owner == window_) return ownData(type);
    return readOther(session_->atom(type), timeoutMs, timedOut);
}

bool X11Clipboard::handOverToClipboardManager(int timeoutMs) {
    if (!dpy_ || !ownsClipboard()) return false;
    const Atom manager = session_->atom("CLIPBOARD_MANAGER");
    if (XGetSelectionOwner(dpy_, manager) == None) return false;
    bool done = false, ok = false;
    const auto id = session_->addEventListener(SelectionNotify, window_, [&](const XEvent& e) {
        if (e.xselection.selection != manager) return;
        done = true;
        ok = e.xselection.property != None;
    });
    XConvertSelection(dpy_, manager, session_->atom("SAVE_TARGETS"), session_->atom("_RUNEBOX_SAVE_TARGETS"),
                      window_, session_->serverTime());
    XFlush(dpy_);
    // The manager reads our types meanwhile: keep serving the connection.
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < timeoutMs) {
        session_->processPendingEvents();
        if (done) break;
        pollfd p{ConnectionNumber(dpy_), POLLIN, 0};
        poll(&p, 1, 20);
    }
    session_->removeEventListener(id);
    if (!done) log(QStringLiteral("clipboard manager did not answer"));
    return ok;
}

bool X11Clipboard::handOverToKeeper(const QString& program, int timeoutMs) {
    if (!dpy_ || !ownsClipboard()) return false;
    QList<KeptType> kept;
    for (const QString& type : std::as_const(types_))
        if (std::optional<ClipboardData> data = ownData(type)) kept << KeptType{type, *data};
    if (kept.isEmpty()) return false;
    // A private file of a name of its own, replaced whole by the copy.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) folder = QDir::tempPath();
    QTemporaryFile name(folder + QStringLiteral("/runebox-clipboard-XXXXXX"));
    name.setAutoRemove(false);
    if (!name.open()) {
        log(QStringLiteral("cannot keep the clipboard: %1").arg(name.errorString()));
        return false;
    }
    name.close();
    QString error;
    if (!writeKeptClipboard(name.fileName(), kept, &error)) {
        log(QStringLiteral("cannot keep the clipboard: %1").arg(error));
        QFile::remove(name.fileName());
        return false;
    }
    QProcess keeper;
    keeper.setProgram(program);
    keeper.setArguments({name.fileName()});
    keeper.setStandardOutputFile(QProcess::nullDevice());
    if (!keeper.startDetached()) {
        log(QStringLiteral("cannot keep the clipboard: %1 does not start").arg(program));
        QFile::remove(name.fileName());
        return false;
    }
    // Served until the keeper has it: it reads our types as any reader would.
    QElapsedTimer t;
    t.start();
    bool ours = true;
    while ((ours = ownsClipboard()) && t.elapsed() < timeoutMs) {
        pollfd p{ConnectionNumber(dpy_), POLLIN, 0};
        poll(&p, 1, 20);
    }
    if (ours) log(QStringLiteral("the clipboard keeper did not take the clipboard"));
    return !ours;
}

} // namespace kx::x11
