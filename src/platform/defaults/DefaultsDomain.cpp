#include "platform/defaults/DefaultsDomain.h"

#include "core/AtomicFile.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "core/Plist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QThread>
#include <QTimer>

namespace platform {

namespace {

// A domain name as a file name: no folder separators, no hidden or parent names.
QString fileNameForDomain(const QString& domain) {
    QString name = domain;
    name.replace(u'/', u'_');
    if (name.isEmpty() || name.startsWith(u'.')) name.prepend(u'_');
    return name + QStringLiteral(".plist");
}

// The file's dictionary; `ok` false when the file exists but is not a readable
// dictionary (a missing file is an empty domain). An empty file is damage too: this
// store never writes one (an empty domain is an empty dictionary), so it is another
// program's doing, such as a truncation, and not the removal of every key. Texts the
// XML form cannot carry (a binary file or another program may hold them) are left out,
// each with a log line.
QVariantMap readDictionary(const QString& path, bool* ok, QString* error) {
    *ok = true;
    const QFileInfo info(path);
    if (!info.exists()) return {};
    const kx::plist::Result r = kx::plist::readFile(path);
    if (r.ok() && r.value.toMap().isEmpty() && QFileInfo(path).size() == 0) {
        *ok = false;
        *error = QStringLiteral("%1 is empty").arg(path);
        return {};
    }
    if (!r.ok()) {
        *ok = false;
        *error = r.error;
        return {};
    }
    if (r.value.typeId() != QMetaType::QVariantMap) {
        *ok = false;
        *error = QStringLiteral("%1 does not hold a dictionary").arg(path);
        return {};
    }
    if (!kx::plist::characterXmlCannotCarry(r.value)) return r.value.toMap();
    QStringList dropped;
    const QVariantMap kept = kx::plist::withoutUnstorableText(r.value, &dropped).toMap();
    for (const QString& at : dropped)
        kx::log(QStringLiteral("settings %1: left out %2: it holds a character a settings file cannot carry")
                    .arg(path, at));
    return kept;
}

QString keyList(const QStringList& keys) {
    QStringList sorted = keys;
    sorted.sort();
    return sorted.join(QStringLiteral(", "));
}

// Renames a damaged file to "<path>.corrupt-N" so that it is not written over.
void moveDamagedFileAside(const QString& path, const QString& error) {
    QString aside;
    for (int n = 1;; ++n) {
        aside = QStringLiteral("%1.corrupt-%2").arg(path).arg(n);
        if (!QFileInfo::exists(aside)) break;
    }
    if (QFile::rename(path, aside))
        kx::log(QStringLiteral("settings file could not be read (%1); kept it as %2").arg(error, aside));
    else
        kx::log(QStringLiteral("settings file could not be read (%1)").arg(error));
}

} // namespace

QString DefaultsDomain::folderPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/runebox"));
}

QString DefaultsDomain::pathForDomain(const QString& domain) {
    return folderPath() + u'/' + fileNameForDomain(domain);
}

QVariantMap DefaultsDomain::readDomain(const QString& domain) {
    bool ok = true;
    QString error;
    const QVariantMap map = readDictionary(pathForDomain(domain), &ok, &error);
    if (!ok) kx::log(QStringLiteral("could not read settings: %1").arg(error));
    return map;
}

DefaultsDomain::DefaultsDomain(const QString& domain, Watch watch, WriteListener* listener)
    : domain_(domain), path_(pathForDomain(domain)), listener_(listener) {
    bool ok = true;
    values_ = readDictionary(path_, &ok, &readError_);
    if (!ok) kx::log(QStringLiteral("could not read settings: %1").arg(readError_));
    if (watch == Watch::No || !QCoreApplication::instance()) return;
    // A writer ended in the middle (killed, the machine off) leaves its temporary file.
    // While the lock is ours no writer is at work: what is there is left over.
    QLockFile lockFile(path_ + QStringLiteral(".lock"));
    if (lockFile.tryLock(1000)) {
        if (const int removed = kx::AtomicFile::removeLeftTemporaryFiles(path_))
            kx::log(QStringLiteral("settings: removed %1 temporary file(s) left by unfinished writes").arg(removed));
    }
    if (kx::isMainThread()) {
        startWatching();
    } else {
        moveToThread(QCoreApplication::instance()->thread());
        QMetaObject::invokeMethod(this, [this] { startWatching(); }, Qt::QueuedConnection);
    }
}

