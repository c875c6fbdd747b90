#pragma once
// The download window: downloads one file into a folder with a progress bar, then
// unpacks, opens or reveals it. One at a time (downloadController()); it deletes itself
// when it is done, cancelled or closed.
//
// Completion actions: 1 unpack, 2 open, 3 unpack and open, 4 reveal in the file manager.
// Before any of them the download must carry a valid signature of the built-in key
// (ArchiveSignature.h) and, when one is given, the SHA-256: else "Download failed.".
// Unpacking runs on a thread of its own within a budget (ArchiveUnpacker.h): an archive
// that exceeds it or whose entries would leave the folder is "Download failed.", one that
// cannot be read "Decompression failed.".
// Opening a folder "<Name>.app" hands over to that copy: it is checked (UnpackedBundle);
// where the user may not replace the running installation it says so and stops; where
// that installation is a folder of its own (BundleReplacement.h) the installer program
// is started to replace it (KXInstallerInterface), else the new copy's program is
// started from where it was unpacked. Every failure ends in a message and a "Close" button; cancelling,
// a failure and closing after one remove the download folder when it is one of the
// installation folders (InstallFolders), so nothing is left behind. The window's
// position is kept in the settings under "Download Window Location" ("x y") and used
// for the next window.

#include "network/NetworkModule.h"

#include "update/archive/ArchiveUnpacker.h"

#include <QUrl>
#include <QWidget>
#include <atomic>
#include <memory>

namespace kx {
class AtomicFile;
}

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

// What is checked before a downloaded copy is started.
struct DownloadChecks {
    QString expectedVersion;   // the version offered ("" : any)
    QString sha256;            // of the archive ("" : not checked)
    QString signature;         // Ed25519 of the archive, base64 ("" : the download fails)
    QString installLocation;   // the installation that the new copy replaces
    QString tempFolder;        // where installation folders are made
};

class KXDefaults;

class KXDownloadController : public QWidget, private rbx::network::DownloadReceiver {
    Q_OBJECT
public:
    enum Completion { Unzip = 1, Open = 2, UnzipAndOpen = 3, Reveal = 4 };

    static inline const QString WindowTitle = QStringLiteral("Download");
    static inline const QString LocationKey = QStringLiteral("Download Window Location");

    // The running download's controller, or a new one (placed where the settings, when
    // given, say the last one was).
    static KXDownloadController* downloadController(KXDefaults* settings = nullptr);
    static bool isBusy();

    void setDownloadURL(const QUrl& url) { url_ = url; }
    void setDownloadFolder(const QString& folder) { folder_ = folder; }
    void setCompletionAction(int action) { action_ = action; }
    void setChecks(const DownloadChecks& checks) { checks_ = checks; }
    void startDownload();
    // Cancels, removes what was downloaded and closes the window.
    void cancel();
    // Stops; with a message shows it and offers "Close".
    void stopWithMessage(const QString& message);

    QString destination() const { return destination_; }
    qint64 received() const { return received_; }
    qint64 total() const { return total_; }

signals:
    // The copy at the path was started (a ".app" folder) or opened.
    void opened(const QString& path);

private:
    explicit KXDownloadController(KXDefaults* settings);
    ~KXDownloadController() override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void restoreLocation();
    bool launchInstaller();
    void downloadLength(qint64 total) override;
    bool downloadData(const QByteArray& data) override;
    void downloadEnded(const QString& error, const QString& refusedRedirect) override;
    void finalize();
    void unpackFinished();
    void stopUnpacking();
    void openDestination();
    void removeFolder();
    void done();

    KXDefaults* settings_;
    QLabel* message_;
    QProgressBar* progress_;
    QPushButton* button_;
    std::unique_ptr<rbx::network::Download> download_;
    std::unique_ptr<kx::AtomicFile> file_;
    QThread* unpacker_ = nullptr;
    std::atomic<bool> cancelUnpacking_{false};
    update::Unpacked unpacked_;
    QUrl url_;
    QString folder_;
    QString destination_;
    DownloadChecks checks_;
    qint64 total_ = 0;
    qint64 received_ = 0;
    int action_ = UnzipAndOpen;
    bool stopped_ = false;
};
