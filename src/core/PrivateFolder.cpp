#include "core/PrivateFolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QTemporaryDir>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

bool isPrivateFolderOfOurs(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

} // namespace

QString privateFolder(const QString& name) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        const QString folder = QDir::cleanPath(runtime + u'/' + name);
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        if (isPrivateFolderOfOurs(folder)) return folder;
    }
    // Kept for the process; each removed with its files when the process ends.
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<QTemporaryDir>> fallbacks;
    QMutexLocker lock(&mutex);
    std::shared_ptr<QTemporaryDir>& dir = fallbacks[name];
    if (!dir || !QFileInfo(dir->path()).isDir())
        dir = std::make_shared<QTemporaryDir>(QDir::tempPath() + u'/' + name + QStringLiteral("-XXXXXX"));
    if (!dir->isValid()) return QString();
    QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir->path();
}

void removeFilesOlderThan(const QString& folder, const QStringList& patterns, qint64 seconds) {
    const QDateTime old = QDateTime::currentDateTime().addSecs(-seconds);
    QDirIterator it(folder, patterns, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().lastModified() < old) QFile::remove(it.filePath());
    }
}

} // namespace kx
