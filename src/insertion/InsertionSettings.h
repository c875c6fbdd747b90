#pragma once
// How the insertion services read settings: from the settings store, or from a reader
// function put in its place (tests, tools).

#include <QString>
#include <QVariant>
#include <functional>

namespace kx {

using SettingsReader = std::function<QVariant(const QString& key)>;

// Replaces the settings store as the source; an empty reader puts the store back.
void setInsertionSettingsReader(SettingsReader reader);
// The value of a key; invalid when absent.
QVariant insertionSetting(const QString& key);
// Conversions as the settings store does them: absent gives the fallback.
bool insertionBool(const QString& key, bool absent);
double insertionDouble(const QString& key, double absent);

} // namespace kx
