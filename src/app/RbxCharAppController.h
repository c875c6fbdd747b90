#pragma once
// The application controller: start-up, the URL commands and shut-down.
//
// Start-up, in order (main.cpp runs it after the single-instance claim and the URL
// hand-over, so a copy that handed its URLs over never gets here):
//   init()          installation mode, quitting other copies ("quitOther"), an update
//                   check when Alt is held;
//   load()          the window controller loads (frame, start font, observers);
//   finishLaunching()  URL commands ("*" first unregistered), the palette opens unless
//                   launched as a login item or "suppressOpening" is on; after the
//                   palette's first paint the rest follows: the login item, the
//                   per-application settings, the debug state; unless in
//                   installation mode, the installer hears that the launch is done.
// Shut-down: the login item brought in line, the settings written.

#include <QObject>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

class KXURLHandler;
class PaletteEventRouter;
class RbxCharWindowController;

class RbxCharAppController : public QObject {
    Q_OBJECT
public:
    // The update server; the per-application settings update lives at
    // "/autoupdate/runeboxx/autoupdate<version>.plist" there.
    static inline const QString UpdateServer = QStringLiteral("https://updates.runebox.org");

    explicit RbxCharAppController(QObject* parent = nullptr);
    ~RbxCharAppController() override;

    RbxCharWindowController* windowController() const { return windowController_.get(); }

    // ---- start-up ---------------------------------------------------------------------
    // False when this copy hands over to the installer and must end.
    bool init();
    // True (and the installation hand-off run) when this copy runs in installation mode.
    bool checkLaunchedFromDiskImage();
    void quitOtherRunebox();
    void finishLaunching();
    // The application was started again (a second start without URLs): opens the palette.
    void applicationShouldHandleReopen();
    // Writes what must survive; runs once, on the way out.
    void applicationShouldTerminate();

    // The command table on a handler (the shared one at start-up).
    void registerURLCommands(KXURLHandler& handler);
    // What the application routes before the normal delivery (see RbxCharApplication).
    void routeEvents(PaletteEventRouter& router);

    // ---- URL command targets -------------------------------------------------------------
    QVariant quitViaURL(const QUrl& url);
    QVariant showHelpViaURL(const QUrl& url);
    QVariant updateAppSettingsViaURL(const QUrl& url);
    QVariant preferencesViaURL(const QUrl& url);
    // The address of the per-application settings update for a version text (one
    // trailing "s" dropped).
    static QString appSettingsUpdateURL(const QString& version);

    // A normal launch tells the installer that this version runs, and clears what an
    // installation left behind a while later.
    static constexpr int InstallationRelicsDelayMs = 250 * 1000;
    void tellInstallerDone();
    void removeInstallationRelicsTimer();

    // What later duties plug in: the installer hand-off in installation mode, the update
    // check asked for with Alt held at start-up, the installer's completion notice (with
    // "Runebox <version>") and the removal of installation relics (with "Runebox.app").
    struct Extensions {
        std::function<void()> installer;
        std::function<void()> checkForUpdateNow;
        std::function<void(const QString& productAndVersion)> tellInstallerDone;
        std::function<void(const QString& applicationName)> removeInstallationRelics;
    };
    static Extensions& extensions();

private:
    void afterFirstPaint();

    std::unique_ptr<RbxCharWindowController> windowController_;
    bool launched_ = false;
    bool terminated_ = false;
    bool afterPaintDone_ = false;
};
