#include "update/KXDownloadController.h"

#include "core/AtomicFile.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/KXNetwork.h"
#include "kxlib/KXDefaults.h"
#include "kxlib/KXUtilities.h"
#include "update/ArchiveModule.h"
#include "update/BundleReplacement.h"
#include "update/InstallFolders.h"
#include "update/KXInstallerInterface.h"
#include "update/UnpackedBundle.h"
#include "update/UpdateNetwork.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPointer<KXDownloadController>& current() {
    static QPointer<KXDownloadController> controller;
    return controller;
}

// The file name shown: without ".zip", then ".app", then ".dmg".
QString shownName(QString name) {
    for (const char* ext : {".zip", ".app", ".dmg"})
        if (name.endsWith(QLatin1String(ext))) name.chop(int(qstrlen(ext)));
    return name;
}

} // namespace

KXDownloadController* KXDownloadController::downloadController(KXDefaults* settings) {
    if (!current()) current() = new KXDownloadController(settings);
    return current();
}

bool KXDownloadController::isBusy() { return !current().isNull(); }

KXDownloadController::KXDownloadController(KXDefaults* settings)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), settings_(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(WindowTitle);
    setObjectName(QStringLiteral("DownloadProgress"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("downloadMessage"));
    message_->setWordWrap(true);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("downloadProgress"));
    progress_->setTextVisible(false);
    button_ = new QPushButton(kx::loc(QStringLiteral("Cancel")), this);
    button_->setObjectName(QStringLiteral("downloadButton"));
    connect(button_, &QPushButton::clicked, this, &KXDownloadController::cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(progress_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button_);
    layout->addLayout(row);
    setMinimumWidth(360);
    restoreLocation();
}

void KXDownloadController::restoreLocation() {
    if (!settings_) return;
    const QStringList parts = settings_->stringForKey(LocationKey).split(u' ', Qt::SkipEmptyParts);
    bool okX = false, okY = false;
    const QPoint at(parts.value(0).toInt(&okX), parts.value(1).toInt(&okY));
    if (parts.size() != 2 || !okX || !okY) return;
    // Only where a screen shows it. The place is that of the window's inside, which the
    // window manager's frame does not shift.
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(at)) {
            setGeometry(QRect(at, sizeHint().expandedTo(minimumSizeHint()).expandedTo(minimumSize())));
            return;
        }
    }
}

void KXDownloadController::hideEvent(QHideEvent* event) {
    if (settings_ && !event->spontaneous())
        settings_->setString(QStringLiteral("%1 %2").arg(geometry().x()).arg(geometry().y()), LocationKey);
    QWidget::hideEvent(event);
}

KXDownloadController::~KXDownloadController() {
    download_.reset();
    stopUnpacking();
}

