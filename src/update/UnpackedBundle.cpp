#include "update/UnpackedBundle.h"

#include "core/Plist.h"
#include "kxlib/KXUtilities.h"
#include "update/BundleReplacement.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace update {

namespace {

QVariantMap bundleInfo(const QString& bundle) {
    return kx::plist::readFile(bundle + QStringLiteral("/share/runebox/Info.plist")).value.toMap();
}

} // namespace

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
