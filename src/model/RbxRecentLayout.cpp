#include "model/RbxRecentLayout.h"

#include "kxlib/RbxDefaults.h"
#include "core/ProcessWide.h"
#include "core/Types.h"
#include "model/RbxCharGroup.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxModelSettings.h"
#include "model/RbxNameFilter.h"
#include "model/RbxRecentGroupDescription.h"

namespace {

bool isLigatureValue(char32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

const QString stringKey = QStringLiteral("string");
const QString stampKey = QStringLiteral("timeStamp");

// Removes every record of c, puts (c, stamp) in front and cuts the list to `limit`.
void moveToFront(RbxRecentArray& list, char32_t c, std::int32_t stamp, int limit) {
    while (list.indexOfCharacter(c) >= 0) list.removeCharacter(c);
    list.insertElement(RbxRecentArray::Element{c, stamp}, 0);
    if (list.count() > limit) list.resize(limit);
}

std::vector<RbxRecentLayout::Entry> entriesOf(const RbxRecentArray& list) {
    std::vector<RbxRecentLayout::Entry> out;
    out.reserve(static_cast<std::size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) {
        const auto e = list.elementAtIndex(i);
        out.push_back({e.character, e.stamp});
    }
    return out;
}

} // namespace

std::shared_ptr<RbxRecentLayout> RbxRecentLayout::recentLayout() { return kx::ProcessWide<RbxRecentLayout>::shared(); }

std::shared_ptr<RbxRecentLayout> RbxRecentLayout::makeDefault() { return std::make_shared<RbxRecentLayout>(nullptr); }

RbxDefaults& RbxRecentLayout::settings() const { return settings_ ? *settings_ : RbxDefaults::userDefaults(); }

void RbxRecentLayout::addRecentCharacter(char32_t c, RbxFontRepertoire* font) {
    const std::int32_t stamp = settings().integerForKey(rbx::key::useCount) + 1;
    settings().setInteger(stamp, rbx::key::useCount.qname());
    if (c == 0 || c > 0x10FFFF) return;
    if (isLigatureValue(c)) {
        if (!font) return;
        const QString text = font->ligatureForVirtualCharacter(c);
        if (text.isEmpty()) return;
        addLigatureToRecent(text, stamp);
        saveRecentLigatures();
    } else if (kx::isPrivateUse(c)) {
        const QString family = font ? font->fontFamilyName() : QString();
        if (family.isEmpty()) return;
        RbxRecentArray list = settings().recentCharactersForFontFamily(family);
        moveToFront(list, c, stamp, MaxFamilyRecents);
        settings().setRecentCharacters(list, family);
    } else {
        RbxRecentArray& list = settings().globalRecentCharacters();
        moveToFront(list, c, stamp, MaxGlobalRecents);
        settings().setGlobalRecentCharacters(list);
    }
}

void RbxRecentLayout::removeRecentCharacter(char32_t c, RbxFontRepertoire* font) {
    if (isLigatureValue(c)) {
        if (!font) return;
        const QString text = font->ligatureForVirtualCharacter(c);
        if (text.isEmpty()) return;
        removeLigatureFromRecent(text);
        saveRecentLigatures();
    } else if (kx::isPrivateUse(c)) {
        const QString family = font ? font->fontFamilyName() : QString();
        if (family.isEmpty()) return;
        RbxRecentArray list = settings().recentCharactersForFontFamily(family);
        if (list.indexOfCharacter(c) < 0) return;
        while (list.indexOfCharacter(c) >= 0) list.removeCharacter(c);
        settings().setRecentCharacters(list, family);
    } else {
        RbxRecentArray& list = settings().globalRecentCharacters();
        if (list.indexOfCharacter(c) < 0) return;
        while (list.indexOfCharacter(c) >= 0) list.removeCharacter(c);
        settings().setGlobalRecentCharacters(list);
    }
}

const QVariantList& RbxRecentLayout::recentLigatures() {
    if (!ligatures_) {
        ligatures_ = QVariantList();
        for (const QVariant& v : settings().objectForKey(rbx::key::recentLigatures).toList()) {
            const QVariantMap entry = v.toMap();
            if (entry.value(stringKey).toString().isEmpty()) continue;
            ligatures_->append(entry);
        }
    }
    return *ligatures_;
}

std::vector<RbxRecentLayout::Entry> RbxRecentLayout::recentLigaturesForFontInfo(RbxFontRepertoire* info) {
    std::vector<Entry> out;
    if (!info) return out;
    for (const QVariant& v : recentLigatures()) {
        const QVariantMap entry = v.toMap();
        if (const char32_t c = info->virtualLigatureCharacterForString(entry.value(stringKey).toString()))
            out.push_back({c, entry.value(stampKey).toInt()});
    }
    return out;
}

void RbxRecentLayout::addLigatureToRecent(const QString& text, std::int32_t stamp) {
    removeLigatureFromRecent(text);
    ligatures_->prepend(QVariantMap{{stampKey, stamp}, {stringKey, text}});
    while (ligatures_->size() > MaxRecentLigatures) ligatures_->removeLast();
}

void RbxRecentLayout::removeLigatureFromRecent(const QString& text) {
    recentLigatures();
    for (qsizetype i = ligatures_->size() - 1; i >= 0; --i)
        if (ligatures_->at(i).toMap().value(stringKey).toString() == text) ligatures_->removeAt(i);
}

void RbxRecentLayout::saveRecentLigatures() {
    settings().setObject(recentLigatures(), rbx::key::recentLigatures.qname());
}

std::optional<std::vector<char32_t>> RbxRecentLayout::recentCharactersForFontInfo(RbxFontRepertoire* info) {
    const std::vector<Entry> global = entriesOf(settings().globalRecentCharacters());
    const QString family = info ? info->fontFamilyName() : QString();
    const std::vector<Entry> familyList =
        family.isEmpty() ? std::vector<Entry>() : entriesOf(settings().recentCharactersForFontFamily(family));
    const std::vector<Entry> ligatures = recentLigaturesForFontInfo(info);
    if (global.empty() && familyList.empty() && ligatures.empty()) return std::nullopt;

    std::vector<char32_t> merged;
    const kx::CharSet* available = info ? &info->availableCharacters() : nullptr;
    const std::vector<Entry>* sources[3] = {&global, &familyList, &ligatures};
    std::size_t heads[3] = {0, 0, 0};
    for (;;) {
        int best = -1;
        for (int s = 0; s < 3; ++s) {
            if (heads[s] >= sources[s]->size()) continue;
            if (best < 0 || (*sources[s])[heads[s]].stamp > (*sources[best])[heads[best]].stamp) best = s;
        }
        if (best < 0) break;
        const char32_t c = (*sources[best])[heads[best]++].character;
        if (available && available->contains(c)) merged.push_back(c);
    }
    while (!merged.empty() && merged.back() == 0) merged.pop_back();
    return merged;
}

RbxCharGroupList RbxRecentLayout::groupsForFontInfo(RbxFontRepertoire* info) {
    if (!info || !info->hasFont()) return {RbxCharGroup::groupWithMessage(8)};
    const auto recents = recentCharactersForFontInfo(info);
    if (recents && !recents->empty()) {
        auto group = RbxCharGroup::groupWithCharacters(*recents);
        group->setName(QStringLiteral("Recent Characters"));
        group->setLayout(shared_from_this(), 0);
        group->setShowsHeader(false);
        group->setGroupKind(RbxRecentLayoutGroupKind);
        if (RbxModelSettings::shared().intValue(QStringLiteral("view"), 1) == 3)
            group->setNativeFontCharacters(std::make_shared<const kx::CharSet>(info->availableCharacters()));
        return {group};
    }
    if (!recents) return {RbxCharGroup::groupWithMessage(1)};
    if (RbxNameFilter::hasFilter()) return {RbxCharGroup::groupWithMessage(7)};
    return {RbxCharGroup::groupWithMessage(2)};
}

// ---- the recent group inside layouts ----

std::shared_ptr<RbxRecentGroupDescription> RbxRecentGroupDescription::sharedRecents() {
    static const auto instance = std::make_shared<RbxRecentGroupDescription>();
    return instance;
}

std::optional<std::vector<char32_t>> RbxRecentGroupDescription::availableCharactersForFontInfo(
    RbxFontRepertoire* info) {
    auto list = RbxRecentLayout::recentLayout()->recentCharactersForFontInfo(info);
    if (!list || list->empty()) return std::nullopt;
    return list;
}

std::shared_ptr<RbxCharGroup> RbxRecentGroupDescription::groupForFontInfo(RbxFontRepertoire* info) {
    auto list = availableCharactersForFontInfo(info);
    if (!list) return nullptr;
    auto group = RbxCharGroup::groupWithCharacters(std::move(*list));
    group->setName(name());
    group->setGroupKind(RbxRecentGroupKind);
    return group;
}

kx::CharSet RbxRecentGroupDescription::characterSet() const {
    kx::CharSet set;
    const RbxRecentArray& list = RbxDefaults::userDefaults().globalRecentCharacters();
    for (int i = 0; i < list.count(); ++i) set.addCharacter(list.elementAtIndex(i).character);
    return set;
}
