// Recent characters in the settings: the shared list under "global recent
// characters" and one list per font family under "font recent characters", each the
// byte block of an RbxRecentArray. Private-use characters mean something only in
// their font, so they live in the family lists and everything else in the shared one.

#include "kxlib/RbxDefaults.h"

#include "core/FoundationValues.h"
#include "core/Types.h"

namespace ns = kx::ns;
namespace key = rbx::key;

namespace {

bool isLigature(std::uint32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

// Drops, from the last record to the first, those the predicate refuses.
RbxRecentArray filtered(const QVariant& data, bool (*keep)(std::uint32_t)) {
    RbxRecentArray list = RbxRecentArray::arrayWithData(ns::isData(data) ? data.toByteArray() : QByteArray());
    for (int i = list.count() - 1; i >= 0; --i)
        if (!keep(list.elementAtIndex(i).character)) list.removeElementAtIndex(i);
    return list;
}

bool belongsToAllFonts(std::uint32_t c) { return c != 0 && !isLigature(c) && !kx::isPrivateUse(c); }
bool belongsToItsFont(std::uint32_t c) { return c != 0 && !isLigature(c) && kx::isPrivateUse(c); }

} // namespace

RbxRecentArray& RbxDefaults::globalRecentCharacters() {
    if (!globalRecents_) globalRecents_ = filtered(objectForKey(key::globalRecentCharacters), belongsToAllFonts);
    return *globalRecents_;
}

void RbxDefaults::setGlobalRecentCharacters(const RbxRecentArray& list) {
    const RbxRecentArray copy = list;
    globalRecents_ = copy;
    setObject(copy.data(), key::globalRecentCharacters.qname());
}

RbxRecentArray RbxDefaults::recentCharactersForFontFamily(const QString& family) {
    if (family.isEmpty()) return RbxRecentArray();
    const QVariantMap all = ns::dictionaryOrEmpty(objectForKey(key::fontRecentCharacters));
    return filtered(all.value(family), belongsToItsFont);
}

void RbxDefaults::setRecentCharacters(const RbxRecentArray& list, const QString& family) {
    if (family.isEmpty()) return;
    QVariantMap all = ns::dictionaryOrEmpty(objectForKey(key::fontRecentCharacters));
    all.insert(family, list.data());
    setObject(all, key::fontRecentCharacters.qname());
}
