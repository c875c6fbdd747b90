#include "core/KXAppSupport.h"

#include "core/Bundle.h"
#include "core/KXUserFileAccess.h"
#include "core/Log.h"
#include "core/Plist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {

QString folderName() { return kx::Bundle::mainBundle().bundleName(); }

QString userDataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString cachedSupportPath() {
    static QMutex mutex;
    static QString path;
    QMutexLocker lock(&mutex);
    if (path.isEmpty()) path = QDir::cleanPath(userDataHome() + u'/' + folderName());
    return path;
}

QString userCacheHome() {
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.cache");
}

// The cache folder of earlier versions, inside the support folder: removed when it is a
// folder of its own (a link is left alone, and so is what it points to).
void removeOldCacheFolder() {
    const QString old = cachedSupportPath() + QStringLiteral("/Cache");
    const QFileInfo info(old);
    if (info.isSymLink() || !info.isDir()) return;
    if (QDir(old).removeRecursively()) kx::log(QStringLiteral("removed the old cache folder %1").arg(old));
    else kx::log(QStringLiteral("could not remove the old cache folder %1").arg(old));
}

// Renames a file to "<path>.<tag>-N" with the first free N; answers the new path or a
// null string.
QString renameAside(const QString& path, const QString& tag) {
    QString aside;
    for (int n = 1;; ++n) {
        aside = QStringLiteral("%1.%2-%3").arg(path, tag).arg(n);
        if (!QFileInfo::exists(aside) && !QFileInfo(aside).isSymLink()) break;
    }
    return QFile::rename(path, aside) ? aside : QString();
}

} // namespace

QString KXAppSupport::supportFolderPath() { return createDirectoryIfMissing(cachedSupportPath()); }

QString KXAppSupport::cacheFolderPath() {
    static QMutex mutex;
    static bool oldRemoved = false;
    const QString path = createDirectoryIfMissing(QDir::cleanPath(userCacheHome() + QStringLiteral("/runebox")));
    QMutexLocker lock(&mutex);
    if (!oldRemoved && !path.isEmpty() && KXUserFileAccess::mayChange()) {
        oldRemoved = true;
        removeOldCacheFolder();
    }
    return path;
}

QString KXAppSupport::makeSupportSubfolder(const QString& relativePath) {
    QString path = supportFolderPath();
    if (path.isEmpty()) return path;
    for (const QString& part : relativePath.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".") || part == QLatin1String("..")) continue;
        path = createDirectoryIfMissing(path + u'/' + part);
        if (path.isEmpty()) return path;
    }
    return path;
}

QString KXAppSupport::createDirectoryIfMissing(const QString& path) {
    if (path.isEmpty()) return QString();
    const QFileInfo info(path);
    if (info.isDir()) return resolvedAlias(path);
    if (!KXUserFileAccess::mayChange()) return QString();
    if (info.exists() || info.isSymLink()) {
        const QString aside = renameAside(path, QStringLiteral("moved-aside"));
        if (aside.isEmpty()) {
            kx::log(QStringLiteral("could not move %1 aside to make a folder there").arg(path));
            return QString();
        }
        kx::log(QStringLiteral("a file stood where the folder %1 belongs; moved it to %2").arg(path, aside));
    }
    if (!QDir().mkpath(path)) {
        kx::log(QStringLiteral("could not create folder %1").arg(path));
        return QString();
    }
    return path;
}

QString KXAppSupport::resolvedAlias(const QString& path) { return path; }

QVariant KXAppSupport::objectForKeyInSupportPreferencesFile(const QString& key, const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return QVariant();
    const kx::plist::Result r = kx::plist::readFile(path);
    if (!r.ok()) {
        kx::log(QStringLiteral("could not read preferences file %1").arg(r.error));
        return QVariant();
    }
    if (r.value.typeId() != QMetaType::QVariantMap) return QVariant();
    return r.value.toMap().value(key);
}

QVariant KXAppSupport::objectForKeyInPreferences(const QString& key, const QString& fileName) {
    QVariant v = objectForKeyInSupportPreferencesFile(key, supportFolderPath() + u'/' + fileName);
    if (v.isValid()) return v;
    for (const QString& folder : systemSupportFolders()) {
        v = objectForKeyInSupportPreferencesFile(key, folder + u'/' + fileName);
        if (v.isValid()) return v;
    }
    return QVariant();
}

bool KXAppSupport::setObjectForKeyInPreferences(const QVariant& value, const QString& key,
                                                const QString& fileName) {
    const QString folder = supportFolderPath();
    if (folder.isEmpty() || !KXUserFileAccess::mayChange()) return false;
    const QString path = folder + u'/' + fileName;
    QVariantMap dict;
    if (QFileInfo(path).isFile()) {
        const kx::plist::Result r = kx::plist::readFile(path);
        if (r.ok() && r.value.typeId() == QMetaType::QVariantMap) {
            dict = r.value.toMap();
        } else {
            // Keep the unreadable file for the user rather than writing over it.
            const QString aside = renameAside(path, QStringLiteral("unreadable"));
            kx::log(QStringLiteral("preferences file %1 could not be read; kept it as %2").arg(path, aside));
        }
    }
    if (value.isValid()) dict.insert(key, value);
    else dict.remove(key);
    QString error;
    if (!kx::plist::writeXmlFile(path, dict, &error)) {
        kx::log(error);
        return false;
    }
    return true;
}

void KXAppSupport::deletePreferencesFile(const QString& fileName) {
    const QString path = supportFolderPath() + u'/' + fileName;
    if (KXUserFileAccess::mayChange() && QFileInfo(path).isFile()) QFile::remove(path);
}

QStringList KXAppSupport::systemSupportFolders() {
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/etc/xdg");
    QStringList out;
    for (const QString& d : dirs.split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(d)) out << QDir::cleanPath(d + u'/' + folderName());
    return out;
}
