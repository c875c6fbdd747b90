#pragma once
// One settings domain: a dictionary kept in the XML property-list file
// $XDG_CONFIG_HOME/runebox/<domain>.plist.
//
// Every change is written through at once: under a lock file the current file is read
// again, this one change is applied to it and the result replaces the file atomically
// (QSaveFile), so that a crash mid-write leaves the old file, and changes that other
// processes made to other keys are kept. A file watcher (on the file and its folder,
// since an atomic replacement is a rename) reads the file again when it changes and
// reports every key whose value differs from the one held here.

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QFileSystemWatcher;
class QTimer;

namespace platform {

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

    // Stores a value (nil removes the key) and writes the file. The value held here
    // changes even when the file cannot be written; then the failure is logged and
    // false answered.
    bool setValue(const QString& key, const QVariant& value);
    bool removeValue(const QString& key) { return setValue(key, QVariant()); }

    // Reads the file again now; reports and answers the keys whose values changed.
    QStringList reload();

    // Receives each key changed by another process with its new value (nil when
    // removed). Called on the thread that notices the change (the main thread for
    // the watcher), never while an internal lock is held.
    using ChangeHandler = std::function<void(const QString& key, const QVariant& newValue)>;
    void setChangeHandler(ChangeHandler handler);

private:
    void startWatching();
    void watchedPathChanged();
    bool writeChange(const QString& key, const QVariant& value);

    const QString domain_;
    const QString path_;
    WriteListener* const listener_;
    mutable QMutex mutex_;  // values_ and the read-compare / write sequences
    QVariantMap values_;
    ChangeHandler handler_;
    QMutex handlerMutex_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* debounce_ = nullptr;
};

} // namespace platform
