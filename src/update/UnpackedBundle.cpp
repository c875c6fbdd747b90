#include "update/UnpackedBundle.h"

#include "core/Log.h"
#include "core/Plist.h"
#include "kxlib/KXUtilities.h"
#include "update/BundleReplacement.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <unistd.h>

namespace update {

namespace {

QString listArchive(const QString& archive, const QStringList& options, bool* ok) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), options + QStringList{archive});
    *ok = unzip.waitForFinished(60000) && unzip.exitStatus() == QProcess::NormalExit && unzip.exitCode() == 0;
    if (!*ok)
        kx::log(QStringLiteral("unzip %1: %2 %3")
                    .arg(options.join(u' '), unzip.errorString(), QString::fromUtf8(unzip.readAllStandardError()).trimmed()));
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

QVariantMap bundleInfo(const QString& bundle) {
    return kx::plist::readFile(bundle + QStringLiteral("/share/runebox/Info.plist")).value.toMap();
}

} // namespace

QString checkArchiveEntries(const QString& archive) {
    bool ok = false;
    const QString names = listArchive(archive, {QStringLiteral("-Z1")}, &ok);
    if (!ok) return QStringLiteral("not a readable zip archive");
    for (const QString& name : names.split(u'\n', Qt::SkipEmptyParts)) {
        if (name.startsWith(u'/') || name.split(u'/').contains(QStringLiteral("..")))
            return QStringLiteral("entry outside the folder: %1").arg(name);
    }
    const QString long_ = listArchive(archive, {QStringLiteral("-Z"), QStringLiteral("-l")}, &ok);
    if (!ok) return QStringLiteral("not a readable zip archive");
    for (const QString& line : long_.split(u'\n', Qt::SkipEmptyParts))
        if (line.startsWith(u'l')) return QStringLiteral("symbolic link in the archive: %1").arg(line);
    return {};
}

QString bundleExecutable(const QString& bundle) {
    const QString name = bundleInfo(bundle).value(QStringLiteral("CFBundleExecutable")).toString();
    return name.isEmpty() ? QString() : bundle + QStringLiteral("/bin/") + name;
}

QString checkUnpackedBundle(const QString& bundle, const QString& expectedVersion) {
    const QFileInfo top(bundle);
    if (top.isSymLink() || !top.isDir()) return QStringLiteral("no folder %1").arg(bundle);
    QDirIterator it(bundle, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink()) return QStringLiteral("symbolic link %1").arg(it.filePath());
    }
    const QVariantMap info = bundleInfo(bundle);
    if (info.value(QStringLiteral("CFBundleExecutable")).toString() != KXUtilities::applicationName())
        return QStringLiteral("not a copy of %1").arg(KXUtilities::applicationName());
    if (!expectedVersion.isEmpty() && info.value(QStringLiteral("CFBundleVersion")).toString() != expectedVersion)
        return QStringLiteral("version %1 instead of %2")
            .arg(info.value(QStringLiteral("CFBundleVersion")).toString(), expectedVersion);
    const QFileInfo exe(bundleExecutable(bundle));
    if (!exe.isFile() || !exe.isExecutable()) return QStringLiteral("no program %1").arg(exe.filePath());
    return {};
}

QString sha256OfFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return QString::fromLatin1(hash.result().toHex());
}

bool canInstallInto(const QString& location) {
    const auto writable = [](const QString& path) {
        return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
    };
    const QString bin = location + QStringLiteral("/bin");
    if (!writable(location) || (QFileInfo::exists(bin) && !writable(bin))) return false;
    // A folder of its own is replaced as a whole, in the folder that holds it.
    return !checkReplaceableInstallation(location).isEmpty() || writable(QFileInfo(QDir::cleanPath(location)).path());
}

QString runningInstallation() {
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    return QFileInfo(folder).fileName() == QLatin1String("bin") ? QDir::cleanPath(folder + QStringLiteral("/..")) : folder;
}

} // namespace update
