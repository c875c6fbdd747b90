#pragma once
// The clipboard as the clipboard manager of the insertion code sees it: a change
// count, declaring types with lazily provided data, and reading the current owner's
// types and data. X11Clipboard serves the X CLIPBOARD selection; tests may serve one
// in memory.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace kx::x11 {

// One type's data as it travels: the bytes, the type they are tagged with (empty:
// the requested type itself) and the unit size in bits (8, 16 or 32; 32-bit data is
// kept as 4-byte units in host order).
struct ClipboardData {
    QByteArray bytes;
    QString dataType;
    int format = 8;
    bool operator==(const ClipboardData&) const = default;
};

class ClipboardBackend {
public:
    // Called on the main thread when a reader asks for a declared type. Nothing: no data.
    using Provider = std::function<std::optional<ClipboardData>(const QString& type)>;

    virtual ~ClipboardBackend() = default;

    virtual bool isAvailable() const = 0;
    // Counts every change of the clipboard's owner, ours and others'.
    virtual int changeCount() = 0;
    // Takes the clipboard with these types; answers the new change count.
    virtual int declareTypes(const QStringList& types, Provider provider) = 0;
    // Whether the types declared last are still ours.
    virtual bool ownsClipboard() = 0;
    // Gives the clipboard up when it is ours, so that it has no owner; answers the
    // change count afterwards.
    virtual int releaseClipboard() = 0;
    // The current owner's types (without the protocol's own targets), waiting at most
    // the time-out for each answer; nothing when there is no owner or it did not answer.
    // `timedOut` (when given) tells an owner that did not answer in time from one that
    // has nothing.
    virtual std::optional<QStringList> availableTypes(int timeoutMs, bool* timedOut = nullptr) = 0;
    // One type's data from the current owner, waiting at most the time-out for each
    // answer (data in chunks waits that long for every chunk).
    virtual std::optional<ClipboardData> dataForType(const QString& type, int timeoutMs,
                                                     bool* timedOut = nullptr) = 0;
    // Called on the main thread when a reader asks for a type that is not declared (nor
    // one of the protocol's own targets) while we own the clipboard; it is refused all
    // the same.
    using RefusalHandler = std::function<void(const QString& type)>;
    virtual void setRefusalHandler(RefusalHandler handler) { (void)handler; }
    // Answers the readers of what we own at once, until `done` holds or the time-out has
    // passed: a reader that asks right after a paste key then waits for no other work of
    // the main thread. Backends whose readers need no serving return at once.
    virtual void serveReaders(int timeoutMs, const std::function<bool()>& done) {
        (void)timeoutMs;
        (void)done;
    }
    // Logs every request a reader makes of what we own, and its answer (the clipboard
    // trace); backends that are not read by others ignore it.
    virtual void setTracing(bool on) { (void)on; }
    // Asks a running clipboard manager to take a copy of what we own; true when it did.
    virtual bool handOverToClipboardManager(int timeoutMs) = 0;
    // Starts the keeper program (see ClipboardKeeper.h) on a copy of what we own and waits
    // until it has taken the clipboard; true when it did. Backends that cannot outlive
    // the program answer false.
    virtual bool handOverToKeeper(const QString& program, int timeoutMs) {
        (void)program;
        (void)timeoutMs;
        return false;
    }
};

} // namespace kx::x11
