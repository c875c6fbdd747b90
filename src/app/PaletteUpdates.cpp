#include "app/PaletteUpdates.h"

#include "app/AlertSheet.h"
#include "app/PreferencesSheet.h"
#include "app/RbxCharWindowController.h"
#include "core/Log.h"
#include "update/InstallFolders.h"
#include "update/KXDownloadController.h"
#include "update/KXVersionChecker.h"
#include "update/KXWhatsNewController.h"
#include "update/UnpackedBundle.h"

#include <QDir>
#include <QPushButton>

void CheckerClient::setSkipThisVersion(bool skip) { checker_.setSkipThisVersion(skip); }
void CheckerClient::downloadAndInstallUpdate() { checker_.downloadAndInstallUpdate(); }
void CheckerClient::showWhatsNew() { checker_.showWhatsNew(); }
QString CheckerClient::versionStatusMessage() const { return checker_.versionStatusMessage(); }
bool CheckerClient::updateAvailable() const { return checker_.updateAvailable(); }

void CheckerClient::checkNow(bool wait) {
    if (!wait) {
        checker_.checkNow(true);
        return;
    }
    if (checker_.isBusy()) return;
    checker_.threadedCheck(true);
}

PaletteUpdates::PaletteUpdates(RbxCharWindowController& palette, KXVersionChecker& checker, QObject* parent)
    : QObject(parent), palette_(palette), checker_(checker) {
    connect(&checker_, &KXVersionChecker::newVersionAlert, this, &PaletteUpdates::showAlert);
    connect(&checker_, &KXVersionChecker::downloadAndInstallRequested, this, &PaletteUpdates::downloadAndInstallUpdate);
    connect(&checker_, &KXVersionChecker::whatsNewRequested, this, &PaletteUpdates::showWhatsNew);
}

void PaletteUpdates::start() { checker_.start(checker_.minimumIdleTimeBeforeUpdateCheck()); }

void PaletteUpdates::showAlert(const NewVersionAlert& a) {
    if (palette_.hasSheet()) return;
    auto* alert = new AlertSheet(QStringLiteral("versionAlert"), a.message, a.informative, a.download, a.skip, a.whatsNew);
    // Return never downloads: "Not Now" is the default button, and Escape answers it too.
    QPushButton* download = alert->button(AlertSheet::DefaultReturn);
    download->setDefault(false);
    download->setAutoDefault(false);
    QPushButton* notNow = alert->addButton(a.notNow, PaletteAlerts::NotNowReturn, QStringLiteral("alertNotNowButton"));
    notNow->setDefault(true);
    alert->setEscapeReturn(PaletteAlerts::NotNowReturn);
    palette_.openWindow(&palette_);
    palette_.orderFront();
    palette_.stopMouseOutsideFading();
    palette_.showNewVersionAlert(alert);
}

void PaletteUpdates::downloadAndInstallUpdate() {
    if (palette_.sheets().attachedSheetName() == PreferencesSheet::SheetName) palette_.sheets().endSheet(1);
    palette_.close();
    if (KXDownloadController::isBusy()) {
        kx::log(QStringLiteral("a download is running already"));
        return;
    }
    const QString temp = QDir::tempPath();
    const QString folder = update::makeInstallFolder(temp);
    if (folder.isEmpty()) return;
    KXDownloadController* download = KXDownloadController::downloadController(&checker_.userDefaults());
    download->setDownloadURL(QUrl(checker_.downloadURL()));
    download->setDownloadFolder(folder);
    download->setCompletionAction(KXDownloadController::UnzipAndOpen);
    download->setChecks({checker_.availableVersion().value_or(QString()), checker_.archiveSHA256(),
                         checker_.archiveSignature(), update::runningInstallation(), temp});
    download->show();
    download->startDownload();
    download->raise();
    download->activateWindow();
}

void PaletteUpdates::showWhatsNew() {
    // The palette, which stays above other windows, would cover the notes.
    palette_.close();
    KXWhatsNewController* notes = KXWhatsNewController::whatsNewController();
    notes->setVersionChecker(&checker_);
    notes->showNotes();
}
