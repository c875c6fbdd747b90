#pragma once
// How the insertion services read their settings: a small interface that each service is
// given when it is made. The settings store is the one the program runs with; tests and
// tools give a reader of their own.

#include "kxlib/SettingsKeys.h"

#include <QString>
#include <QVariant>
#include <memory>

namespace kx {

class InsertionSettings {
public:
    virtual ~InsertionSettings() = default;
    // The value of a key; invalid when absent.
    virtual QVariant value(const QString& key) const = 0;

    // Conversions as the settings store does them: absent gives the fallback, or the
    // key's own default; so does a number outside the key's usable range.
    bool boolValue(const QString& key, bool absent) const;
    double doubleValue(const QString& key, double absent) const;
    bool boolValue(const rbx::key::BoolKey& key) const { return boolValue(key.qname(), key.codeDefault); }
    double doubleValue(const rbx::key::FloatKey& key) const;

    // The process's settings store (KXDefaults::userDefaults()) read as it is at each call.
    static std::shared_ptr<const InsertionSettings> store();
};

} // namespace kx
