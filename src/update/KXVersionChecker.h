#pragma once
// The update check: asks the update server for the version feed on the schedule the
// user chose (daily, weekly, every four weeks), waiting until the user is idle and no
// other application fills the screen; runs each check on a short-lived thread; keeps
// the result in the settings ("lastCurrentVersion", "lastReleaseDate",
// "lastUpdateCheck"); and on the main thread offers a newer version (newVersionAlert).
// Each check also sends two anonymous counting requests: one per calendar month and
// one per installed version.
//
// The addresses are hooks; KXVersionChecker has none, RbxVersionChecker supplies the
// application's. Checks never overlap: a request while one runs is dropped. Objects
// live on the main thread; the check reads and writes the settings from its thread.

#include "update/NewVersionAlert.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class KXDefaults;

// What the schedule asks of the desktop.
class UpdateActivity {
public:
    virtual ~UpdateActivity() = default;
    // Seconds since the user's last input; -1 when unknown.
    virtual double idleTime() = 0;
    // Another application's window fills the screen.
    virtual bool fullScreenMode() = 0;
    // The X server's answers.
    static std::shared_ptr<UpdateActivity> makeDefault();
};

class KXVersionChecker : public QObject {
    Q_OBJECT
public:
    KXVersionChecker(KXDefaults& settings, std::shared_ptr<UpdateActivity> activity, QObject* parent = nullptr);
    ~KXVersionChecker() override;

    // Observes the settings, computes the schedule and sends the pings (no feed), those
    // after `pingDelay` seconds.
    void start(double pingDelay = 0);

    // Starts a check on a thread of its own; `user`: asked for by the user (never
    // throttled). With `onlyPings` only the two counting requests run. Nothing while a
    // check runs.
    void checkNow(bool user, bool onlyPings = false);
    // The check itself, on the calling thread; its completion follows on the main thread.
    void threadedCheck(bool user, bool onlyPings = false);
    bool isBusy() const { return busy_; }

    // ---- results ---------------------------------------------------------------------
    QString currentVersion() const;
    // "lastCurrentVersion"; none when absent. An empty text: the newest version needs a
    // newer system.
    std::optional<QString> availableVersion() const;
    bool betaVersionAvailable() const;
    QString downloadURL() const;
    // The archive's SHA-256 as the feed gave it ("" : none given).
    QString archiveSHA256() const;
    // The archive's Ed25519 signature in base64 as the feed gave it ("" : none given).
    QString archiveSignature() const;
    bool updateAvailable() const;
    bool shouldSkipVersion();
    void setSkipThisVersion(bool skip);
    // The release date in the long date form; "???" when unknown.
    QString releaseDateString() const;
    // The status line of the preferences' update tab.
    QString versionStatusMessage() const;
    QString applicationName() const;

    // ---- the offer -------------------------------------------------------------------
    // Emits newVersionAlert unless the version is to be skipped or there is none.
    void showNewVersionAlert();
    // The answer of the alert: 0 skips the version, 1 downloads it, 1002 and above
    // show the release notes, -1 does nothing.
    void alertEnded(int returnCode);
    void downloadAndInstallUpdate();
    void showWhatsNew();

    // ---- schedule ----------------------------------------------------------------------
    // Computes when the next automatic check is due and sets the timer (or checks at once).
    void updateTimer();
    // Seconds the timer was last set to; -1 when no timer is pending.
    double pendingDelay() const;
    // The timer's end: the idle and full-screen gates, then an automatic check.
    void checkTimerFired();

    // ---- hooks -------------------------------------------------------------------------
    virtual QString padURL() const { return {}; }
    virtual QString whatsNewURL() const { return {}; }
    virtual QString downloadFinalURL() const { return {}; }
    virtual QString downloadBetaURL() const { return {}; }
    virtual QString counterURL() const { return {}; }
    virtual QString monceURL() const { return {}; }
    virtual bool canSkipVersion() const { return true; }
    virtual QString extraExplanation() const { return {}; }
    virtual double delayAfterLaunching() const { return 0; }
    virtual double minimumIdleTimeBeforeUpdateCheck() const { return 120.0; }

    KXDefaults& userDefaults() const { return settings_; }

signals:
    // A newer version is to be offered.
    void newVersionAlert(const NewVersionAlert& alert);
    void downloadAndInstallRequested();
    void whatsNewRequested();
    // A check began (`user`: asked for by the user) and ended (on the main thread).
    void checkStarted(bool user);
    void checkFinished();

protected:
    // Run on the main thread when a check is started, before its thread.
    virtual void willCheck(bool user) { Q_UNUSED(user); }

private:
    void retriggerTimerAfterDelay(double seconds);
    void sendPings();
    void readFeed();
    void checkCompleted();
    void settingChanged(const QString& key);

    KXDefaults& settings_;
    std::shared_ptr<UpdateActivity> activity_;
    class Observer;
    std::unique_ptr<Observer> observer_;
    const QDateTime launchDate_;
    QTimer timer_;
    double pendingDelay_ = -1;
    qint64 deadlineMs_ = 0;  // monotonic
    bool longWait_ = false;  // the wait is longer than one timer can count
    std::recursive_mutex lock_;
    std::optional<qint64> lastStartMs_;  // monotonic; none before the first check
    std::atomic<bool> busy_{false};
    double idlePenalty_ = 0;
    int scheduleCount_ = 0;
};
