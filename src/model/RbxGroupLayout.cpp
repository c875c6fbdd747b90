#include "model/RbxCharGroup.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxModelSettings.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxLayout.h"
#include "model/VirtualCharacters.h"
#include "model/RbxRecentGroupDescription.h"
#include "model/RbxTextMatching.h"

RbxCharGroupList RbxLayout::groupsForFontInfo(RbxFontRepertoire*) { return {}; }

RbxGroupLayout::RbxGroupLayout(const QString& name) : RbxLayout(name) {}

RbxGroupLayout::RbxGroupLayout(const QString& name, DescriptionList ownDescriptions) : RbxLayout(name) {
    groupList_.reserve(ownDescriptions.size() + 2);
    groupList_.push_back(RbxFavGroupDescription::sharedFavorites());
    groupList_.push_back(RbxRecentGroupDescription::sharedRecents());
    for (auto& d : ownDescriptions) groupList_.push_back(std::move(d));
    hasGroupList_ = true;
}

std::shared_ptr<RbxGroupLayout> RbxGroupLayout::layoutWithArray(const QStringList& array) {
    DescriptionList own;
    qsizetype position = 1;
    while (auto d = RbxGroupDescription::descriptionFromArray(array, position)) {
        const QString name = d->name();
        if (name.isEmpty() || name.startsWith(u'-')) continue;
        own.push_back(std::move(d));
    }
    return std::make_shared<RbxGroupLayout>(array.value(0), std::move(own));
}

const RbxGroupLayout::DescriptionList& RbxGroupLayout::groupList() { return groupList_; }

RbxCharGroupList RbxGroupLayout::groupsForFontInfo(RbxFontRepertoire* info) {
    const int view = RbxModelSettings::shared().intValue(QStringLiteral("view"), 1);
    const bool allFonts = view == 2 || view == 3;
    std::shared_ptr<const kx::CharSet> native;
    if (allFonts && info) native = std::make_shared<const kx::CharSet>(info->coveredCharacters());
    const bool hasFont = info && info->hasFont();

    RbxCharGroupList groups;
    const DescriptionList& list = groupList();
    const auto self = shared_from_this();
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto group = list[i]->groupForFontInfo(hasFont ? info : nullptr);
        if (!group) continue;
        group->setLayout(self, static_cast<int>(i));
        group->setNativeFontCharacters(native);
        groups.push_back(std::move(group));
    }
    if (!hasFont)
        groups.push_back(RbxCharGroup::groupWithMessage(8));
    else if (groups.empty())
        groups.push_back(RbxCharGroup::groupWithMessage(allFonts ? 6 : 5));
    return groups;
}

std::size_t RbxGroupLayout::anchorIndexInCharacters(const std::vector<char32_t>& characters) const {
    if (anchorCharacter() == GroupStart) return 0;
    const auto& list = const_cast<RbxGroupLayout*>(this)->groupList();
    const int g = anchorGroup();
    if (g < 0 || static_cast<std::size_t>(g) >= list.size()) return 0;
    return list[static_cast<std::size_t>(g)]->bestIndexOf(anchorCharacter(), characters);
}

QString RbxGroupLayout::repertoireStringForFontInfo(RbxFontRepertoire* info) {
    if (!info) return QStringLiteral("");
    QString out;
    out.reserve(60000);
    qsizetype sinceBreak = 0;
    for (const auto& group : groupsForFontInfo(info)) {
        const int kind = group->groupKind();
        if (kind == RbxFavoritesGroupKind || kind == RbxRecentGroupKind || group->hasMessage()) continue;
        QString text;
        for (char32_t c : group->characters()) {
            if (c >= RbxFontRepertoire::LigatureBase && c <= 0xBFFFF)
                text += info->ligatureForVirtualCharacter(c);
            else
                text += kx::str::stringWithUTF32Character(c);
        }
        if (sinceBreak >= 11 && text.size() >= 11) {
            out += u'\r';
            sinceBreak = 0;
        }
        out += text;
        sinceBreak += text.size();
    }
    return out;
}

kx::CharSet RbxGroupLayout::characterSetForBlockNameFilter(const QStringList& words) {
    const DescriptionList& list = groupList();
    if (foldedNames_.size() != list.size()) {
        foldedNames_.clear();
        for (const auto& d : list) foldedNames_.push_back(rbx::foldedForMatching(d->name()));
    }
    std::vector<rbx::FoldedWord> folded;
    for (const QString& w : words) folded.emplace_back(w);
    kx::CharSet set;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto& d = list[i];
        if (d->role() != RbxGroupDescription::Role::Layout) continue;
        if (d->name() == QLatin1String("Undefined")) continue;
        bool all = true;
        for (const auto& w : folded)
            if (!foldedNames_[i].contains(w.folded())) { all = false; break; }
        if (all) set.formUnion(d->characterSet());
    }
    return set;
}

QString RbxGroupLayout::description() {
    QStringList parts;
    for (const auto& d : groupList()) parts << d->description();
    return QStringLiteral("%1: (%2)").arg(name(), parts.join(QStringLiteral(", ")));
}

RbxCharGroupList RbxBasicLayout::groupsForFontInfo(RbxFontRepertoire* info) {
    if (!info || !info->hasFont()) return {RbxCharGroup::groupWithMessage(8)};
    const kx::CharSet& available = info->availableCharacters();
    std::vector<char32_t> characters;
    for (int code = 32; code <= 255; ++code) {
        const char32_t c = info->unicodeForRoman(code);
        if (c != 0 && available.contains(c)) characters.push_back(c);
    }
    if (characters.empty()) return {RbxCharGroup::groupWithMessage(info->hasRomanMapping() ? 4 : 0)};
    auto group = RbxCharGroup::groupWithCharacters(std::move(characters));
    group->setName(QStringLiteral("Basic Characters"));
    group->setShowsHeader(false);
    group->setGroupKind(RbxBasicGroupKind);
    group->setLayout(shared_from_this(), 0);
    return {group};
}
