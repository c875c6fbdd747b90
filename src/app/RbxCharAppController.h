#pragma once
// The application controller: start-up, the URL commands and shut-down.
//
// Start-up, in order (main.cpp runs it after the single-instance claim and the URL
// hand-over, so a copy that handed its URLs over never gets here):
//   init()          installation mode, quitting other copies ("quitOther"), an update
//                   check asked for when Alt is held;
//   finishLaunching()  the window controller loads (frame, start font, observers); URL
//                   commands ("*" first unregistered); the palette opens unless
//                   launched as a login item or "suppressOpening" is on; after the
//                   palette's first paint (afterFirstPaint) the rest follows: the login
//                   item, the per-application settings, the debug state; then
//                   launchFinished().
// Shut-down: the login item brought in line, the settings written.

#include <QObject>
#include <QUrl>
#include <QVariant>

class KXURLHandler;
class RbxCharWindowController;
class RbxDefaults;

class RbxCharAppController : public QObject {
    Q_OBJECT
public:
    // The update server; the per-application settings update lives at
    // "/autoupdate/runeboxx/autoupdate<version>.plist" there.
    static inline const QString UpdateServer = QStringLiteral("https://updates.runebox.org");

    // `urls` takes the URL commands at launch (none: no commands).
    RbxCharAppController(RbxCharWindowController& windowController, RbxDefaults& settings, KXURLHandler* urls,
                         QObject* parent = nullptr);
    ~RbxCharAppController() override;

    RbxCharWindowController* windowController() const { return &windowController_; }

    // ---- start-up ---------------------------------------------------------------------
    // False when this copy must end (never in a build without the installer).
    bool init();
    // Logs when this copy runs from a temporary folder; never stops the launch.
    bool checkLaunchedFromDiskImage();
    void quitOtherRunebox();
    void finishLaunching();
    // What the palette does not need for its first picture (once, after it).
    void afterFirstPaint();
    // Tells a running installer that this copy is up ("Runebox <version>").
    void tellInstallerDone();
    // The application was started again (a second start without URLs): opens the palette.
    void applicationShouldHandleReopen();
    // Writes what must survive; runs once, on the way out.
    void applicationShouldTerminate();

    // The command table on a handler (the shared one at start-up).
    void registerURLCommands(KXURLHandler& handler);

    // ---- URL command targets -------------------------------------------------------------
    QVariant quitViaURL(const QUrl& url);
    QVariant showHelpViaURL(const QUrl& url);
    QVariant updateAppSettingsViaURL(const QUrl& url);
    QVariant preferencesViaURL(const QUrl& url);
    // The address of the per-application settings update for a version text (one
    // trailing "s" dropped).
    static QString appSettingsUpdateURL(const QString& version);

signals:
    // The launch is complete: the palette painted its first picture (or stays closed) and
    // what waited for it is under way.
    void launchFinished();
    // The user held Alt while the program started: a check for a new version is wanted.
    void newVersionCheckWanted();

private:
    RbxCharWindowController& windowController_;
    RbxDefaults& settings_;
    KXURLHandler* urls_;
    bool launched_ = false;
    bool terminated_ = false;
    bool afterPaintDone_ = false;
};
