// KXAppSettings: the merged dictionary, the settings of a process and their readers.

#include "kxlib/KXAppSettings.h"

#include "kxlib/KXDefaults.h"
#include "kxlib/KXUtilities.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "core/ProcessWide.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

QVariant userSetting(const QString& key) { return KXDefaults::userDefaults().objectForKey(key); }

void speak(const QString& text) {
    const QString say = QStandardPaths::findExecutable(QStringLiteral("spd-say"));
    // "--": a text that begins with "-" is spoken, not taken as an option.
    if (!say.isEmpty() && QProcess::startDetached(say, {QStringLiteral("--"), text})) return;
    kx::log(QStringLiteral("speak: %1").arg(text));
}

} // namespace

QString KXAppSettings::settingsFolder() { return KXAppSupport::makeSupportSubfolder(QStringLiteral("Application Settings")); }

QVariantMap KXAppSettings::appSettingsDictionary() { return KXAppSettingsStore::shared().appSettingsDictionary(); }
void KXAppSettings::reloadSettings() { KXAppSettingsStore::shared().reloadSettings(); }
std::shared_ptr<KXAppSettings> KXAppSettings::settingsForFrontApplication() {
    return KXAppSettingsStore::shared().settingsForFrontApplication();
}
void KXAppSettings::updateWithRemoteData(const QString& url) { KXAppSettingsStore::shared().updateWithRemoteData(url); }
QVariant KXAppSettings::addAppSettingFromURL(const QUrl& url) { return KXAppSettingsStore::shared().addAppSettingFromURL(url); }

// ---- the store

KXAppSettingsStore& KXAppSettingsStore::shared() { return kx::ProcessWide<KXAppSettingsStore>::get(); }

std::shared_ptr<KXAppSettingsStore> KXAppSettingsStore::makeDefault() {
    return std::make_shared<KXAppSettingsStore>(std::make_shared<KXNetworkFetcher>());
}

KXAppSettingsStore::KXAppSettingsStore(std::shared_ptr<KXSettingsFetcher> fetcher) : fetcher_(std::move(fetcher)) {}

QVariantMap KXAppSettingsStore::appSettingsDictionary() {
    if (!merged_) {
        QVariantMap bundle;
        const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("AppSettings"), QStringLiteral("plist"));
        const kx::plist::Result r = path.isEmpty() ? kx::plist::Result{QVariant(), QStringLiteral("missing")}
                                                   : kx::plist::readFile(path);
        if (r.ok() && kx::ns::isDictionary(r.value))
            bundle = r.value.toMap();
        else
            kx::log(QStringLiteral("*** Could not read AppSettings."));
        merged_ = KXAppSettings::mergeSettings(bundle, KXAppSettings::settingsFolder(),
                                               kx::Bundle::mainBundle().bundleVersion());
        suffix_ = KXAppSettings::systemSuffix(*merged_, KXUtilities::systemVersionString());
    }
    return *merged_;
}

QString KXAppSettingsStore::systemSuffix() {
    appSettingsDictionary();
    return suffix_;
}

void KXAppSettingsStore::reloadSettings() {
    merged_.reset();
    front_.reset();
    appSettingsDictionary();
}

std::shared_ptr<KXAppSettings> KXAppSettingsStore::settingsForFrontApplication() {
    const KXProcess::Ptr front = KXProcess::frontProcess();
    const KXProcess::Ptr known = front_ ? front_->process() : nullptr;
    const bool same = front_ && ((front && known && known->isSameProcess(*front)) || (!front && !known));
    if (!same) {
        front_ = front ? std::make_shared<KXAppSettings>(front, *this)
                       : std::make_shared<KXAppSettings>(KXAppSettings::ProcessFacts{}, *this);
        if (front_->settings().contains(QStringLiteral("log"))) kx::log(front_->description());
    }
    return front_;
}

// ---- instances

KXAppSettings::ProcessFacts KXAppSettings::ProcessFacts::of(KXProcess& p) {
    ProcessFacts f;
    f.identifier = p.identifier();
    f.signature = p.signatureString();
    f.name = p.name();
    f.platform = p.platform();
    f.version = p.version();
    f.majorVersion = p.majorVersionNumber();
    return f;
}

