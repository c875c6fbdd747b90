#include "platform/defaults/UserDefaults.h"

namespace platform {

UserDefaults::UserDefaults(const QString& applicationDomain, DefaultsDomain::Watch watch)
    : domain_(std::make_unique<DefaultsDomain>(applicationDomain, watch)) {
    domain_->setChangeHandler([this](const QString& key, const QVariant& value) { report(key, value); });
}

UserDefaults::~UserDefaults() { domain_->setChangeHandler(nullptr); }

QVariant UserDefaults::objectForKey(const QString& key) const {
    const QVariant v = domain_->value(key);
    if (v.isValid()) return v;
    QMutexLocker lock(&mutex_);
    return registration_.value(key);
}

Stored UserDefaults::setObject(const QVariant& value, const QString& key) {
    const Stored stored = domain_->setValue(key, value);
    if (stored.status != Stored::Refused) report(key, domain_->value(key));
    return stored;
}

void UserDefaults::registerDefaults(const QVariantMap& values) {
    QMutexLocker lock(&mutex_);
    for (auto it = values.begin(); it != values.end(); ++it) registration_.insert(it.key(), it.value());
}

QVariantMap UserDefaults::registrationDomain() const {
    QMutexLocker lock(&mutex_);
    return registration_;
}

QVariantMap UserDefaults::persistentDomain() const { return domain_->values(); }

QVariantMap UserDefaults::persistentDomainForName(const QString& domain) {
    return DefaultsDomain::readDomain(domain);
}

Stored UserDefaults::synchronize() {
    const Stored stored = domain_->flush();
    domain_->reload();
    return stored;
}

void UserDefaults::setChangeObserver(ChangeObserver observer) {
    QMutexLocker lock(&mutex_);
    observer_ = std::move(observer);
}

void UserDefaults::report(const QString& key, const QVariant& persistentValue) {
    ChangeObserver observer;
    QVariant value = persistentValue;
    {
        QMutexLocker lock(&mutex_);
        observer = observer_;
        if (!value.isValid()) value = registration_.value(key);
    }
    if (observer) observer(key, value, ChangeKind::Setting);
}

} // namespace platform
