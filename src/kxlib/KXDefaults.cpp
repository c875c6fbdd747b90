#include "kxlib/KXDefaults.h"

#include "core/KXUserFileAccess.h"

#include "kxlib/KXDefaultObserver.h"
#include "kxlib/RbxDefaults.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "core/Plist.h"

namespace ns = kx::ns;

KXDefaults& KXDefaults::userDefaults() { return RbxDefaults::userDefaults(); }

KXDefaults::KXDefaults(const QString& domain, const QString& resourceFolder)
    : resourceFolder_(resourceFolder),
      writes_(KXUserFileAccess::mayChange()),
      // A reading program looks at the file once: watching it would make its folder.
      platform_(std::make_unique<platform::UserDefaults>(
          domain.isEmpty() ? kx::Bundle::mainBundle().bundleIdentifier() : domain,
          writes_ ? platform::DefaultsDomain::Watch::Yes : platform::DefaultsDomain::Watch::No)) {
    platform_->setChangeObserver(
        [this](const QString& key, const QVariant& value, platform::UserDefaults::ChangeKind kind) {
            platformChanged(key, value, kind);
        });
}

KXDefaults::~KXDefaults() { platform_->setChangeObserver(nullptr); }

QString KXDefaults::resourcePath(const QString& fileName) const {
    if (!resourceFolder_.isEmpty()) return resourceFolder_ + u'/' + fileName;
    const QString path = kx::Bundle::mainBundle().pathForResource(fileName);
    return path.isEmpty() ? kx::Bundle::mainBundle().resourcePath() + u'/' + fileName : path;
}

QVariantMap KXDefaults::defaultValues() {
    std::lock_guard guard(lock_);
    if (!defaultValues_) {
        const QString path = resourcePath(QStringLiteral("UserDefaults.plist"));
        const kx::plist::Result r = kx::plist::readFile(path);
        if (r.ok() && ns::isDictionary(r.value)) {
            defaultValues_ = r.value.toMap();
        } else {
            kx::log(QStringLiteral("*** Could not read UserDefaults: %1").arg(path));
            defaultValues_ = QVariantMap();
        }
    }
    return *defaultValues_;
}

// ---- cache and platform ----

QVariant KXDefaults::objectForKey(const QString& key) {
    std::lock_guard guard(lock_);
    auto it = cache_.constFind(key);
    if (it != cache_.constEnd()) {
        if (ns::isString(it.value()) && it.value().toString() == nilMarker()) return QVariant();
        return it.value();
    }
    const QVariant v = platform_->objectForKey(key);
    if (v.isValid()) rememberObject(v, key);
    return v;
}

KXDefaults::Stored KXDefaults::setObject(const QVariant& value, const QString& key) {
    std::lock_guard guard(lock_);
    if (!writes_) {
        // A reading program's store: the change is this process's own.
        const bool seen = cache_.contains(key);
        rememberObject(value.isValid() ? kx::plist::normalized(value) : platform_->registrationDomain().value(key), key);
        if (seen) post(key);
        return {};
    }
    const Stored stored = platform_->setObject(value, key);
    if (stored.status == Stored::Refused) return stored;
    // A removed key falls back to its registered default, as it does when another
    // process removes it; only a key without one is remembered as "<nil>".
    rememberObject(value.isValid() ? kx::plist::normalized(value) : platform_->objectForKey(key), key);
    return stored;
}

void KXDefaults::observeKey(const QString& key) {
    std::lock_guard guard(lock_);
    if (!cache_.contains(key)) rememberObject(platform_->objectForKey(key), key);
}

void KXDefaults::rememberObject(const QVariant& value, const QString& key) {
    std::lock_guard guard(lock_);
    // A key in the cache is observed: platformChanged only acts on cached keys.
    cache_.insert(key, value.isValid() ? value : QVariant(nilMarker()));
}

void KXDefaults::platformChanged(const QString& key, const QVariant& value,
                                 platform::UserDefaults::ChangeKind kind) {
    std::lock_guard guard(lock_);
    if (!cache_.contains(key)) return;
    if (kind != platform::UserDefaults::ChangeKind::Setting) {
        kx::log(QStringLiteral("*** Unknown pref change (%1): kind %2, new value %3")
                    .arg(key)
                    .arg(int(kind))
                    .arg(ns::description(value)));
        return;
    }
    cache_.insert(key, value.isValid() ? value : QVariant(nilMarker()));
    post(key);
}

// ---- observers ----

void KXDefaults::addObserver(KXDefaultObserver* observer) {
    if (!observer) return;
    std::lock_guard guard(observersMutex_);
    std::erase_if(observers_, [&](const Registration& r) { return r.token.expired() || r.observer == observer; });
    observers_.push_back({observer, observer->lifetimeToken()});
}

void KXDefaults::removeObserver(KXDefaultObserver* observer) {
    std::lock_guard guard(observersMutex_);
    std::erase_if(observers_, [&](const Registration& r) { return r.token.expired() || r.observer == observer; });
}

void KXDefaults::post(const QString& key) {
    std::vector<Registration> targets;
    {
        std::lock_guard guard(observersMutex_);
        std::erase_if(observers_, [](const Registration& r) { return r.token.expired(); });
        targets = observers_;
    }
    for (const Registration& r : targets) {
        // The observer is touched only on the main thread and only while its token
        // lives: a delivery queued for an observer destroyed meanwhile is dropped.
        kx::runOnMain([observer = r.observer, token = r.token, key] {
            if (auto alive = token.lock()) observer->defaultChanged(key);
        });
    }
}

// ---- typed readers and writers ----

QString KXDefaults::stringForKey(const QString& key, const QString& defaultValue) {
    const QVariant v = objectForKey(key);
    if (!v.isValid()) return defaultValue;
    if (ns::isString(v)) return v.toString();
    return ns::description(v);
}