DefaultsDomain::~DefaultsDomain() {
    // The last chance for changes that could not be written yet.
    QMutexLocker lock(&mutex_);
    if (!pending_.isEmpty() && !writePending().saved())
        kx::log(QStringLiteral("settings not saved (%1): %2").arg(keyList(pending_.values()), lastWriteError_));
}

void DefaultsDomain::startWatching() {
    QDir().mkpath(folderPath());
    watcher_ = new QFileSystemWatcher(this);
    debounce_ = new QTimer(this);
    debounce_->setSingleShot(true);
    debounce_->setInterval(20);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &DefaultsDomain::watchedPathChanged);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DefaultsDomain::watchedPathChanged);
    // A file damaged under us (emptied, cut short) that stays so for a moment, not a
    // write in progress, is set aside and what this store holds written whole.
    auto* repair = new QTimer(this);
    repair->setSingleShot(true);
    repair->setInterval(RepairDelayMs);
    connect(debounce_, &QTimer::timeout, this, [this, repair] {
        // An atomic replacement ends the watch of the old file: watch the new one.
        if (QFileInfo::exists(path_) && !watcher_->files().contains(path_)) watcher_->addPath(path_);
        reload();
        if (!readError().isEmpty()) repair->start();
    });
    connect(repair, &QTimer::timeout, this, [this] {
        reload();
        QMutexLocker lock(&mutex_);
        if (readError_.isEmpty() || values_.isEmpty()) return;
        if (writePending().saved()) readError_.clear();
    });
    auto* retry = new QTimer(this);
    retry->setInterval(RetryIntervalMs);
    connect(retry, &QTimer::timeout, this, [this, retry] {
        if (flush().saved()) retry->stop();
    });
    QMutexLocker lock(&mutex_);
    retry_ = retry;
    if (!pending_.isEmpty()) retry_->start();
    watcher_->addPath(folderPath());
    if (QFileInfo::exists(path_)) watcher_->addPath(path_);
}

void DefaultsDomain::watchedPathChanged() {
    if (debounce_) debounce_->start();
}

QVariant DefaultsDomain::value(const QString& key) const {
    QMutexLocker lock(&mutex_);
    return values_.value(key);
}

QVariantMap DefaultsDomain::values() const {
    QMutexLocker lock(&mutex_);
    return values_;
}

void DefaultsDomain::setChangeHandler(ChangeHandler handler) {
    QMutexLocker lock(&handlerMutex_);
    handler_ = std::move(handler);
}

QStringList DefaultsDomain::reload() {
    QList<std::pair<QString, QVariant>> changes;
    {
        QMutexLocker lock(&mutex_);
        bool ok = true;
        QString error;
        QVariantMap fresh = readDictionary(path_, &ok, &error);
        if (!ok) {
            // A damaged file is left to the next write, which keeps it aside.
            readError_ = error;
            return {};
        }
        readError_.clear();
        // What is waiting to be written is still in force here.
        for (const QString& key : std::as_const(pending_)) {
            const auto mine = values_.constFind(key);
            if (mine == values_.constEnd()) fresh.remove(key);
            else fresh.insert(key, mine.value());
        }
        for (auto it = values_.begin(); it != values_.end(); ++it)
            if (!fresh.contains(it.key())) changes.append({it.key(), QVariant()});
        for (auto it = fresh.begin(); it != fresh.end(); ++it) {
            auto old = values_.constFind(it.key());
            if (old == values_.constEnd() || !kx::ns::isEqual(old.value(), it.value()))
                changes.append({it.key(), it.value()});
        }
        values_ = fresh;
    }
    QStringList keys;
    ChangeHandler handler;
    {
        QMutexLocker lock(&handlerMutex_);
        handler = handler_;
    }
    for (const auto& [key, value] : changes) {
        keys << key;
        if (handler) handler(key, value);
    }
    return keys;
}

