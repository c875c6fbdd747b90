// runebox-installer: replaces the installed copy of Runebox by a downloaded one and starts
// it again (the steps are in update/Installer.h). Started by the running copy once it has
// downloaded and checked a new version; the arguments are pairs "-key value".

#include "core/Log.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/SignatureNames.h"
#include "platform/x11/QtPlatform.h"
#include "update/Installer.h"
#include "update/KXInstallerInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <csignal>

namespace {

void report(const QString& error) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Runebox Installer"),
                    QStringLiteral("The new version could not be installed: %1.\n\nThe installed version was left as it was.")
                        .arg(error));
    box.setObjectName(QStringLiteral("installerFailure"));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace

int main(int argc, char** argv) {
    // The program that started us may be gone, and with it the reader of our output.
    std::signal(SIGPIPE, SIG_IGN);
    x11::chooseQtPlatform();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    InstallerArguments arguments;
    if (const QString problem = InstallerArguments::parse(QApplication::arguments().mid(1), &arguments); !problem.isEmpty()) {
        kx::log(QStringLiteral("installation failed: %1").arg(problem));
        report(problem);
        return 2;
    }

    // The started copy says it is up with 'SinS'/'Done'.
    bool done = false;
    bool waiting = false;
    AppleEventBridge& bridge = AppleEventBridge::shared();
    bridge.setHandler(KXInstallerInterface::Signature, KXInstallerInterface::DoneEvent, [&](const appleevent::Event& e) {
        kx::log(QStringLiteral("installation done: %1").arg(e.directParameter().toString()));
        done = true;
        if (waiting) QTimer::singleShot(0, &app, &QCoreApplication::quit);
        return QVariantMap();
    });
    if (!bridge.exportOn() || !appleevent::registerSignature(KXInstallerInterface::Signature))
        kx::log(QStringLiteral("the installer cannot be reached on the session bus"));

    Installer installer(arguments);
    if (const QString error = installer.install(); !error.isEmpty()) {
        report(error);
        if (installer.quitTheRunningCopy()) installer.relaunch();
        return 1;
    }
    if (!installer.relaunch()) return 0;
    if (!done) {
        waiting = true;
        QTimer::singleShot(Installer::DoneWaitMs, &app, [] {
            kx::log(QStringLiteral("the started copy did not report"));
            QCoreApplication::quit();
        });
        app.exec();
    }
    return 0;
}
