// KXAppSettings: the remote update and the URL command "appsetting".

#include "kxlib/KXAppSettings.h"

#include "kxlib/KXUtilities.h"
#include "kxlib/URLExtensions.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "core/Plist.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include <mutex>

namespace {

std::mutex clockMutex;
QDeadlineTimer& lastUpdateCall() {
    static QDeadlineTimer t{QDeadlineTimer::Forever};  // "never"
    return t;
}
bool calledBefore = false;

KXAppSettings::Fetcher& fetcher() {
    static KXAppSettings::Fetcher f;
    return f;
}

// Downloads on the calling (worker) thread; nothing on failure.
std::optional<QByteArray> download(const QUrl& url) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(30000);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (reply->error() != QNetworkReply::NoError) {
        kx::log(QStringLiteral("cannot load application settings update %1: %2").arg(url.toString(), reply->errorString()));
        return std::nullopt;
    }
    return reply->readAll();
}

QString expectedUpdateName() {
    QString V = kx::Bundle::mainBundle().bundleVersion();
    if (V.endsWith(QLatin1Char('s'))) V.chop(1);
    return QStringLiteral("autoupdate") + V + QStringLiteral(".plist");
}

} // namespace

void KXAppSettings::resetUpdateClock() {
    std::lock_guard lock(clockMutex);
    calledBefore = false;
}

void KXAppSettings::setFetcherForTesting(Fetcher f) { fetcher() = std::move(f); }

void KXAppSettings::updateWithRemoteData(const QString& urlText) {
    {
        std::lock_guard lock(clockMutex);
        if (calledBefore && lastUpdateCall().remainingTime() > 0) return;  // within 60 s
        calledBefore = true;
        lastUpdateCall() = QDeadlineTimer(60 * 1000);
    }
    const QUrl url(urlText, QUrl::StrictMode);
    // Only a secure address, and only the update file of this version: the download
    // is written into the settings folder under its own name.
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        kx::log(QStringLiteral("application settings update refused (not https): %1").arg(urlText));
        return;
    }
    if (url.fileName() != expectedUpdateName()) {
        kx::log(QStringLiteral("application settings update refused (file name): %1").arg(urlText));
        return;
    }
    appSettingsDictionary();  // built before the worker looks at it
    const Fetcher fetch = fetcher();
    QThread* worker = QThread::create([url, fetch] {
        const std::optional<QByteArray> bytes = fetch ? fetch(url) : download(url);
        if (bytes) installUpdate(url, *bytes);
    });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void KXAppSettings::installUpdate(const QUrl& url, const QByteArray& bytes) {
    const kx::plist::Result r = kx::plist::readOpenStep(QString::fromUtf8(bytes));
    const kx::plist::Result any = r.ok() ? r : kx::plist::read(bytes);
    if (!any.ok()) {
        kx::log(QStringLiteral("cannot convert update dictionary: %1").arg(any.error));
        return;
    }
    // The merged dictionary belongs to the main thread: ask there.
    QVariantMap merged;
    kx::runOnMainAndWait([&] { merged = appSettingsDictionary(); });
    if (!acceptsUpdate(merged, any.value)) return;
    const QString folder = settingsFolder();
    if (folder.isEmpty()) return;
    QDir dir(folder);
    for (const QString& old : dir.entryList({QStringLiteral("autoupdate*.plist")}, QDir::Files))
        dir.remove(old);
    QSaveFile file(dir.filePath(url.fileName()));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        kx::log(QStringLiteral("cannot write application settings update: %1").arg(file.errorString()));
        return;
    }
    kx::runOnMain([] { reloadSettings(); });
}

QVariant KXAppSettings::addAppSettingFromURL(const QUrl& url) {
    const QVariantMap params = kx::url::parameterDictionary(url);
    if (params.contains(QStringLiteral("show"))) {
        const QString show = params.value(QStringLiteral("show")).toString();
        const QVariantMap merged = appSettingsDictionary();
        QString text;
        if (show == QLatin1String("update"))
            text = QStringLiteral("last update: %1").arg(kx::ns::description(merged.value(QStringLiteral("dynamicUpdate"))));
        else
            text = kx::ns::description(merged.contains(show) ? merged.value(show) : QVariant(merged));
        return QStringLiteral("Application Settings (%1):\r\r%2").arg(show, text);
    }
    if (params.isEmpty()) {
        reloadSettings();
        return {};
    }
    if (!params.contains(QStringLiteral("name"))) {
        kx::log(QStringLiteral("missing name in URL"));
        return {};
    }
    const QString name = params.value(QStringLiteral("name")).toString();
    // The name becomes a file name in the settings folder: nothing that leads out of it
    // or hides the file.
    if (!isSafeSettingsName(name)) {
        kx::log(QStringLiteral("invalid name in URL: %1").arg(name));
        return {};
    }
    const QString folder = settingsFolder();
    if (folder.isEmpty()) return {};
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".plist");
    if (params.contains(QStringLiteral("delete"))) {
        if (QFileInfo(path).isFile()) QFile::remove(path);
        return {};
    }
    if (!params.contains(QStringLiteral("signature"))) {
        kx::log(QStringLiteral("missing signature in URL"));
        return {};
    }
    QVariantMap settings = params;
    settings.remove(QStringLiteral("name"));
    settings.remove(QStringLiteral("signature"));
    const QString text = settingsFileText(appSettingsDictionary().value(QStringLiteral("pluginVersion")),
                                          params.value(QStringLiteral("signature")).toString(), name, settings);
    kx::log(QStringLiteral("new application setting: %1").arg(text));
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        kx::log(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return {};
    }
    reloadSettings();
    return {};
}
