#pragma once
// One settings domain: a dictionary kept in the XML property-list file
// $XDG_CONFIG_HOME/runebox/<domain>.plist.
//
// Every change is written through at once: under a lock file the current file is read
// again, this change (and any earlier one still waiting) is applied to it and the result
// replaces the file atomically (kx::AtomicFile), so that a crash or a full disk leaves
// the old file, and changes that other processes made to other keys are kept. A change
// that cannot be written (full disk, folder not writable) stays in effect here and
// pending: it is written with the next change, by a retry every few seconds, and by
// flush() (the application calls it at quit through the store's synchronize).
//
// Texts that an XML file cannot carry (kx::plist::characterXmlCannotCarry) are refused,
// and left out when a file (binary or written by another program) holds them, so that
// no value can make the file unreadable. A file watcher (on the file and its folder,
// since an atomic replacement is a rename) reads the file again when it changes and
// reports every key whose value differs from the one held here. A file that cannot be
// read, or that is empty, is damage, never the removal of every key: the values held
// here stay, and the next write (or the watcher, once the damage has lasted a moment)
// keeps the file aside as "<file>.corrupt-N" and writes them whole.

#include <QMutex>
#include <QSet>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QFileSystemWatcher;
class QTimer;

namespace platform {

// What became of a change of a setting.
struct Stored {
    enum Status {
        Saved,        // in effect and on disk
        NotYetSaved,  // in effect; the file could not be written yet (reason says why)
        Refused,      // not stored at all (reason says why)
    };
    Status status = Saved;
    QString reason;
    bool saved() const { return status == Saved; }
    explicit operator bool() const { return saved(); }
};

class DefaultsDomain : public QObject {
    Q_OBJECT
public:
    enum class Watch { No, Yes };

    // Told of every write between its two steps: the new contents are on disk, the old
    // file is not yet replaced. Called with the domain's lock held.
    class WriteListener {
    public:
        virtual ~WriteListener() = default;
        virtual void contentsWritten(const QString& path) = 0;
    };

    // Reads the file. With Watch::Yes and an application object, changes by other
    // processes are watched for on the main thread (the object moves there). The
    // listener, if any, must outlive the domain.
    explicit DefaultsDomain(const QString& domain, Watch watch = Watch::Yes, WriteListener* listener = nullptr);
    ~DefaultsDomain() override;

    // $XDG_CONFIG_HOME/runebox (~/.config/runebox by default).
    static QString folderPath();
    static QString pathForDomain(const QString& domain);
    // The dictionary of a domain's file, read once (empty when missing or unreadable).
    static QVariantMap readDomain(const QString& domain);

    QString domain() const { return domain_; }
    QString path() const { return path_; }

    QVariant value(const QString& key) const;
    QVariantMap values() const;

    // Stores a value (nil removes the key) and writes the file; a value equal to the
    // one held here (and not waiting to be written) writes nothing. The value held here
    // changes even when the file cannot be written: then the change is pending, the
    // failure logged and the answer NotYetSaved. A key or value holding text that the
    // file cannot carry is Refused and changes nothing.
    Stored setValue(const QString& key, const QVariant& value);
    Stored removeValue(const QString& key) { return setValue(key, QVariant()); }

    // Holds the writes: changes take effect here at once and wait as pending changes
    // (NotYetSaved) until releaseWrites() writes them together. For a burst of changes
    // that must not wait on the disk, such as those of one user action before its
    // result is drawn. Holds nest; the last release writes.
    void holdWrites();
    Stored releaseWrites();

    // How often a pending change is tried again while the application runs.
    static constexpr int RetryIntervalMs = 3000;
    // How long a file seen damaged by the watcher may stay so before it is set aside and
    // written anew from the values held here.
    static constexpr int RepairDelayMs = 1000;

    // Writes the pending changes now; Saved when none are left.
    Stored flush();
    // The keys whose changes are not on disk yet.
    QStringList pendingKeys() const;
    // Gives the pending changes up (for a program about to end that reported them as
    // not saved); the values are the file's again.
    void forgetPending();
    // Why the file could not be read when it was last read (empty when it could).
    QString readError() const;

    // Reads the file again now; reports and answers the keys whose values changed.
    // Pending changes stay in effect over what the file says.
    QStringList reload();

    // Receives each key changed by another process with its new value (nil when
    // removed). Called on the thread that notices the change (the main thread for
    // the watcher), never while an internal lock is held.
    using ChangeHandler = std::function<void(const QString& key, const QVariant& newValue)>;
    void setChangeHandler(ChangeHandler handler);

private:
    void startWatching();
    void watchedPathChanged();
    // Writes the pending changes; called with mutex_ held.
    Stored writePending();

    const QString domain_;
    const QString path_;
    WriteListener* const listener_;
    mutable QMutex mutex_;  // values_ and the read-compare / write sequences
    QVariantMap values_;
    QSet<QString> pending_;  // keys whose value here is not on disk yet
    int holds_ = 0;
    QString readError_;
    QString lastWriteError_;
    ChangeHandler handler_;
    QMutex handlerMutex_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* debounce_ = nullptr;
    QTimer* retry_ = nullptr;
};

} // namespace platform
