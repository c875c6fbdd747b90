#pragma once
// How the insertion services read settings until they are wired to the settings store:
// one reader function, set by the application; without one every key is absent.

#include <QString>
#include <QVariant>
#include <functional>

namespace kx {

using SettingsReader = std::function<QVariant(const QString& key)>;

void setInsertionSettingsReader(SettingsReader reader);
// The value of a key; invalid when absent.
QVariant insertionSetting(const QString& key);
// Conversions as the settings store does them: absent gives the fallback.
bool insertionBool(const QString& key, bool absent);
double insertionDouble(const QString& key, double absent);

} // namespace kx
