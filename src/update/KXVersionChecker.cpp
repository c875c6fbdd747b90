#include "update/KXVersionChecker.h"

#include "core/Clock.h"
#include "core/DateExtensions.h"
#include "core/FoundationValues.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "kxlib/KXDefaultObserver.h"
#include "kxlib/KXDefaults.h"
#include "kxlib/KXUtilities.h"
#include "update/PadFeed.h"
#include "update/UpdateNetwork.h"

#include <QMetaMethod>
#include <QStringDecoder>
#include <QThread>
#include <cmath>

namespace {

namespace key = rbx::key;

constexpr double Day = 86400;
// The next check after a failed feed comes after 29.5 hours.
constexpr double AfterFailure = 106200;
constexpr int MaxTimerMs = 20 * 24 * 3600 * 1000;

class DesktopActivity : public UpdateActivity {
public:
    double idleTime() override { return KXUtilities::idleTime(); }
    bool fullScreenMode() override { return KXUtilities::fullScreenMode(); }
};

QString nowDescription() { return kx::ns::dateDescription(QDateTime::currentDateTimeUtc()); }

} // namespace

std::shared_ptr<UpdateActivity> UpdateActivity::makeDefault() { return std::make_shared<DesktopActivity>(); }

class KXVersionChecker::Observer : public KXDefaultObserver {
public:
    explicit Observer(KXVersionChecker& checker) : checker_(checker) {}
    void defaultChanged(const QString& key) override { checker_.settingChanged(key); }

protected:
    QString observerClassName() const override { return QStringLiteral("KXVersionChecker"); }

private:
    KXVersionChecker& checker_;
};

KXVersionChecker::KXVersionChecker(KXDefaults& settings, std::shared_ptr<UpdateActivity> activity, QObject* parent)
    : QObject(parent), settings_(settings), activity_(std::move(activity)),
      launchDate_(QDateTime::currentDateTimeUtc()) {
    qRegisterMetaType<NewVersionAlert>();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &KXVersionChecker::checkTimerFired);
}

KXVersionChecker::~KXVersionChecker() {
    if (observer_) settings_.removeObserver(observer_.get());
}

void KXVersionChecker::start(double pingDelay) {
    kx::log(QStringLiteral("Init version checker"));
    observer_ = std::make_unique<Observer>(*this);
    settings_.addObserver(observer_.get());
    updateTimer();
    if (pingDelay <= 0) checkNow(false, true);
    else QTimer::singleShot(std::chrono::milliseconds(qint64(pingDelay * 1000)), this, [this] { checkNow(false, true); });
}

void KXVersionChecker::settingChanged(const QString& k) {
    if (k == key::updateInterval.qname()) {
        kx::log(QStringLiteral("update interval changed"));
        updateTimer();
    } else if (k == key::monthlyMinute.qname()) {
        kx::log(QStringLiteral("monthly minute changed"));
        updateTimer();
    }
}

// ---- the check ---------------------------------------------------------------------------

