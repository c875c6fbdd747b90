#include "core/DictionaryExtensions.h"

namespace kx::ns {

void addEntriesFromDictionary(QVariantMap& into, const QVariantMap& other, bool override) {
    for (auto it = other.begin(); it != other.end(); ++it)
        if (override || !into.contains(it.key())) into.insert(it.key(), it.value());
}

QVariantMap dictionaryByAddingDictionary(const QVariantMap& base, const QVariantMap& other, bool override) {
    QVariantMap out = base;
    addEntriesFromDictionary(out, other, override);
    return out;
}

} // namespace kx::ns
