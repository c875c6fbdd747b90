#include "app/RbxCharAppController.h"

#include "app/AboutSheet.h"

#include "app/DebugStateService.h"
#include "app/PaletteFrameKeeper.h"
#include "app/PrefCommand.h"
#include "app/QuitOtherCopies.h"
#include "app/RbxCharWindowController.h"
#include "core/Log.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"
#include "update/KXInstallerInterface.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

RbxCharAppController::RbxCharAppController(RbxCharWindowController& windowController, RbxDefaults& settings,
                                           KXURLHandler* urls, QObject* parent)
    : QObject(parent), windowController_(windowController), settings_(settings), urls_(urls) {
    connect(qApp, &QCoreApplication::aboutToQuit, this, &RbxCharAppController::applicationShouldTerminate);
}

RbxCharAppController::~RbxCharAppController() = default;

bool RbxCharAppController::init() {
    if (checkLaunchedFromDiskImage()) return false;
    quitOtherRunebox();
    if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) {
        kx::log(QStringLiteral("check for new version"));
        emit newVersionCheckWanted();
    }
    return true;
}

bool RbxCharAppController::checkLaunchedFromDiskImage() {
    if (!KXUtilities::installationMode()) return false;
    kx::log(QStringLiteral("Installing"));
    // The copy that downloaded this one hands over to the installer itself when its
    // installation can be replaced; a copy started here simply runs from where it is.
    kx::log(QStringLiteral("running from the temporary folder"));
    return false;
}

void RbxCharAppController::quitOtherRunebox() {
    quitother::quitOtherRunebox(quitother::parseMode(settings_.stringForKey(rbx::key::quitOther)));
}

void RbxCharAppController::finishLaunching() {
    if (launched_) return;
    launched_ = true;
    windowController_.load();

    if (urls_) registerURLCommands(*urls_);
    // Started again without URLs: the other start asks us to reopen.
    constexpr quint32 Aevt = fourcc::make('a', 'e', 'v', 't');
    AppleEventBridge::shared().setHandler(Aevt, fourcc::make('r', 'a', 'p', 'p'), [this](const appleevent::Event&) {
        QTimer::singleShot(0, this, &RbxCharAppController::applicationShouldHandleReopen);
        return QVariantMap();
    });

    if (KXUtilities::wasLaunchedAsLoginItem() || settings_.boolForKey(rbx::key::suppressOpening))
        QTimer::singleShot(0, this, &RbxCharAppController::afterFirstPaint);
    else
        windowController_.openWindow(this);

    if (!KXUtilities::installationMode())
        QTimer::singleShot(250 * 1000, this, [] { KXInstallerInterface::removeInstallationRelics(QStringLiteral("Runebox.app")); });
}

void RbxCharAppController::tellInstallerDone() {
    KXInstallerInterface::tellInstallerDone(QStringLiteral("Runebox %1").arg(KXUtilities::versionString()));
}

void RbxCharAppController::afterFirstPaint() {
    if (afterPaintDone_ || !launched_) return;
    afterPaintDone_ = true;
    // The debug state (when asked for) first, so that it sees the start as it was.
    DebugStateService::exportIfEnabled(&windowController_, settings_);
    // What the palette does not need for its first picture.
    connect(&KXAppearance::shared(), &KXAppearance::appearanceChanged, &windowController_,
            &RbxCharWindowController::darkModeChanged);
    settings_.updateStartAtLoginInBackground();
    KXAppSettings::appSettingsDictionary();
    // A running installer hears that this copy is up (finding it reads every process).
    if (!KXUtilities::installationMode()) tellInstallerDone();
    emit launchFinished();
}

void RbxCharAppController::applicationShouldHandleReopen() { windowController_.openWindow(this); }

void RbxCharAppController::applicationShouldTerminate() {
    if (terminated_) return;
    terminated_ = true;
    settings_.updateStartAtLogin();
    windowController_.frameKeeper().saveFrame();
    settings_.synchronize();
}

void RbxCharAppController::registerURLCommands(KXURLHandler& handler) {
    RbxCharWindowController* wc = &windowController_;
    handler.unregisterCommand(QStringLiteral("*"));
    handler.registerCommand(QStringLiteral("quit"), this, [this](const QUrl& u) { return quitViaURL(u); });
    handler.registerCommand(QStringLiteral("open"), wc, [wc](const QUrl& u) { return wc->openViaURL(u); });
    handler.registerCommand(QStringLiteral("vcheck"), wc, [wc](const QUrl& u) { return wc->versionCheckViaURL(u); });
    handler.registerCommand(QStringLiteral("updateplist"), this, [this](const QUrl& u) { return updateAppSettingsViaURL(u); });
    handler.registerCommand(QStringLiteral("help"), this, [this](const QUrl& u) { return showHelpViaURL(u); });
    handler.registerCommand(QStringLiteral("appsetting"), &KXAppSettings::addAppSettingFromURL);
    handler.registerCommand(QStringLiteral("set"), wc, [wc](const QUrl& u) { return wc->setModeViaURL(u); });
    handler.registerCommand(QStringLiteral("pref"), this, [this](const QUrl& u) { return preferencesViaURL(u); });
}

QVariant RbxCharAppController::quitViaURL(const QUrl&) {
    settings_.synchronize();
    windowController_.terminate();
    return {};
}

QVariant RbxCharAppController::showHelpViaURL(const QUrl&) {
    AboutSheet::showHelp();
    return {};
}

QString RbxCharAppController::appSettingsUpdateURL(const QString& version) {
    QString v = version;
    if (v.endsWith(QLatin1Char('s'))) v.chop(1);
    return KXUtilities::safeHTTPS(UpdateServer + QStringLiteral("/autoupdate/runeboxx/autoupdate%1.plist").arg(v));
}

QVariant RbxCharAppController::updateAppSettingsViaURL(const QUrl&) {
    KXAppSettings::updateWithRemoteData(appSettingsUpdateURL(KXUtilities::versionString()));
    return {};
}

QVariant RbxCharAppController::preferencesViaURL(const QUrl& url) { return prefcommand::preferencesViaURL(url, settings_); }
