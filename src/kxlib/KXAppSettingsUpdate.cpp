// KXAppSettings: the remote update and the URL command "appsetting".

#include "kxlib/KXAppSettings.h"

#include "kxlib/KXNetwork.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/URLExtensions.h"
#include "core/AtomicFile.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/PathInFolder.h"
#include "core/MainThread.h"
#include "core/Plist.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace {

QString expectedUpdateName() {
    QString V = kx::Bundle::mainBundle().bundleVersion();
    if (V.endsWith(QLatin1Char('s'))) V.chop(1);
    return QStringLiteral("autoupdate") + V + QStringLiteral(".plist");
}

} // namespace

// Downloads on the calling (worker) thread; nothing on failure.
std::optional<QByteArray> KXNetworkFetcher::fetch(const QUrl& url) {
    rbx::network::Request request;
    request.url = url;
    const rbx::network::Answer answer = kx::fetch(request);
    if (!answer.data)
        kx::log(QStringLiteral("cannot load application settings update %1: %2").arg(url.toString(), answer.error));
    return answer.data;
}

void KXAppSettingsStore::updateWithRemoteData(const QString& urlText) {
    {
        std::lock_guard lock(clockMutex_);
        if (calledBefore_ && lastUpdateCall_.remainingTime() > 0) return;  // within 60 s
        calledBefore_ = true;
        lastUpdateCall_ = QDeadlineTimer(60 * 1000);
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
    // The worker keeps the store alive until it is done.
    QThread* worker = QThread::create([url, self = shared_from_this()] {
        const std::optional<QByteArray> bytes = self->fetcher_->fetch(url);
        if (bytes) self->installUpdate(url, *bytes);
    });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void KXAppSettingsStore::installUpdate(const QUrl& url, const QByteArray& bytes) {
    const kx::plist::Result r = kx::plist::readOpenStep(QString::fromUtf8(bytes));
    const kx::plist::Result any = r.ok() ? r : kx::plist::read(bytes);
    if (!any.ok()) {
        kx::log(QStringLiteral("cannot convert update dictionary: %1").arg(any.error));
        return;
    }
    // The merged dictionary belongs to the main thread: ask there.
    QVariantMap merged;
    kx::runOnMainAndWait([&] { merged = appSettingsDictionary(); });
    if (!KXAppSettings::acceptsUpdate(merged, any.value)) return;
    const QString folder = KXAppSettings::settingsFolder();
    if (folder.isEmpty()) return;
    QDir dir(folder);
    QString error;
    if (!kx::writeFileAtomically(dir.filePath(url.fileName()), bytes, &error)) {
        // The update in use stays.
        kx::log(QStringLiteral("cannot write application settings update: %1").arg(error));
        return;
    }
    for (const QString& old : dir.entryList({QStringLiteral("autoupdate*.plist")}, QDir::Files))
        if (old != url.fileName()) dir.remove(old);
    kx::runOnMain([self = shared_from_this()] { self->reloadSettings(); });
}

QVariant KXAppSettingsStore::addAppSettingFromURL(const QUrl& url) {
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
    // A link that is not carried out says why: its sender hears it.
    auto refuse = [](const QString& why) {
        kx::log(why);
        return KXURLHandler::refused(why);
    };
    if (!params.contains(QStringLiteral("name"))) return refuse(QStringLiteral("missing name in URL"));
    const QString name = params.value(QStringLiteral("name")).toString();
    const QString folder = KXAppSettings::settingsFolder();
    if (folder.isEmpty()) return refuse(QStringLiteral("the folder \"Application Settings\" cannot be made"));
    // The name becomes a file name in the settings folder: nothing that leads out of it
    // or hides the file.
    const kx::PathInFolder file = kx::fileInFolder(folder, name);
    if (!file) return refuse(QStringLiteral("invalid name in URL: %1").arg(file.refusal));
    const QString path = file.path + QStringLiteral(".plist");
    if (params.contains(QStringLiteral("delete"))) {
        if (!QFileInfo(path).isFile()) return refuse(QStringLiteral("no application setting named \"%1\"").arg(name));
        if (!QFile::remove(path)) return refuse(QStringLiteral("the application setting %1 cannot be removed").arg(name));
        // Without the file's entries from now on, not only after the next reload.
        reloadSettings();
        return {};
    }
    if (!params.contains(QStringLiteral("signature")) || params.value(QStringLiteral("signature")).toString().isEmpty())
        return refuse(QStringLiteral("missing signature in URL"));
    // A script of the font detection is a file of the bundle's data folder.
    if (params.contains(KXAppSettings::ScriptKey)) {
        const kx::PathInFolder script = kx::pathInFolder(kx::Bundle::mainBundle().resourcePath(),
                                                         params.value(KXAppSettings::ScriptKey).toString() + QStringLiteral(".sh"));
        if (!script) return refuse(QStringLiteral("%1 refused: %2").arg(KXAppSettings::ScriptKey, script.refusal));
    }
    // Text the settings file could not carry would make the whole file unreadable.
    if (const auto c = kx::plist::characterXmlCannotCarry(QVariant(params))) {
        kx::log(QStringLiteral("application setting %1 refused: %2").arg(name, kx::plist::unstorableTextError(*c)));
        return KXURLHandler::refused(kx::plist::unstorableTextError(*c));
    }
    QVariantMap settings = params;
    settings.remove(QStringLiteral("name"));
    settings.remove(QStringLiteral("signature"));
    const QString text = KXAppSettings::settingsFileText(appSettingsDictionary().value(QStringLiteral("pluginVersion")),
                                          params.value(QStringLiteral("signature")).toString(), name, settings);
    kx::log(QStringLiteral("new application setting: %1").arg(text));
    QString error;
    if (!kx::writeFileAtomically(path, text.toUtf8(), &error)) {
        kx::log(QStringLiteral("cannot write %1").arg(error));
        return KXURLHandler::refused(QStringLiteral("the application setting %1 was not saved: %2").arg(name, error));
    }
    reloadSettings();
    return {};
}
