#include "model/RbxFavGroupDescription.h"

#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "core/StringExtensions.h"
#include "core/Types.h"
#include "model/RbxCharGroup.h"
#include "model/RbxCharacterName.h"
#include "model/RbxCharacterList.h"
#include "model/RbxFontRepertoire.h"
#include "model/VirtualCharacters.h"
#include "core/ProcessWide.h"
#include "model/RbxNameFilter.h"
#include "model/RbxSequenceText.h"

#include <algorithm>

namespace {

bool isLigatureValue(char32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

bool isCharacter(char32_t c) { return c != 0 && c <= 0x10FFFF; }

// What a font's list of private-use favourites cannot hold.
bool isNoFontFavorite(char32_t c) { return !isCharacter(c) || !kx::isPrivateUse(c); }

template <typename Pred>
void removeIntegersIf(KXIntegerArray& list, Pred pred) {
    for (int i = list.count() - 1; i >= 0; --i)
        if (pred(static_cast<char32_t>(list[static_cast<std::size_t>(i)])))
            list.removeIntegerAtIndex(static_cast<std::size_t>(i));
}

// Inserts v at its ascending place; false when it is there already.
bool insertSorted(KXIntegerArray& list, std::int32_t v) {
    int i = 0;
    while (i < list.count() && list[static_cast<std::size_t>(i)] < v) ++i;
    if (i < list.count() && list[static_cast<std::size_t>(i)] == v) return false;
    list.insertInteger(v, static_cast<std::size_t>(i));
    return true;
}

QString withoutLineEnd(const QString& line) { return line.endsWith(u'\r') ? line.chopped(1) : line; }


} // namespace

std::shared_ptr<RbxFavGroupDescription> RbxFavGroupDescription::sharedFavorites() {
    return kx::ProcessWide<RbxFavGroupDescription>::shared();
}

std::shared_ptr<RbxFavGroupDescription> RbxFavGroupDescription::makeDefault() {
    return std::make_shared<RbxFavGroupDescription>(nullptr);
}

RbxDefaults& RbxFavGroupDescription::settings() const { return settings_ ? *settings_ : RbxDefaults::userDefaults(); }

RbxFavGroupDescription::RbxFavGroupDescription(RbxDefaults* store) : settings_(store) {
    global_ = KXIntegerArray::arrayWithData(settings().objectForKey(rbx::key::favoriteCharacters).toByteArray());
    // Only characters stored for all fonts belong here; values that are no character
    // at all (from a damaged store) go too.
    removeIntegersIf(global_, [](char32_t c) { return !isCharacter(c) || isLigatureValue(c) || kx::isPrivateUse(c); });
    ligatures_ = settings().objectForKey(rbx::key::favoriteLigatures).toStringList();
}

const QVariantMap& RbxFavGroupDescription::fontFavoritesDictionary() {
    if (!fontDictionary_) fontDictionary_ = settings().objectForKey(rbx::key::favoriteFontCharacters).toMap();
    return *fontDictionary_;
}

void RbxFavGroupDescription::loadFavoritesForFont(RbxFontRepertoire* font) {
    loadFavoritesForFontName(font && font->hasFont() ? font->fontDisplayName() : QString());
}

void RbxFavGroupDescription::loadFavoritesForFontName(const QString& name) {
    fontFavoritesDictionary();
    if (name.isNull()) {
        hasCurrentFont_ = false;
        currentFontName_.clear();
        fontList_.reset();
        return;
    }
    if (hasCurrentFont_ && name == currentFontName_) return;
    hasCurrentFont_ = true;
    currentFontName_ = name;
    reloadFavoritesForCurrentFont();
}

void RbxFavGroupDescription::reloadFavoritesForCurrentFont() {
    if (!hasCurrentFont_) return;
    const QVariant v = fontFavoritesDictionary().value(currentFontName_);
    if (v.isValid()) {
        fontList_ = KXIntegerArray::arrayWithData(v.toByteArray());
        removeIntegersIf(*fontList_, isNoFontFavorite);
    } else {
        fontList_.reset();
    }
}

void RbxFavGroupDescription::saveFavoritesForCurrentFont() {
    if (!hasCurrentFont_) return;
    fontFavoritesDictionary();
    if (fontList_)
        fontDictionary_->insert(currentFontName_, fontList_->data());
    else
        fontDictionary_->remove(currentFontName_);
    storeFontDictionary();
    settings().synchronize();
}

void RbxFavGroupDescription::storeGlobalFavorites() {
    settings().setObject(global_.data(), rbx::key::favoriteCharacters.qname());
}

void RbxFavGroupDescription::storeLigatures() {
    settings().setObject(ligatures_, rbx::key::favoriteLigatures.qname());
}

void RbxFavGroupDescription::storeFontDictionary() {
    settings().setObject(*fontDictionary_, rbx::key::favoriteFontCharacters.qname());
}

void RbxFavGroupDescription::addCharacter(char32_t c, RbxFontRepertoire* font) {
    if (c == 0 || c > 0x10FFFF) return;
    if (isLigatureValue(c)) {
        if (!font) return;
        const QString text = font->ligatureForVirtualCharacter(c);
        if (text.isEmpty() || ligatures_.contains(text)) return;
        ligatures_.append(text);
        std::sort(ligatures_.begin(), ligatures_.end());
        storeLigatures();
    } else if (kx::isPrivateUse(c)) {
        if (!font || !font->hasFont()) return;
        loadFavoritesForFont(font);
        if (!fontList_) fontList_ = KXIntegerArray();
        if (fontList_->containsInteger(static_cast<std::int32_t>(c))) return;
        fontList_->addInteger(static_cast<std::int32_t>(c));
        fontList_->sortAscending();
        saveFavoritesForCurrentFont();
    } else {
        if (insertSorted(global_, static_cast<std::int32_t>(c))) storeGlobalFavorites();
    }
}

void RbxFavGroupDescription::removeCharacter(char32_t c, RbxFontRepertoire* font) {
    if (isLigatureValue(c)) {
        if (!font) return;
        const QString text = font->ligatureForVirtualCharacter(c);
        if (text.isEmpty() || !ligatures_.contains(text)) return;
        ligatures_.removeAll(text);
        storeLigatures();
    } else if (kx::isPrivateUse(c)) {
        if (!font || !font->hasFont()) return;
        loadFavoritesForFont(font);
        if (!fontList_ || !fontList_->containsInteger(static_cast<std::int32_t>(c))) return;
        fontList_->removeInteger(static_cast<std::int32_t>(c));
        if (fontList_->isEmpty()) fontList_.reset();
        saveFavoritesForCurrentFont();
    } else {
        if (!global_.containsInteger(static_cast<std::int32_t>(c))) return;
        global_.removeInteger(static_cast<std::int32_t>(c));
        storeGlobalFavorites();
    }
}

kx::CharSet RbxFavGroupDescription::characterSetForFont(RbxFontRepertoire* font) {
    loadFavoritesForFont(font);
    kx::CharSet set = global_.characterSet();
    if (fontList_) set.formUnion(fontList_->characterSet());
    if (font)
        for (const QString& text : ligatures_)
            if (const char32_t v = font->virtualLigatureCharacterForString(text)) set.addCharacter(v);
    return set;
}

std::shared_ptr<RbxCharGroup> RbxFavGroupDescription::groupForFontInfo(RbxFontRepertoire* info) {
    loadFavoritesForFont(info);
    std::vector<char32_t> candidates;
    global_.forEach([&](std::int32_t v) { candidates.push_back(static_cast<char32_t>(v)); });
    if (fontList_) fontList_->forEach([&](std::int32_t v) { candidates.push_back(static_cast<char32_t>(v)); });
    if (info)
        for (const QString& text : ligatures_)
            if (const char32_t v = info->virtualLigatureCharacterForString(text)) candidates.push_back(v);
    std::sort(candidates.begin(), candidates.end());

    std::vector<char32_t> shown;
    if (info) {
        const kx::CharSet& available = info->availableCharacters();
        for (char32_t c : candidates)
            if (available.contains(c)) shown.push_back(c);
    }
    if (shown.empty() && (!global_.isEmpty() || RbxNameFilter::hasFilter())) return nullptr;
    auto group = RbxCharGroup::groupWithCharacters(std::move(shown));
    group->setName(name());
    group->setGroupKind(RbxFavoritesGroupKind);
    return group;
}

std::size_t RbxFavGroupDescription::bestIndexOf(char32_t c, const std::vector<char32_t>& list) const {
    const auto exact = std::find(list.begin(), list.end(), c);
    if (exact != list.end()) return static_cast<std::size_t>(exact - list.begin());
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] >= c) return i;
    return list.size();
}

