#include "update/Installer.h"

#include "core/Log.h"
#include "kxlib/KXProcess.h"
#include "kxlib/ProcFs.h"
#include "update/BundleReplacement.h"
#include "update/InstallFolders.h"
#include "update/UnpackedBundle.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString InstallerArguments::parse(const QStringList& arguments, InstallerArguments* out) {
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        const QString& key = arguments.at(i);
        if (!key.startsWith(u'-') || i + 1 >= arguments.size()) return QStringLiteral("no value for %1").arg(key);
        const QString& value = arguments.at(i + 1);
        if (key == QLatin1String("-productName")) out->productName = value;
        else if (key == QLatin1String("-version")) out->version = value;
        else if (key == QLatin1String("-sourcePath")) out->sourcePath = QDir::cleanPath(value);
        else if (key == QLatin1String("-targetPath")) out->targetPath = QDir::cleanPath(value);
        else if (key == QLatin1String("-completionQuit")) out->completionQuit = std::clamp(value.toDouble(), 0.5, 60.0);
    }
    if (out->sourcePath.isEmpty() || out->targetPath.isEmpty()) return QStringLiteral("no -sourcePath or -targetPath");
    if (!QDir::isAbsolutePath(out->sourcePath) || !QDir::isAbsolutePath(out->targetPath))
        return QStringLiteral("the paths must be absolute");
    return {};
}

QString Installer::install() {
    kx::log(QStringLiteral("installing %1 %2 from %3 into %4")
                .arg(args_.productName, args_.version, args_.sourcePath, args_.targetPath));
    QString error = update::checkUnpackedBundle(args_.sourcePath, args_.version);
    if (error.isEmpty()) error = update::checkReplaceableInstallation(args_.targetPath);
    if (error.isEmpty()) error = quitRunningCopies();
    if (error.isEmpty()) error = update::replaceBundle(args_.sourcePath, args_.targetPath, args_.version);
    removeTemporaryFolder();
    if (!error.isEmpty()) kx::log(QStringLiteral("installation failed: %1").arg(error));
    return error;
}

QString Installer::quitRunningCopies() {
    const QString program = QFileInfo(update::bundleExecutable(args_.targetPath)).canonicalFilePath();
    if (program.isEmpty()) return {};
    for (const int pid : kx::proc::allPids()) {
        QString exe = kx::proc::executablePath(pid);
        if (exe.endsWith(QLatin1String(" (deleted)"))) exe.chop(10);
        if (exe != program) continue;
        const KXProcess::Ptr process = KXProcess::processWithPID(pid);
        if (!process) continue;
        touched_ = true;
        kx::log(QStringLiteral("asking the running copy %1 to quit").arg(pid));
        if (!process->quitRunningApplicationWithTimeout(args_.completionQuit) && process->isStillRunning())
            return QStringLiteral("the running copy %1 did not quit").arg(pid);
    }
    return {};
}

void Installer::removeTemporaryFolder() {
    const QString folder = QFileInfo(args_.sourcePath).path();
    if (update::isOwnInstallFolder(folder, QDir::tempPath()) && update::removeInstallFolder(folder, QDir::tempPath()))
        kx::log(QStringLiteral("removed %1").arg(folder));
}

bool Installer::relaunch() {
    const QString program = update::bundleExecutable(args_.targetPath);
    const bool started = !program.isEmpty() && QProcess::startDetached(program, {}, args_.targetPath);
    kx::log(started ? QStringLiteral("started %1").arg(program) : QStringLiteral("could not start %1").arg(program));
    return started;
}
