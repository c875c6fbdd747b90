#pragma once
// The download window: downloads one file into a folder with a progress bar, then
// unpacks, opens or reveals it. One at a time (downloadController()); it deletes itself
// when it is done, cancelled or closed.
//
// Completion actions: 1 unpack, 2 open, 3 unpack and open, 4 reveal in the file manager.
// Opening a folder "<Name>.app" hands over to that copy: it is checked (UnpackedBundle)
// and its program started; where the user may not replace the running installation it
// says so and stops. Every failure ends in a message and a "Close" button; cancelling,
// a failure and closing after one remove the download folder when it is one of the
// installation folders (InstallFolders), so nothing is left behind.

#include "network/NetworkModule.h"

#include <QProcess>
#include <QUrl>
#include <QWidget>
#include <memory>

namespace kx {
class AtomicFile;
}

class QLabel;
class QProgressBar;
class QPushButton;

// What is checked before a downloaded copy is started.
struct DownloadChecks {
    QString expectedVersion;   // the version offered ("" : any)
    QString sha256;            // of the archive ("" : not checked)
    QString installLocation;   // the installation that the new copy replaces
    QString tempFolder;        // where installation folders are made
};

class KXDownloadController : public QWidget, private rbx::network::DownloadReceiver {
    Q_OBJECT
public:
    enum Completion { Unzip = 1, Open = 2, UnzipAndOpen = 3, Reveal = 4 };

    static inline const QString WindowTitle = QStringLiteral("Download");

    // The running download's controller, or a new one.
    static KXDownloadController* downloadController();
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
    KXDownloadController();
    ~KXDownloadController() override;
    void closeEvent(QCloseEvent* event) override;
    void downloadLength(qint64 total) override;
    bool downloadData(const QByteArray& data) override;
    void downloadEnded(const QString& error, const QString& refusedRedirect) override;
    void finalize();
    void unzipFinished(int exitCode, QProcess::ExitStatus status);
    void openDestination();
    void removeFolder();
    void done();

    QLabel* message_;
    QProgressBar* progress_;
    QPushButton* button_;
    std::unique_ptr<rbx::network::Download> download_;
    std::unique_ptr<kx::AtomicFile> file_;
    QProcess* unzip_ = nullptr;
    QUrl url_;
    QString folder_;
    QString destination_;
    DownloadChecks checks_;
    qint64 total_ = 0;
    qint64 received_ = 0;
    int action_ = UnzipAndOpen;
    bool stopped_ = false;
};
