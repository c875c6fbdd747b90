#pragma once
// What Cancel in the preferences puts back: the values that the settings the sheet
// changes had when it opened. A setting that had no value of the user's then is removed
// again, so that a value stored meanwhile (in the sheet, or by an earlier OK) does not
// outlive the Cancel.

#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <optional>

class KXDefaults;

class PreferencesSnapshot {
public:
    // The 22 settings, in their order.
    static const QStringList& keys();

    // Forgets what an earlier opening recorded and records every key anew: its value,
    // or that it has none.
    void take(KXDefaults& store);
    // Writes the recorded values back and removes the keys recorded as absent; the
    // snapshot is dropped.
    void restore(KXDefaults& store);
    bool isTaken() const { return taken_; }
    // The recorded value of a key; nullopt when it was absent (or is not recorded).
    std::optional<QVariant> value(const QString& key) const;

private:
    QVariantMap values_;  // absent keys are not in it
    bool taken_ = false;
};
