#include "model/RbxModelSettings.h"

#include "kxlib/KXDefaults.h"
#include "core/FoundationValues.h"
#include "core/ProcessWide.h"

RbxModelSettings& RbxModelSettings::shared() { return kx::ProcessWide<RbxModelSettings>::get(); }

std::unique_ptr<RbxModelSettings> RbxModelSettings::makeDefault() { return std::make_unique<RbxModelSettings>(); }

RbxModelSettings::RbxModelSettings(QVariantMap fixed, Others others) : fixed_(std::move(fixed)), others_(others) {}

QVariant RbxModelSettings::value(const QString& key) const {
    return fromStore(key) ? KXDefaults::userDefaults().objectForKey(key) : fixed_.value(key);
}

bool RbxModelSettings::boolValue(const QString& key, bool defaultValue) const {
    if (fromStore(key)) return KXDefaults::userDefaults().boolForKey(key, defaultValue);
    const QVariant v = value(key);
    return kx::ns::hasNumberValue(v) ? kx::ns::boolValue(v) : defaultValue;
}

int RbxModelSettings::intValue(const QString& key, int defaultValue) const {
    if (fromStore(key)) return KXDefaults::userDefaults().integerForKey(key, defaultValue);
    const QVariant v = value(key);
    return kx::ns::hasNumberValue(v) ? kx::ns::intValue(v) : defaultValue;
}

QString RbxModelSettings::stringValue(const QString& key) const {
    const QVariant v = value(key);
    return kx::ns::isString(v) ? v.toString() : QString();
}