QString RbxFavGroupDescription::stringRepresentation() {
    QString out;
    out.reserve(1000);
    // The text a user sees: a favourite standing for a sequence (a flag, a keycap, a joined
    // emoji) is written as that sequence, which reading the text takes back.
    global_.forEach([&out](std::int32_t v) { out += kx::str::stringWithUTF32Character(char32_t(v)); });
    const QVariantMap& fonts = fontFavoritesDictionary();
    for (auto it = fonts.constBegin(); it != fonts.constEnd(); ++it) {
        KXIntegerArray chars = KXIntegerArray::arrayWithData(it.value().toByteArray());
        removeIntegersIf(chars, isNoFontFavorite);
        if (chars.isEmpty()) continue;
        out += QStringLiteral("\n%1: %2").arg(it.key(), chars.UTF32NumbersAsString());
    }
    if (!ligatures_.isEmpty()) {
        out += QStringLiteral("\n[LIGATURES]");
        for (qsizetype i = 0; i < ligatures_.size(); ++i)
            out += QStringLiteral("%1[%2]").arg(i == 0 ? QStringLiteral(": ") : QStringLiteral(", "), ligatures_[i]);
    }
    return out;
}

void RbxFavGroupDescription::setFavoritesToString(const QString& text) {
    // A byte-order mark read as text is no favourite.
    const QStringList lines = (text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text).split(u'\n');
    global_.removeAllIntegers();
    for (char32_t c : rbx::characterValuesOfText(withoutLineEnd(lines.value(0)))) {
        if (c < 0x20 || c == 0x7F || c > 0x10FFFF || kx::isPrivateUse(c) || isLigatureValue(c)) continue;
        insertSorted(global_, static_cast<std::int32_t>(c));
    }
    kx::log(QStringLiteral("globalFavorites: %1").arg(global_.description()));

    ligatures_.clear();
    fontDictionary_ = QVariantMap();
    const QString ligatureTag = QStringLiteral("[LIGATURES]: ");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = withoutLineEnd(lines[i]);
        if (line.startsWith(ligatureTag)) {
            const QString rest = line.mid(ligatureTag.size());
            if (rest.size() < 2 || !rest.startsWith(u'[') || !rest.endsWith(u']')) continue;
            ligatures_ = rest.mid(1, rest.size() - 2).split(QStringLiteral("], ["));
            continue;
        }
        // A font line needs a name before its ": " (the second position or later).
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        if (colon < 1) continue;
        const QString font = rbx::trimmedOfBlanks(line.left(colon));
        KXIntegerArray chars;
        kx::str::forUTF32Characters(line.mid(colon + 2), [&](char32_t c) {
            if (c >= 0x20 && c != 0x7F && kx::isPrivateUse(c)) insertSorted(chars, static_cast<std::int32_t>(c));
        });
        if (!chars.isEmpty()) fontDictionary_->insert(font, chars.data());
    }
    storeGlobalFavorites();
    storeLigatures();
    storeFontDictionary();
    settings().synchronize();
    reloadFavoritesForCurrentFont();
}

QString RbxFavGroupDescription::tableRepresentation() const {
    QString out;
    global_.forEach([&](std::int32_t v) {
        const auto c = static_cast<char32_t>(v);
        out += QStringLiteral("%1\t%2\t%3\n").arg(kx::str::stringWithUTF32Character(c)).arg(v).arg(RbxCharacterName::nameOfCharacter(c));
    });
    return out;
}
