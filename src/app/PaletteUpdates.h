#pragma once
// The update client in the palette: the version checker's offers become the new-version
// alert on the palette, its "Download and Install" the download window (after the
// preferences are confirmed and the palette closed), its "What's New?" the release-notes
// window (in place of the palette); the checker starts once the launch is over. CheckerClient answers the
// palette's questions (the alert's buttons, the update tab, "vcheck") from the checker.
// Main thread.

#include "app/PaletteAlerts.h"

#include <QObject>

class KXVersionChecker;
class RbxCharWindowController;
struct NewVersionAlert;

class CheckerClient : public RbxUpdateClient {
public:
    explicit CheckerClient(KXVersionChecker& checker) : checker_(checker) {}
    void setSkipThisVersion(bool skip) override;
    void downloadAndInstallUpdate() override;
    void showWhatsNew() override;
    QString versionStatusMessage() const override;
    bool updateAvailable() const override;
    void checkNow(bool wait) override;

private:
    KXVersionChecker& checker_;
};

class PaletteUpdates : public QObject {
    Q_OBJECT
public:
    PaletteUpdates(RbxCharWindowController& palette, KXVersionChecker& checker, QObject* parent = nullptr);

    // The schedule, and the counting requests once the user had time to work undisturbed.
    void start();
    // Nothing while the palette shows a sheet; else the palette comes up with the alert.
    void showAlert(const NewVersionAlert& alert);
    void downloadAndInstallUpdate();
    void showWhatsNew();

private:
    RbxCharWindowController& palette_;
    KXVersionChecker& checker_;
};