void KXVersionChecker::checkNow(bool user, bool onlyPings) {
    if (busy_.exchange(true)) return;
    kx::log(QStringLiteral("checkNow:%1 onlyStats:%2").arg(int(user)).arg(int(onlyPings)));
    if (!onlyPings) willCheck(user);
    emit checkStarted(user);
    QThread* worker = QThread::create([this, user, onlyPings] { threadedCheck(user, onlyPings); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void KXVersionChecker::threadedCheck(bool user, bool onlyPings) {
    busy_ = true;
    const qint64 now = kx::Clock::shared().nowMs();
    bool throttled = false;
    if (user) {
        lastStartMs_ = now;
        kx::log(QStringLiteral("checking %1").arg(padURL()));
        settings_.setObject(QStringLiteral("..."), key::lastUpdateCheck.qname());
    } else if (lastStartMs_ && (now - *lastStartMs_) / 1000.0 < minimumIdleTimeBeforeUpdateCheck()) {
        // Never started counts as long ago: a start soon after the machine's boot is
        // not throttled.
        kx::log(QStringLiteral("throttling frequent version check (%1 secs elapsed)")
                    .arg((now - *lastStartMs_) / 1000.0, 0, 'f', 6));
        throttled = true;
    } else {
        lastStartMs_ = now;
        kx::log(QStringLiteral("checking %1").arg(padURL()));
    }
    if (!throttled) {
        QThread::msleep(250);
        sendPings();
        if (!onlyPings) readFeed();
    }
    kx::runOnMain(this, [this] { checkCompleted(); });
}

void KXVersionChecker::sendPings() {
    const QString version = currentVersion();
    if (!monceURL().isEmpty()) {
        const QString month = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM"));
        const QVariant previous = settings_.objectForKey(key::monce.qname());
        kx::log(QStringLiteral("monce prev = %1, now = %2").arg(kx::ns::description(previous), month));
        if (!previous.isValid() || previous.toString() != month) {
            const QString url = monceURL() + version;
            kx::log(QStringLiteral("url: %1").arg(url));
            const update::Fetched got = update::fetch(QUrl(url), 64 * 1024);
            if (got.data) {
                kx::log(QStringLiteral("got count data: %1").arg(QString::fromUtf8(*got.data)));
                settings_.setObject(month, key::monce.qname());
                settings_.setObject(nowDescription(), key::lastMaintenance.qname());
                settings_.synchronize();
            } else {
                kx::log(QStringLiteral("monce error: %1").arg(got.error));
            }
        }
    }
    const QString versionKey = QLatin1String(key::versionPingPrefix) + version;
    if (!counterURL().isEmpty() && !settings_.objectForKey(versionKey).isValid()) {
        const update::Fetched got = update::fetch(QUrl(counterURL() + version), 64 * 1024);
        if (got.data) {
            QStringDecoder utf8(QStringDecoder::Utf8);
            QString reply = utf8.decode(*got.data);
            if (utf8.hasError()) reply = QStringLiteral("unknown");
            settings_.setObject(reply, versionKey);
            settings_.synchronize();
        }
    }
}

void KXVersionChecker::readFeed() {
    const QString address = padURL();
    QVariantMap feed;
    const update::Fetched got = update::fetch(QUrl(address));
    if (got.data) feed = update::parsePadFeed(*got.data);
    else kx::log(QStringLiteral("feed error: %1").arg(got.error));
    kx::log(QStringLiteral("PAD dictionary = %1").arg(kx::ns::description(feed)));

    const QVariant version = feed.value(QStringLiteral("Program_Version"));
    settings_.setObject(version, key::lastCurrentVersion.qname());
    const QString date = update::releaseDate(feed);
    settings_.setObject(date.isEmpty() ? QVariant() : QVariant(date), key::lastReleaseDate.qname());
    kx::log(QStringLiteral(" releaseDate = %1").arg(date));
    const QString sha256 = feed.value(update::ArchiveChecksumElement).toString().toLower();
    settings_.setObject(sha256.isEmpty() ? QVariant() : QVariant(sha256), key::lastArchiveSHA256.qname());
    const QString signature = feed.value(update::ArchiveSignatureElement).toString();
    settings_.setObject(signature.isEmpty() ? QVariant() : QVariant(signature), key::lastArchiveEd25519.qname());
    if (!version.isValid()) {
        kx::log(QStringLiteral("version check failed for %1").arg(address));
    } else if (feed.contains(QStringLiteral("Program_System_Requirements"))) {
        const QString requirements = feed.value(QStringLiteral("Program_System_Requirements")).toString();
        kx::log(QStringLiteral("min sys version = %1").arg(requirements));
        const QString minimum = update::minimumSystemVersion(requirements);
        const QString system = KXUtilities::systemVersionString();
        kx::log(QStringLiteral("min sys = <%1>, current = <%2>").arg(minimum, system));
        if (KXUtilities::compareVersion(system, minimum) < 0)
            settings_.setObject(QString(""), key::lastCurrentVersion.qname());
    }
    settings_.setObject(nowDescription(), key::lastUpdateCheck.qname());
    kx::log(QStringLiteral("check done; current version = %1").arg(currentVersion()));
}

void KXVersionChecker::checkCompleted() {
    const std::optional<QString> available = availableVersion();
    kx::log(QStringLiteral("version check completed; current=%1; available= %2")
                .arg(currentVersion(), available.value_or(QStringLiteral("(null)"))));
    if (available && !available->isEmpty()) {
        if (KXUtilities::compareVersion(currentVersion(), *available) < 0) showNewVersionAlert();
        else settings_.setObject(QString(""), key::versionToSkip.qname());
    }
    updateTimer();
    busy_ = false;
    emit checkFinished();
}

// ---- results -----------------------------------------------------------------------------

QString KXVersionChecker::currentVersion() const { return KXUtilities::versionString(); }
QString KXVersionChecker::applicationName() const { return KXUtilities::applicationName(); }

std::optional<QString> KXVersionChecker::availableVersion() const {
    const QVariant v = settings_.objectForKey(key::lastCurrentVersion.qname());
    if (!v.isValid()) return std::nullopt;
    if (v.typeId() != QMetaType::QString) {
        kx::log(QStringLiteral("*** unexpected version object: %1 (%2)").arg(kx::ns::description(v), QString::fromLatin1(v.typeName())));
        return kx::ns::description(v);
    }
    return v.toString();
}

bool KXVersionChecker::betaVersionAvailable() const {
    if (!settings_.boolForKey(key::checkForBetaVersions)) return false;
    const QString v = availableVersion().value_or(QString());
    for (QChar c : {u'd', u'a', u'b', u'f'})
        if (v.contains(c)) return true;
    return false;
}

QString KXVersionChecker::archiveSHA256() const {
    return settings_.objectForKey(key::lastArchiveSHA256.qname()).toString();
}

QString KXVersionChecker::archiveSignature() const {
    return settings_.objectForKey(key::lastArchiveEd25519.qname()).toString();
}

QString KXVersionChecker::downloadURL() const { return betaVersionAvailable() ? downloadBetaURL() : downloadFinalURL(); }

bool KXVersionChecker::updateAvailable() const {
    const QVariant last = settings_.objectForKey(key::lastUpdateCheck.qname());
    if (!last.isValid() || last.toString() == QLatin1String("...")) return false;
    const QString available = availableVersion().value_or(QString());
    return !available.isEmpty() && KXUtilities::compareVersion(currentVersion(), available) < 0;
}

bool KXVersionChecker::shouldSkipVersion() {
    const std::optional<QString> available = availableVersion();
    const QString skip = settings_.stringForKey(key::versionToSkip);
    if (canSkipVersion() && (!available || available->isEmpty() || (!skip.isEmpty() && skip == *available)))
        return true;
    settings_.setObject(QString(""), key::versionToSkip.qname());
    return false;
}

void KXVersionChecker::setSkipThisVersion(bool skip) {
    settings_.setObject(skip ? availableVersion().value_or(QString()) : QString(""), key::versionToSkip.qname());
}

QString KXVersionChecker::releaseDateString() const {
    const QVariant stored = settings_.objectForKey(key::lastReleaseDate.qname());
    if (!stored.isValid()) return QStringLiteral("???");
    const QString text = stored.toString() + QStringLiteral(" 09:00:00 +0100");
    const QDateTime date = kx::ns::dateFromDescription(text);
    if (!date.isValid()) {
        kx::log(QStringLiteral("release date string %1 cannot be parsed").arg(text));
        return QStringLiteral("???");
    }
    return kx::ns::descriptionWithDateStyle(date, kx::ns::DateStyle::Long);
}

QString KXVersionChecker::versionStatusMessage() const {
    const QVariant last = settings_.objectForKey(key::lastUpdateCheck.qname());
    if (!last.isValid()) return {};
    const QString text = last.toString();
    if (text == QLatin1String("...")) return text;
    const QDateTime date = kx::ns::dateFromDescription(text);
    if (!date.isValid()) {
        kx::log(QStringLiteral("last update string %1 cannot be parsed").arg(text));
        return {};
    }
    const QString when = kx::ns::dateDescription(date).left(16);
    const std::optional<QString> available = availableVersion();
    if (!available) return kx::loc(QStringLiteral("Last check on %@ failed.")).replace(QStringLiteral("%@"), when);
    if (available->isEmpty()) return kx::loc(QStringLiteral("Last check on %@.")).replace(QStringLiteral("%@"), when);
    if (updateAvailable())
        return kx::loc(QStringLiteral("Last check on %1$@: New version %2$@ is available. You have version %3$@."))
            .replace(QStringLiteral("%1$@"), when)
            .replace(QStringLiteral("%2$@"), *available)
            .replace(QStringLiteral("%3$@"), currentVersion());
    return kx::loc(QStringLiteral("Last check on %1$@: %2$@ %3$@ is up-to-date."))
        .replace(QStringLiteral("%1$@"), when)
        .replace(QStringLiteral("%2$@"), applicationName())
        .replace(QStringLiteral("%3$@"), currentVersion());
}

// ---- the offer ---------------------------------------------------------------------------

void KXVersionChecker::showNewVersionAlert() {
    if (shouldSkipVersion() || !availableVersion()) return;
    const QString available = *availableVersion();
    NewVersionAlert alert;
    alert.message = kx::loc(QStringLiteral("A newer version of %@ is available.")).replace(QStringLiteral("%@"), applicationName());
    alert.informative =
        kx::loc(QStringLiteral("The latest version of %1$@ is %2$@ (released on %3$@). You have version %4$@."))
            .replace(QStringLiteral("%1$@"), applicationName())
            .replace(QStringLiteral("%2$@"), available)
            .replace(QStringLiteral("%3$@"), releaseDateString())
            .replace(QStringLiteral("%4$@"), currentVersion());
    if (!extraExplanation().isEmpty()) alert.informative += QStringLiteral("\n\n") + extraExplanation();
    alert.download = kx::loc(QStringLiteral("Download and Install"));
    if (canSkipVersion()) alert.skip = kx::loc(QStringLiteral("Skip Version %@")).replace(QStringLiteral("%@"), available);
    alert.notNow = kx::loc(QStringLiteral("Not Now"));
    alert.whatsNew = kx::loc(QStringLiteral("What's New?"));
    emit newVersionAlert(alert);
}

void KXVersionChecker::alertEnded(int returnCode) {
    if (returnCode == NewVersionAlert::SkipReturn) setSkipThisVersion(true);
    else if (returnCode == NewVersionAlert::DownloadReturn) downloadAndInstallUpdate();
    else if (returnCode >= NewVersionAlert::WhatsNewReturn) showWhatsNew();
    else if (returnCode != NewVersionAlert::NotNowReturn)
        kx::log(QStringLiteral("unknown version alert button %1").arg(returnCode));
}

void KXVersionChecker::downloadAndInstallUpdate() {
    if (!isSignalConnected(QMetaMethod::fromSignal(&KXVersionChecker::downloadAndInstallRequested)))
        kx::log(QStringLiteral("downloadAndInstallUpdate must be overridden"));
    emit downloadAndInstallRequested();
}

void KXVersionChecker::showWhatsNew() { emit whatsNewRequested(); }

// ---- schedule ----------------------------------------------------------------------------

void KXVersionChecker::updateTimer() {
    double interval = 0;
    switch (settings_.integerForKey(key::updateInterval)) {
    case 1: interval = Day; break;
    case 2: interval = 7 * Day; break;
    case 3: interval = settings_.integerForKey(key::monthlyMinute) != 0 ? 60 : 28 * Day; break;
    default: break;
    }
    if (interval == 0) {
        retriggerTimerAfterDelay(0);
        return;
    }
    const int n = ++scheduleCount_;
    const double minimumDelay = n > 30 ? Day : n > 20 ? 3600 : n > 10 ? 60 : 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QVariant last = settings_.objectForKey(key::lastUpdateCheck.qname());
    kx::log(QStringLiteral("last update: %1").arg(kx::ns::description(last)));
    QDateTime due = now.addSecs(-1);
    if (last.isValid() && last.toString() != QLatin1String("...")) {
        const QDateTime lastDate = kx::ns::dateFromDescription(last.toString());
        if (!lastDate.isValid())
            kx::log(QStringLiteral("last update string %1 cannot be parsed").arg(last.toString()));
        else
            due = lastDate.addMSecs(qint64(1000 * (availableVersion() ? interval : AfterFailure)));
    }
    kx::log(QStringLiteral("next update: %1").arg(kx::ns::dateDescription(due)));
    const QDateTime earliest = launchDate_.addMSecs(qint64(1000 * delayAfterLaunching()));
    if (due < earliest) due = earliest;
    const double sinceNow = now.msecsTo(due) / 1000.0;
    const double delay = std::max(minimumDelay, sinceNow);
    kx::log(QStringLiteral("since now: %1").arg(sinceNow, 0, 'f', 1));
    kx::log(QStringLiteral("nextCheckInterval: %1").arg(delay, 0, 'f', 6));
    if (delay < 0.5) {
        retriggerTimerAfterDelay(0);
        checkNow(false);
    } else {
        retriggerTimerAfterDelay(delay);
    }
}

void KXVersionChecker::retriggerTimerAfterDelay(double seconds) {
    kx::log(QStringLiteral("Waiting for update check: %1 sec").arg(seconds, 0, 'f', 1));
    std::lock_guard lock(lock_);
    timer_.stop();
    pendingDelay_ = -1;
    if (seconds > 0) {
        // A timer counts in 32-bit milliseconds: a longer wait is made of several.
        deadlineMs_ = kx::Clock::shared().nowMs() + qint64(seconds * 1000);
        longWait_ = seconds * 1000 > MaxTimerMs;
        timer_.start(int(std::min(seconds * 1000, double(MaxTimerMs))));
        pendingDelay_ = seconds;
    }
}

double KXVersionChecker::pendingDelay() const { return pendingDelay_; }

void KXVersionChecker::checkTimerFired() {
    {
        std::lock_guard lock(lock_);
        const qint64 left = deadlineMs_ - kx::Clock::shared().nowMs();
        if (longWait_ && left > 1000) {
            longWait_ = left > MaxTimerMs;
            timer_.start(int(std::min(left, qint64(MaxTimerMs))));
            return;
        }
        pendingDelay_ = -1;
    }
    kx::log(QStringLiteral("checkTimerFired"));
    const double need = std::max(15.0, 120.0 - idlePenalty_);
    idlePenalty_ += 5;
    const double idle = activity_->idleTime();
    if (idle > 0 && idle < need) {
        retriggerTimerAfterDelay(need - idle);
        return;
    }
    // "checkForUpdatesInFullScreenMode" YES means: postpone the check while another
    // application fills the screen (the name says the opposite of what it does).
    if (activity_->fullScreenMode() && settings_.boolForKey(key::checkForUpdatesInFullScreenMode)) {
        kx::log(QStringLiteral("full screen; postpone update check (%1)").arg(300));
        retriggerTimerAfterDelay(300);
        return;
    }
    idlePenalty_ = 0;
    checkNow(false);
}