KXAppSettings::KXAppSettings(const KXProcess::Ptr& process) : KXAppSettings(process, KXAppSettingsStore::shared()) {}

KXAppSettings::KXAppSettings(const ProcessFacts& facts) : KXAppSettings(facts, KXAppSettingsStore::shared()) {}

KXAppSettings::KXAppSettings(const KXProcess::Ptr& process, KXAppSettingsStore& store) : m_process(process) {
    if (process) m_facts = ProcessFacts::of(*process);
    loadSettings(store);
}

KXAppSettings::KXAppSettings(const ProcessFacts& facts, KXAppSettingsStore& store) : m_facts(facts) {
    loadSettings(store);
}

void KXAppSettings::loadSettings(KXAppSettingsStore& store) {
    m_settings = computeSettings(store.appSettingsDictionary(), m_facts, store.systemSuffix());
    if (const QVariant say = m_settings.value(QStringLiteral("speak")); say.isValid())
        speak(kx::ns::description(say));
}

QString KXAppSettings::description() const {
    const QString id = m_facts.identifier.isEmpty() ? QString() : QStringLiteral("; ") + m_facts.identifier;
    return QStringLiteral("settings for %1 V%2 (%3%4): %5")
        .arg(m_facts.name, m_facts.version, m_facts.signature, id, kx::ns::description(m_settings));
}

QVariant KXAppSettings::objectForKey(const QString& key) const {
    const QVariant v = m_settings.value(key);
    if (!kx::ns::isString(v)) return v;
    const QString s = v.toString();
    if (!s.startsWith(QLatin1String("$(")) || !s.endsWith(QLatin1Char(')')) || s.size() < 3) return v;
    // "$(key)" or "$(key)(default)"
    const QString inner = s.mid(2, s.size() - 3);
    const qsizetype split = inner.indexOf(QLatin1String(")("));
    const QString userKey = split >= 0 ? inner.left(split) : inner;
    const QVariant user = userSetting(userKey);
    if (user.isValid()) return user;
    if (split >= 0) return inner.mid(split + 2);
    return {};
}

QString KXAppSettings::stringForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.isValid() ? kx::ns::description(v) : QString();
}

bool KXAppSettings::boolForKey(const QString& key, bool ifAbsent) const {
    const QVariant v = objectForKey(key);
    return v.isValid() ? parseFlag(v) : ifAbsent;
}

int KXAppSettings::intForKey(const QString& key, int ifAbsent) const {
    const QVariant v = objectForKey(key);
    return kx::ns::hasNumberValue(v) ? kx::ns::intValue(v) : ifAbsent;
}

float KXAppSettings::floatForKey(const QString& key, float ifAbsent) const {
    const QVariant v = objectForKey(key);
    return kx::ns::hasNumberValue(v) ? kx::ns::floatValue(v) : ifAbsent;
}

int KXAppSettings::intForKey(const QString& key, const QString& minimumKey, int ifAbsent) const {
    const QVariant user = userSetting(key);
    if (kx::ns::hasNumberValue(user)) return kx::ns::intValue(user);
    int v = intForKey(key, ifAbsent);
    if (!minimumKey.isEmpty()) {
        const QVariant top = appSettingsDictionary().value(minimumKey);
        if (kx::ns::hasNumberValue(top)) v = std::max(v, kx::ns::intValue(top));
        const QVariant userMin = userSetting(minimumKey);
        if (kx::ns::hasNumberValue(userMin)) v = std::max(v, kx::ns::intValue(userMin));
    }
    return v;
}

float KXAppSettings::floatForKey(const QString& key, const QString& minimumKey, float ifAbsent) const {
    const QVariant user = userSetting(key);
    if (kx::ns::hasNumberValue(user)) return kx::ns::floatValue(user);
    float v = floatForKey(key, ifAbsent);
    if (!minimumKey.isEmpty()) {
        const QVariant top = appSettingsDictionary().value(minimumKey);
        if (kx::ns::hasNumberValue(top)) v = std::max(v, kx::ns::floatValue(top));
        const QVariant userMin = userSetting(minimumKey);
        if (kx::ns::hasNumberValue(userMin)) v = std::max(v, kx::ns::floatValue(userMin));
    }
    return v;
}