KXDefaults::Stored KXDefaults::setString(const QString& value, const QString& key) {
    return setObject(value.isNull() ? QStringLiteral("") : value, key);
}

bool KXDefaults::boolForKey(const QString& key, bool defaultValue) {
    const QVariant v = objectForKey(key);
    if (!v.isValid()) return defaultValue;
    if (ns::isString(v) && v.toString().compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0) return true;
    if (ns::hasIntValue(v)) return ns::intValue(v) != 0;
    return false;
}

KXDefaults::Stored KXDefaults::setBool(bool value, const QString& key) { return setObject(QVariant(value), key); }

int KXDefaults::integerForKey(const QString& key, int defaultValue) {
    const QVariant v = objectForKey(key);
    if (!v.isValid() || !ns::hasIntValue(v)) return defaultValue;
    return ns::intValue(v);
}

KXDefaults::Stored KXDefaults::setInteger(int value, const QString& key) {
    return setObject(QVariant(value), key);
}

float KXDefaults::floatForKey(const QString& key, float defaultValue) {
    const QVariant v = objectForKey(key);
    if (!v.isValid() || !ns::hasNumberValue(v)) return defaultValue;
    return ns::floatValue(v);
}

double KXDefaults::doubleForKey(const QString& key, double defaultValue) {
    const QVariant v = objectForKey(key);
    if (!v.isValid() || !ns::hasNumberValue(v)) return defaultValue;
    return ns::doubleValue(v);
}

double KXDefaults::doubleForKey(const rbx::key::FloatKey& key) {
    const QString name = key.qname();
    const QVariant stored = objectForKey(name);
    const double v = doubleForKey(name, key.codeDefault);
    if (!stored.isValid() || key.holds(v)) return v;
    const QVariant bundled = defaultValues().value(name);
    const double fallback =
        ns::hasNumberValue(bundled) && key.holds(ns::doubleValue(bundled)) ? ns::doubleValue(bundled) : key.codeDefault;
    const QString text = ns::description(stored).left(100);
    std::lock_guard guard(lock_);
    if (unusableLogged_.value(name) != text) {
        unusableLogged_.insert(name, text);
        kx::log(QStringLiteral("*** %1: %2 is not usable, %3 is used instead").arg(name, text, ns::numberText(fallback)));
    }
    return fallback;
}

KXDefaults::Stored KXDefaults::setFloat(float value, const QString& key) {
    // The float's shortest decimal form, kept as a number.
    return setObject(QVariant(ns::numberText(value).toDouble()), key);
}
KXDefaults::Stored KXDefaults::setDouble(double value, const QString& key) {
    return setObject(QVariant(value), key);
}

// ---- the rest ----

int KXDefaults::launchCount() { return integerForKey(rbx::key::launchCount); }

KXDefaults::Stored KXDefaults::synchronize() { return platform_->synchronize(); }

QVariantMap KXDefaults::copyCurrentValues() {
    std::lock_guard guard(lock_);
    return cache_;
}

void KXDefaults::setValues(const QVariantMap& values) {
    for (auto it = values.begin(); it != values.end(); ++it) setObject(it.value(), it.key());
}

void KXDefaults::registerDefaultValues() { platform_->registerDefaults(defaultValues()); }

bool KXDefaults::importDefaults(const QVariantMap& entry) {
    const QVariant suite = entry.value(QStringLiteral("suite"));
    const QVariant keys = entry.value(QStringLiteral("keys"));
    if (!ns::isString(suite) || suite.toString().isEmpty() || !ns::isDictionary(keys)) return false;
    const QVariantMap domain = platform::UserDefaults::persistentDomainForName(suite.toString());
    bool copied = false;
    const QVariantMap pairs = keys.toMap();
    for (auto it = pairs.begin(); it != pairs.end(); ++it) {
        const QVariant v = domain.value(ns::isString(it.value()) ? it.value().toString() : it.key());
        if (!v.isValid()) continue;
        setObject(v, it.key());
        copied = true;
    }
    return copied;
}

void KXDefaults::loadInitialValues() {
    std::lock_guard guard(lock_);
    const QVariantMap defaults = defaultValues();
    const QString translateKey = rbx::key::translate.qname();
    const QString importKey = rbx::key::import.qname();

    // 1. Values of older keys move to the keys that replace them.
    const QVariantMap translate = ns::dictionaryOrEmpty(defaults.value(translateKey));
    for (auto it = translate.begin(); it != translate.end(); ++it) {
        if (platform_->objectForKey(it.key()).isValid() || !ns::isString(it.value())) continue;
        QVariant v = platform_->objectForKey(it.value().toString());
        if (!v.isValid()) v = defaults.value(it.key());
        if (!v.isValid()) continue;
        if (writes_) platform_->setObject(v, it.key());
        else rememberObject(v, it.key());
    }

    // 2. and 3. Every key with a default is observed from the start.
    registerDefaultValues();
    QVariant imports;
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        if (it.key() == translateKey || cache_.contains(it.key())) continue;  // translated in memory
        const QVariant v = platform_->objectForKey(it.key());
        if (!v.isValid()) continue;
        if (it.key() == importKey) imports = v;
        else rememberObject(v, it.key());
    }

    // 4. Launch count.
    int n = integerForKey(rbx::key::launchCount.qname());
    if (n == 0) n = integerForKey(rbx::key::launchCountOld.qname());
    setInteger(n + 1, rbx::key::launchCount.qname());

    // 5. First launch: copy settings from the first domain that has some.
    if (n == 0 && imports.isValid()) {
        for (const QVariant& entry : ns::arrayOrEmpty(imports))
            if (importDefaults(ns::dictionaryOrEmpty(entry))) break;
    }
}
