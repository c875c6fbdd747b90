#include "update/InstallFolders.h"

#include "core/Log.h"
#include "kxlib/KXUtilities.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <sys/stat.h>
#include <unistd.h>

namespace update {

namespace {

bool isRealOwnFolder(const QString& path) {
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

} // namespace

QString installFolderPrefix(const QString& tempFolder) {
    return QDir::cleanPath(tempFolder) + u'/' + KXUtilities::applicationName() + QStringLiteral("-install-");
}

QString makeInstallFolder(const QString& tempFolder) {
    QByteArray pattern = QFile::encodeName(installFolderPrefix(tempFolder) + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(pattern.data())) {
        kx::log(QStringLiteral("cannot make a temporary folder %1").arg(QFile::decodeName(pattern)));
        return {};
    }
    return QFile::decodeName(pattern);
}

bool isOwnInstallFolder(const QString& path, const QString& tempFolder) {
    const QString prefix = installFolderPrefix(tempFolder);
    const QString clean = QDir::cleanPath(path);
    static const QRegularExpression suffix(QStringLiteral("^[A-Za-z0-9]{6}$"));
    return clean.startsWith(prefix) && suffix.match(clean.mid(prefix.size())).hasMatch() && isRealOwnFolder(clean);
}

bool removeInstallFolder(const QString& path, const QString& tempFolder) {
    if (!isOwnInstallFolder(path, tempFolder)) return !QFileInfo::exists(path) && !QFileInfo(path).isSymLink();
    // removeRecursively removes links themselves, never what they point to.
    return QDir(path).removeRecursively();
}

int removeInstallationRelics(const QString& itemName, const QString& tempFolder) {
    const QDir temp(tempFolder);
    const QString namePrefix = QFileInfo(installFolderPrefix(tempFolder)).fileName();
    int removed = 0;
    for (const QString& name : temp.entryList({namePrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString path = temp.filePath(name);
        if (!isOwnInstallFolder(path, tempFolder) || !isRealOwnFolder(path + u'/' + itemName)) continue;
        if (QDir(path).removeRecursively()) ++removed;
        else kx::log(QStringLiteral("could not remove temporary item %1").arg(path));
    }
    if (removed > 0) kx::log(QStringLiteral("removed %1 temporary files from previous installations").arg(removed));
    return removed;
}

} // namespace update
