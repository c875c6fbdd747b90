#include "model/RbxModelSettings.h"

#include "kxlib/KXDefaults.h"
#include "core/FoundationValues.h"

namespace {
RbxModelSettings::Reader& reader() {
    static RbxModelSettings::Reader r;
    return r;
}
} // namespace

void RbxModelSettings::setReader(Reader r) { reader() = std::move(r); }

QVariant RbxModelSettings::value(const QString& key) {
    return reader() ? reader()(key) : KXDefaults::userDefaults().objectForKey(key);
}

bool RbxModelSettings::boolValue(const QString& key, bool defaultValue) {
    if (!reader()) return KXDefaults::userDefaults().boolForKey(key, defaultValue);
    const QVariant v = value(key);
    return kx::ns::hasNumberValue(v) ? kx::ns::boolValue(v) : defaultValue;
}

int RbxModelSettings::intValue(const QString& key, int defaultValue) {
    if (!reader()) return KXDefaults::userDefaults().integerForKey(key, defaultValue);
    const QVariant v = value(key);
    return kx::ns::hasNumberValue(v) ? kx::ns::intValue(v) : defaultValue;
}

QString RbxModelSettings::stringValue(const QString& key) {
    const QVariant v = value(key);
    return kx::ns::isString(v) ? v.toString() : QString();
}
