#include "platform/defaults/DefaultsDomain.h"

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
#include <QSaveFile>
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
// dictionary (a missing file is an empty domain).
QVariantMap readDictionary(const QString& path, bool* ok, QString* error) {
    *ok = true;
    const QFileInfo info(path);
    if (!info.exists()) return {};
    const kx::plist::Result r = kx::plist::readFile(path);
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
    return r.value.toMap();
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
    QString error;
    values_ = readDictionary(path_, &ok, &error);
    if (!ok) kx::log(QStringLiteral("could not read settings: %1").arg(error));
    if (watch == Watch::No || !QCoreApplication::instance()) return;
    if (kx::isMainThread()) {
        startWatching();
    } else {
        moveToThread(QCoreApplication::instance()->thread());
        QMetaObject::invokeMethod(this, [this] { startWatching(); }, Qt::QueuedConnection);
    }
}

DefaultsDomain::~DefaultsDomain() = default;

void DefaultsDomain::startWatching() {
    QDir().mkpath(folderPath());
    watcher_ = new QFileSystemWatcher(this);
    debounce_ = new QTimer(this);
    debounce_->setSingleShot(true);
    debounce_->setInterval(20);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &DefaultsDomain::watchedPathChanged);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DefaultsDomain::watchedPathChanged);
    connect(debounce_, &QTimer::timeout, this, [this] {
        // An atomic replacement ends the watch of the old file: watch the new one.
        if (QFileInfo::exists(path_) && !watcher_->files().contains(path_)) watcher_->addPath(path_);
        reload();
    });
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
        const QVariantMap fresh = readDictionary(path_, &ok, &error);
        if (!ok) {
            // A damaged file is left to the next write, which keeps it aside.
            return {};
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

bool DefaultsDomain::setValue(const QString& key, const QVariant& value) {
    const QVariant v = value.isValid() ? kx::plist::normalized(value) : QVariant();
    QMutexLocker lock(&mutex_);
    if (v.isValid()) values_.insert(key, v);
    else values_.remove(key);
    return writeChange(key, v);
}

bool DefaultsDomain::writeChange(const QString& key, const QVariant& value) {
    if (!QDir().mkpath(folderPath())) {
        kx::log(QStringLiteral("could not make the settings folder %1").arg(folderPath()));
        return false;
    }
    QLockFile lockFile(path_ + QStringLiteral(".lock"));
    const bool locked = lockFile.tryLock(5000);
    if (!locked) kx::log(QStringLiteral("could not lock %1; writing without the lock").arg(path_));

    bool ok = true;
    QString error;
    QVariantMap contents = readDictionary(path_, &ok, &error);
    if (!ok) {
        moveDamagedFileAside(path_, error);
        contents = values_;
    }
    if (value.isValid()) contents.insert(key, value);
    else contents.remove(key);

    QSaveFile file(path_);
    const QByteArray bytes = kx::plist::writeXml(contents);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        kx::log(QStringLiteral("could not write settings %1: %2").arg(path_, file.errorString()));
        file.cancelWriting();
        return false;
    }
    if (listener_) listener_->contentsWritten(path_);
    if (!file.commit()) {
        kx::log(QStringLiteral("could not write settings %1: %2").arg(path_, file.errorString()));
        return false;
    }
    return true;
}

} // namespace platform
