#pragma once
// Merging dictionaries with or without replacing the entries already present.

#include <QVariantMap>

namespace kx::ns {

// Copies every entry of `other` into `into`; with override false a key already in
// `into` keeps its value.
void addEntriesFromDictionary(QVariantMap& into, const QVariantMap& other, bool override);

// The same on a copy of `base`.
QVariantMap dictionaryByAddingDictionary(const QVariantMap& base, const QVariantMap& other, bool override);

} // namespace kx::ns
