#include "update/KXInstallerInterface.h"

#include "core/Log.h"
#include "kxlib/ProcFs.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/SignatureNames.h"
#include "update/InstallFolders.h"
#include "update/UnpackedBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace {

// The user's running installers.
QList<int> installerPids(const QString& pathPart) {
    QList<int> pids;
    for (const int pid : kx::proc::allPids()) {
        QString exe = kx::proc::executablePath(pid);
        if (exe.endsWith(QLatin1String(" (deleted)"))) exe.chop(10);
        if (QFileInfo(exe).fileName() != KXInstallerInterface::InstallerProgram) continue;
        if (pathPart.isEmpty() || exe.contains(pathPart)) pids << pid;
    }
    return pids;
}

} // namespace

void KXInstallerInterface::addArgument(const QString& value, const QString& key) {
    if (key.isEmpty() || value.isEmpty()) {
        kx::log(QStringLiteral("cannot add argument %1: %2").arg(key, value));
        return;
    }
    arguments_ << u'-' + key << value;
}

bool KXInstallerInterface::launch() const {
    const QString folder = QFileInfo(update::runningInstallation()).fileName();
    if (installerIsRunning(u'/' + folder + QStringLiteral("/bin/"))) {
        kx::log(QStringLiteral("installer for %1 is already running; will not launch again").arg(folder));
        return false;
    }
    QString program;
    const qsizetype key = arguments_.indexOf(QStringLiteral("-installerPath"));
    if (key >= 0 && key < arguments_.size() - 1) program = arguments_.at(key + 1);
    else program = QCoreApplication::applicationDirPath() + u'/' + InstallerProgram;
    if (!QFileInfo(program).isExecutable()) {
        kx::log(QStringLiteral("cannot find installer"));
        return false;
    }
    kx::log(QStringLiteral("Launching Installer :%1").arg(program));
    kx::log(QStringLiteral(" Installer arguments: %1").arg(arguments_.join(u' ')));
    return QProcess::startDetached(program, arguments_, QDir::rootPath());
}

bool KXInstallerInterface::installerIsRunning(const QString& pathPart) { return !installerPids(pathPart).isEmpty(); }

int KXInstallerInterface::tellInstallerDone(const QString& parameter) {
    int told = 0;
    for (const int pid : installerPids(QString())) {
        const QStringList names = appleevent::busNamesOfPid(uint(pid));
        if (!names.isEmpty() &&
            appleevent::post(names.first(), Signature, DoneEvent, {{appleevent::DirectParameter, parameter}}))
            ++told;
    }
    return told;
}

bool KXInstallerInterface::sendAppleEvent(quint32 eventID) {
    return appleevent::postToSignature(Signature, Signature, eventID, {});
}

void KXInstallerInterface::removeInstallationRelics(const QString& itemName) {
    if (installerIsRunning(itemName)) {
        QTimer::singleShot(300 * 1000, qApp, [itemName] { removeInstallationRelics(itemName); });
        return;
    }
    update::removeInstallationRelics(itemName, QDir::tempPath());
}
