#pragma once
// The two alerts of the palette, each a sheet on it:
//   the accessibility alert, which asks the user to switch the desktop's accessibility
//   on (font detection needs it) or to switch font detection off for the application
//   concerned, shown at most once at a time;
//   the new-version alert, built by the update check with its texts and shown and
//   answered here: 0 skips the version, 1 downloads and installs it, 1002 and above
//   show the release notes, -1 ("Not Now") does nothing.
// Main thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class AlertSheet;
class RbxCharWindowController;
class RbxDefaults;

// What the new-version alert's buttons ask of the update client.
class RbxUpdateActions {
public:
    virtual ~RbxUpdateActions() = default;
    virtual void setSkipThisVersion(bool skip) = 0;
    virtual void downloadAndInstallUpdate() = 0;
    virtual void showWhatsNew() = 0;
};

// What the palette asks of the update client beyond the alert: the preferences' update
// tab and the URL command "vcheck".
class RbxUpdateClient : public RbxUpdateActions {
public:
    // The status line of the last check.
    virtual QString versionStatusMessage() const = 0;
    virtual bool updateAvailable() const = 0;
    // A check asked for by the user; `wait`: on this thread, returning when it is done.
    virtual void checkNow(bool wait) = 0;
};

// What the accessibility alert's "Open System Settings" does on the desktop.
class RbxAccessibilitySwitch {
public:
    virtual ~RbxAccessibilitySwitch() = default;
    // Switches the desktop's accessibility on and opens its accessibility settings when
    // the desktop has a known settings program.
    virtual void switchOnAndOpenSettings() = 0;
    // The session bus's accessibility switch, and the first of the desktops' settings
    // programs found.
    static std::shared_ptr<RbxAccessibilitySwitch> makeDefault();
};

class PaletteAlerts : public QObject {
    Q_OBJECT
public:
    PaletteAlerts(RbxCharWindowController& controller, RbxDefaults& settings,
                  std::shared_ptr<RbxAccessibilitySwitch> accessibility, std::shared_ptr<RbxUpdateActions> updates,
                  QObject* parent = nullptr);

    // `application`: the application whose font cannot be found; null at start-up.
    // Nothing while an alert for an application is pending or a sheet is attached.
    void showAXAlertForApplication(const QString& application);
    // "Not Now": the answer that does nothing.
    static constexpr int NotNowReturn = -1;
    void showNewVersionAlert(AlertSheet* alert);
    QString pendingApplication() const { return pending_; }

private:
    void axAlertEnded(int returnCode);
    void versionAlertEnded(int returnCode);

    RbxCharWindowController& controller_;
    RbxDefaults& settings_;
    std::shared_ptr<RbxAccessibilitySwitch> accessibility_;
    std::shared_ptr<RbxUpdateActions> updates_;
    QString pending_;
    bool pendingSet_ = false;
    QPointer<AlertSheet> sheet_;
};
