#include "app/RbxCharAppController.h"

#include "app/DebugStateService.h"
#include "app/PaletteFrameKeeper.h"
#include "app/PrefCommand.h"
#include "app/PaletteTable.h"
#include "app/QuitOtherCopies.h"
#include "app/RbxCharApplication.h"
#include "app/RbxCharWindowController.h"
#include "app/StartupHooks.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "core/Types.h"
#include "kxlib/gui/KXAppearance.h"
#include "model/RbxLayout.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

RbxCharAppController::Extensions& RbxCharAppController::extensions() {
    static Extensions e;
    return e;
}

RbxCharAppController::RbxCharAppController(QObject* parent) : QObject(parent) {
    startup::installHooks();
    windowController_ = std::make_unique<RbxCharWindowController>();
    connect(qApp, &QCoreApplication::aboutToQuit, this, &RbxCharAppController::applicationShouldTerminate);
}

RbxCharAppController::~RbxCharAppController() = default;

bool RbxCharAppController::init() {
    if (checkLaunchedFromDiskImage()) return false;
    quitOtherRunebox();
    if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) {
        kx::log(QStringLiteral("check for new version"));
        if (extensions().checkForUpdateNow) extensions().checkForUpdateNow();
    }
    return true;
}

bool RbxCharAppController::checkLaunchedFromDiskImage() {
    if (!KXUtilities::installationMode()) return false;
    kx::log(QStringLiteral("Installing"));
    if (!extensions().installer) {
        // Without the installer this copy simply runs from where it is.
        kx::log(QStringLiteral("no installer in this build; running from the temporary folder"));
        return false;
    }
    extensions().installer();
    return true;
}

void RbxCharAppController::quitOtherRunebox() { quitother::quitOtherRunebox(); }

void RbxCharAppController::finishLaunching() {
    if (launched_) return;
    launched_ = true;
    windowController_->load();

    if (RbxCharApplication* app = RbxCharApplication::shared()) routeEvents(app->router());
    if (KXURLHandler* handler = KXURLHandler::handler()) registerURLCommands(*handler);
    // Started again without URLs: the other start asks us to reopen.
    constexpr quint32 Aevt = fourcc::make('a', 'e', 'v', 't');
    AppleEventBridge::shared().setHandler(Aevt, fourcc::make('r', 'a', 'p', 'p'), [this](const appleevent::Event&) {
        QTimer::singleShot(0, this, &RbxCharAppController::applicationShouldHandleReopen);
        return QVariantMap();
    });

    windowController_->setFirstPaintHook([this] { QTimer::singleShot(0, this, &RbxCharAppController::afterFirstPaint); });
    RbxDefaults& defaults = RbxDefaults::userDefaults();
    if (KXUtilities::wasLaunchedAsLoginItem() || defaults.boolForKey(rbx::key::suppressOpening)) {
        QTimer::singleShot(0, this, &RbxCharAppController::afterFirstPaint);
    } else {
        windowController_->openWindow(this);
    }
    if (!KXUtilities::installationMode()) {
        QTimer::singleShot(InstallationRelicsDelayMs, this, &RbxCharAppController::removeInstallationRelicsTimer);
        tellInstallerDone();
    }
}

void RbxCharAppController::tellInstallerDone() {
    if (auto& tell = extensions().tellInstallerDone)
        tell(QStringLiteral("Runebox %1").arg(KXUtilities::versionString()));
}

void RbxCharAppController::removeInstallationRelicsTimer() {
    if (auto& remove = extensions().removeInstallationRelics) remove(QStringLiteral("Runebox.app"));
}

void RbxCharAppController::routeEvents(PaletteEventRouter& router) {
    RbxCharWindowController* wc = windowController_.get();
    PaletteEventRouter::Routes& r = router.routes();
    r.hasSheet = [wc] { return wc->hasSheet(); };
    r.mouseMoved = [wc] { wc->monitorMouseMove(); };
    r.deselectCharacter = [] {
        if (RbxCharView* view = RbxCharView::view()) view->selectCharacterAtIndex(kx::NotFound);
    };
    // The table's view keys and shortcuts come before the widget that has the keyboard
    // (the font list, ...); a text field that has it keeps its editing keys (copy, cut).
    r.keyDown = [](QKeyEvent& event) {
        RbxCharView* view = RbxCharView::view();
        if (!view) return false;
        if (view->viewSelectionKeyEvent(&event)) return true;
        const QWidget* focus = QApplication::focusWidget();
        if (focus && focus->testAttribute(Qt::WA_InputMethodEnabled)) return false;
        return view->handleHardWiredShortcut(&event);
    };
    r.rebuildLayouts = [wc] {
        RbxLayout::updateLayoutPopUp();
        wc->table().reload();
    };
}

void RbxCharAppController::afterFirstPaint() {
    if (afterPaintDone_) return;
    afterPaintDone_ = true;
    // What the palette does not need for its first picture.
    connect(&KXAppearance::shared(), &KXAppearance::appearanceChanged, windowController_.get(),
            &RbxCharWindowController::darkModeChanged);
    RbxDefaults::userDefaults().updateStartAtLoginInBackground();
    KXAppSettings::appSettingsDictionary();
    DebugStateService::exportIfEnabled(windowController_.get());
}

void RbxCharAppController::applicationShouldHandleReopen() { windowController_->openWindow(this); }

void RbxCharAppController::applicationShouldTerminate() {
    if (terminated_) return;
    terminated_ = true;
    RbxDefaults& defaults = RbxDefaults::userDefaults();
    defaults.updateStartAtLogin();
    windowController_->frameKeeper().saveFrame();
    defaults.synchronize();
}

void RbxCharAppController::registerURLCommands(KXURLHandler& handler) {
    RbxCharWindowController* wc = windowController_.get();
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
    RbxDefaults::userDefaults().synchronize();
    windowController_->terminate();
    return {};
}

QVariant RbxCharAppController::showHelpViaURL(const QUrl&) {
    if (auto& help = windowController_->extensions().showHelp)
        help();
    else
        kx::log(QStringLiteral("help: no help in this build"));
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

QVariant RbxCharAppController::preferencesViaURL(const QUrl& url) {
    return prefcommand::preferencesViaURL(url, RbxDefaults::userDefaults());
}
