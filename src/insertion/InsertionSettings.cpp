#include "insertion/InsertionSettings.h"

#include "core/FoundationValues.h"
#include "kxlib/KXDefaults.h"

namespace kx {

namespace {

class StoreSettings : public InsertionSettings {
public:
    QVariant value(const QString& key) const override { return KXDefaults::userDefaults().objectForKey(key); }
};

} // namespace

bool InsertionSettings::boolValue(const QString& key, bool absent) const {
    const QVariant v = value(key);
    return v.isValid() && !v.isNull() ? ns::boolValue(v) : absent;
}

double InsertionSettings::doubleValue(const QString& key, double absent) const {
    const QVariant v = value(key);
    return v.isValid() && !v.isNull() ? ns::doubleValue(v) : absent;
}

double InsertionSettings::doubleValue(const rbx::key::FloatKey& key) const {
    const double v = doubleValue(key.qname(), key.codeDefault);
    return key.holds(v) ? v : key.codeDefault;
}

std::shared_ptr<const InsertionSettings> InsertionSettings::store() {
    static const std::shared_ptr<const InsertionSettings> s = std::make_shared<StoreSettings>();
    return s;
}

} // namespace kx
