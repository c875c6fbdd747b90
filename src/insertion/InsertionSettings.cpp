#include "insertion/InsertionSettings.h"

#include "kxlib/KXDefaults.h"
#include "core/FoundationValues.h"

namespace kx {

namespace {
SettingsReader& reader() {
    static SettingsReader r;
    return r;
}
} // namespace

void setInsertionSettingsReader(SettingsReader r) { reader() = std::move(r); }

QVariant insertionSetting(const QString& key) {
    return reader() ? reader()(key) : KXDefaults::userDefaults().objectForKey(key);
}

bool insertionBool(const QString& key, bool absent) {
    const QVariant v = insertionSetting(key);
    return v.isValid() && !v.isNull() ? ns::boolValue(v) : absent;
}

double insertionDouble(const QString& key, double absent) {
    const QVariant v = insertionSetting(key);
    return v.isValid() && !v.isNull() ? ns::doubleValue(v) : absent;
}

} // namespace kx