void KXDownloadController::startDownload() {
    stopped_ = false;
    destination_ = QDir(folder_).filePath(url_.fileName());
    kx::log(QStringLiteral("download path = %1").arg(destination_));
    message_->setText(kx::loc(QStringLiteral("Downloading %@.")).replace(QStringLiteral("%@"), shownName(url_.fileName())));
    progress_->setRange(0, 0);  // indeterminate, animated
    button_->setText(kx::loc(QStringLiteral("Cancel")));
    total_ = received_ = 0;
    if (!update::isPermittedAddress(url_) || url_.fileName().isEmpty() || folder_.isEmpty()) {
        kx::log(QStringLiteral("download failed: address refused %1").arg(url_.toString()));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    file_ = std::make_unique<kx::AtomicFile>(destination_);
    if (!file_->open()) {
        kx::log(QStringLiteral("download failed: %1").arg(file_->errorString()));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    download_ = kx::download(update::makeRequest(url_, update::MaxArchiveBytes), *this);
    if (!download_) {
        kx::log(QStringLiteral("download failed: no network access"));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
    }
}

void KXDownloadController::downloadLength(qint64 total) {
    total_ = std::max<qint64>(total, 0);
    if (total_ < 1) {
        progress_->setRange(0, 0);
    } else {
        progress_->setRange(0, 100);
        progress_->setValue(0);
    }
}

bool KXDownloadController::downloadData(const QByteArray& data) {
    if (!file_) return false;
    received_ += data.size();
    if (!file_->write(data)) return false;
    if (total_ >= 1) progress_->setValue(int(std::min<qint64>(100, received_ * 100 / total_)));
    return true;
}

void KXDownloadController::downloadEnded(const QString& error, const QString& refusedRedirect) {
    update::logRefusedRedirect(refusedRedirect);
    download_.reset();
    if (stopped_) return;
    if (!error.isEmpty()) {
        kx::log(QStringLiteral("download failed: %1").arg(error));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    if (!file_->commit()) {
        kx::log(QStringLiteral("download failed: %1").arg(file_->errorString()));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    kx::log(QStringLiteral("download finished"));
    progress_->setRange(0, 100);
    progress_->setValue(100);
    QTimer::singleShot(100, this, &KXDownloadController::finalize);
}

void KXDownloadController::finalize() {
    if (stopped_) return;
    if (!checks_.sha256.isEmpty() && update::sha256OfFile(destination_) != checks_.sha256.toLower()) {
        kx::log(QStringLiteral("download failed: checksum differs"));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    if (const QString problem = update::archivemodule::checkSignature(destination_, checks_.signature); !problem.isEmpty()) {
        kx::log(QStringLiteral("download failed: %1").arg(problem));
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    if (action_ == Unzip || action_ == UnzipAndOpen) {
        const QString archive = destination_;
        const QString into = folder_;
        cancelUnpacking_ = false;
        unpacker_ = QThread::create([this, archive, into] {
            unpacked_ = update::archivemodule::unpack(archive, into, &cancelUnpacking_);
        });
        connect(unpacker_, &QThread::finished, this, &KXDownloadController::unpackFinished);
        unpacker_->start();
        return;
    }
    openDestination();
}

void KXDownloadController::stopUnpacking() {
    if (!unpacker_) return;
    unpacker_->disconnect(this);
    cancelUnpacking_ = true;
    unpacker_->wait();
    delete unpacker_;
    unpacker_ = nullptr;
}

void KXDownloadController::unpackFinished() {
    if (!unpacker_ || stopped_) return;
    unpacker_->wait();
    delete unpacker_;
    unpacker_ = nullptr;
    kx::log(QStringLiteral("unzip result = %1").arg(unpacked_.outcome == update::Unpacked::Done ? 0 : 1));
    if (!unpacked_.reason.isEmpty()) kx::log(QStringLiteral("archive refused: %1").arg(unpacked_.reason));
    if (unpacked_.outcome == update::Unpacked::Refused) {
        stopWithMessage(kx::loc(QStringLiteral("Download failed.")));
        return;
    }
    if (unpacked_.outcome != update::Unpacked::Done) {
        stopWithMessage(kx::loc(QStringLiteral("Decompression failed.")));
        return;
    }
    QString target = destination_.left(destination_.size() - QFileInfo(destination_).suffix().size() - 1);
    if (target.endsWith(QLatin1String("0.app"))) target = target.left(target.size() - 5) + QStringLiteral(".app");
    destination_ = target;
    if (action_ == UnzipAndOpen) openDestination();
    else done();
}

void KXDownloadController::openDestination() {
    if (action_ == Reveal) {
        QDBusMessage show = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        show << QStringList{QUrl::fromLocalFile(destination_).toString()} << QString();
        QDBusConnection::sessionBus().asyncCall(show);
        done();
        return;
    }
    if (destination_.endsWith(QLatin1String(".app"))) {
        const QString problem = update::checkUnpackedBundle(destination_, checks_.expectedVersion);
        if (!problem.isEmpty()) {
            kx::log(QStringLiteral("downloaded copy refused: %1").arg(problem));
            stopWithMessage(kx::loc(QStringLiteral("The downloaded copy is damaged and was not opened.")));
            return;
        }
        if (!checks_.installLocation.isEmpty() && !update::canInstallInto(checks_.installLocation)) {
            kx::log(QStringLiteral("cannot install into %1").arg(checks_.installLocation));
            stopWithMessage(kx::loc(QStringLiteral("The new version cannot be installed: you may not change the folder %@."))
                                .replace(QStringLiteral("%@"), checks_.installLocation));
            return;
        }
        if (update::checkReplaceableInstallation(checks_.installLocation).isEmpty()) {
            if (!launchInstaller()) {
                stopWithMessage(kx::loc(QStringLiteral("Could not open the file.")));
                return;
            }
            // The installer removes the download folder once it has copied the new version.
            folder_.clear();
            emit opened(destination_);
            done();
            return;
        }
        const QString program = update::bundleExecutable(destination_);
        if (!QProcess::startDetached(program, {}, destination_)) {
            stopWithMessage(kx::loc(QStringLiteral("Could not open the file.")));
            return;
        }
        emit opened(destination_);
        done();
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(destination_))) {
        stopWithMessage(kx::loc(QStringLiteral("Could not open the file.")));
        return;
    }
    emit opened(destination_);
    done();
}

bool KXDownloadController::launchInstaller() {
    KXInstallerInterface installer;
    installer.addArgument(QStringLiteral("Runebox"), QStringLiteral("productName"));
    installer.addArgument(QStringLiteral("RB-3"), QStringLiteral("productCode"));
    installer.addArgument(QStringLiteral("RB-X"), QStringLiteral("productCode"));
    installer.addArgument(checks_.expectedVersion, QStringLiteral("version"));
    installer.addArgument(destination_, QStringLiteral("sourcePath"));
    installer.addArgument(checks_.installLocation, QStringLiteral("targetPath"));
    installer.addArgument(QStringLiteral("3.0"), QStringLiteral("completionQuit"));
    return installer.launch();
}

void KXDownloadController::stopWithMessage(const QString& message) {
    stopped_ = true;
    download_.reset();
    if (file_) file_->cancel();
    // The thread ends at its next block; the folder goes only after it.
    stopUnpacking();
    removeFolder();
    url_.clear();
    destination_.clear();
    total_ = received_ = 0;
    if (!message.isEmpty()) {
        message_->setText(message);
        progress_->setRange(0, 100);
        progress_->setValue(0);
        button_->setText(kx::loc(QStringLiteral("Close")));
    }
}

void KXDownloadController::removeFolder() {
    if (folder_.isEmpty()) return;
    // A partial file goes with its folder when that is one of ours; else only the file.
    if (!update::removeInstallFolder(folder_, checks_.tempFolder.isEmpty() ? QDir::tempPath() : checks_.tempFolder) &&
        !destination_.isEmpty())
        QFile::remove(destination_);
    folder_.clear();
}

void KXDownloadController::cancel() {
    stopWithMessage(QString());
    done();
}

void KXDownloadController::closeEvent(QCloseEvent* event) {
    if (!stopped_ && (download_ || unpacker_)) stopWithMessage(QString());
    event->accept();
}

void KXDownloadController::done() {
    hide();
    deleteLater();
}