Stored DefaultsDomain::setValue(const QString& key, const QVariant& value) {
    const QVariant v = value.isValid() ? kx::plist::normalized(value) : QVariant();
    const std::optional<char32_t> bad =
        kx::plist::characterXmlCannotCarry(key) ? kx::plist::characterXmlCannotCarry(key)
                                                : kx::plist::characterXmlCannotCarry(v);
    if (bad) {
        const QString reason = kx::plist::unstorableTextError(*bad);
        kx::log(QStringLiteral("setting %1 refused: %2").arg(key.left(100), reason));
        return {Stored::Refused, reason};
    }
    QMutexLocker lock(&mutex_);
    // The same value again: the file already says so (a removal is always written, since
    // the file may hold a key this store never read).
    if (v.isValid() && !pending_.contains(key)) {
        const auto held = values_.constFind(key);
        if (held != values_.constEnd() && kx::ns::isEqual(held.value(), v)) return {};
    }
    if (v.isValid()) values_.insert(key, v);
    else values_.remove(key);
    pending_.insert(key);
    if (holds_ > 0) return {Stored::NotYetSaved, QStringLiteral("writes are held")};
    return writePending();
}

void DefaultsDomain::holdWrites() {
    QMutexLocker lock(&mutex_);
    ++holds_;
}

Stored DefaultsDomain::releaseWrites() {
    QMutexLocker lock(&mutex_);
    if (holds_ > 0 && --holds_ > 0) return {Stored::NotYetSaved, QStringLiteral("writes are held")};
    if (pending_.isEmpty()) return {};
    return writePending();
}

Stored DefaultsDomain::flush() {
    QMutexLocker lock(&mutex_);
    if (pending_.isEmpty()) return {};
    const QStringList keys = pending_.values();
    const Stored stored = writePending();
    if (stored.saved()) kx::log(QStringLiteral("settings saved after all (%1)").arg(keyList(keys)));
    return stored;
}

QStringList DefaultsDomain::pendingKeys() const {
    QMutexLocker lock(&mutex_);
    return pending_.values();
}

void DefaultsDomain::forgetPending() {
    {
        QMutexLocker lock(&mutex_);
        pending_.clear();
    }
    reload();
}

QString DefaultsDomain::readError() const {
    QMutexLocker lock(&mutex_);
    return readError_;
}

Stored DefaultsDomain::writePending() {
    auto notYet = [&](const QString& error) {
        if (error != lastWriteError_)
            kx::log(QStringLiteral("could not write settings %1: %2; kept to be written later (%3)")
                        .arg(path_, error, keyList(pending_.values())));
        lastWriteError_ = error;
        // Tried again from the main thread's loop while the application runs.
        if (retry_) QMetaObject::invokeMethod(retry_, qOverload<>(&QTimer::start), Qt::QueuedConnection);
        return Stored{Stored::NotYetSaved, error};
    };
    if (!QDir().mkpath(folderPath())) return notYet(QStringLiteral("cannot make the folder %1").arg(folderPath()));
    QLockFile lockFile(path_ + QStringLiteral(".lock"));
    const bool locked = lockFile.tryLock(5000);
    if (!locked) kx::log(QStringLiteral("could not lock %1; writing without the lock").arg(path_));

    bool ok = true;
    QString error;
    QVariantMap contents = readDictionary(path_, &ok, &error);
    if (!ok) {
        moveDamagedFileAside(path_, error);
        // What this store holds is written back whole.
        contents = values_;
    }
    for (const QString& key : std::as_const(pending_)) {
        const auto mine = values_.constFind(key);
        if (mine == values_.constEnd()) contents.remove(key);
        else contents.insert(key, mine.value());
    }

    kx::AtomicFile file(path_);
    if (!file.open() || !file.write(kx::plist::writeXml(contents))) return notYet(file.errorString());
    if (listener_) listener_->contentsWritten(path_);
    if (!file.commit()) return notYet(file.errorString());
    pending_.clear();
    lastWriteError_.clear();
    return {};
}

} // namespace platform
