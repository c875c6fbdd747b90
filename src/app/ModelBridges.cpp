#include "app/ModelBridges.h"

#include "core/ProcessWide.h"
#include "kxlib/RbxDefaults.h"
#include "model/CharacterText.h"
#include "model/KXCharGlyphMap.h"
#include "model/RbxCharacterName.h"
#include "model/RbxEmoji.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontList.h"
#include "model/RbxHTML.h"
#include "model/RbxDebugSwitch.h"
#include "model/RbxNameFilter.h"
#include "model/RbxRecentLayout.h"
#include "model/RbxRepertoireSources.h"
#include "model/VirtualCharacters.h"
#include "core/ProcessWide.h"
#include "table/core/RbxTools.h"

namespace bridges {

// ---- TableSources

const kx::CharSet* TableSources::charactersInAllFonts() {
    // Only the views of all fonts' and all defined characters show characters that the
    // table's font lacks; the set is costly and made for them alone.
    if (RbxDefaults::userDefaults().integerForKey(rbx::key::view) < 2) return nullptr;
    return &RbxFontList::fontList().availableCharactersInAllFonts();
}

const kx::CharSet* TableSources::colorEmojiCharacters() { return &RbxEmoji::appleColorEmojiCharacterSet(); }
const kx::CharSet* TableSources::modifiableEmojiCharacters() { return &RbxEmoji::modifiableEmojisCharacterSet(); }
const kx::CharSet* TableSources::textOrEmojiCharacters() { return &RbxEmoji::textOrEmojiCharacterSet(); }

const kx::CharSet* TableSources::favoriteCharacters(const rbx::Font& font) {
    if (!repertoire_ || repertoire_->fontDisplayName() != font.displayName()) return nullptr;
    favorites_ = RbxFavGroupDescription::sharedFavorites()->characterSetForFont(repertoire_);
    return &favorites_;
}

std::optional<std::vector<char32_t>> TableSources::recentCharacters(const rbx::Font& font) {
    if (!repertoire_ || repertoire_->fontDisplayName() != font.displayName()) return std::nullopt;
    return RbxRecentLayout::currentRecentLayout()->recentCharactersForFontInfo(repertoire_);
}

rbx::Font TableSources::colorEmojiFont(double size) { return RbxEmoji::appleColorEmojiFontOfSize(size); }

int TableSources::romanForUnicode(const rbx::Font& font, char32_t c) {
    return font ? RbxFontInfo::fontInfoWithFont(font)->romanForUnicode(c) : 0;
}

QString TableSources::htmlEntityForCharacter(char32_t c) { return RbxHTML::htmlEntityForCharacter(c); }

// ---- tuning and data

RbxFontTuning tuningOf(RbxFontInfo& info) {
    RbxFontTuning t;
    t.baselineOffset = info.tuningBaselineOffset();
    t.scaledOffsetX = info.tuningScaledOffsetX();
    t.ligatureScalingThreshold = info.ligatureScalingThreshold();
    t.relativeWidth = info.tuningRelativeWidth();
    const auto [zx, zy] = info.tuningZoom();
    t.zoomX = zx;
    t.zoomY = zy;
    t.requiresSafeDrawing = info.fontRequiresSafeDrawing();
    if (auto scale = info.scaleCharacters()) t.scaleCharacters = std::move(*scale);
    return t;
}

namespace {

// The table's debugging flag 0, which the font list traces by.
class ToolsDebugSwitch : public RbxDebugSwitch {
public:
    bool isDebugging() const override { return RbxTools::debugging(0); }
};

} // namespace

void install() {
    kx::ProcessWide<RbxCharacterTexts>::install(CharacterText::modelTexts());
    kx::ProcessWide<RbxVirtualCharacters>::install(CharacterText::modelVirtualCharacters());

    // Repertoires rest on the font list and the search filter; the font list is made
    // only when a view asks for all fonts' or all defined characters.
    static RbxModelRepertoireSources sources;
    kx::ProcessWide<RbxFontInfoCache>::install(std::make_unique<RbxFontInfoCache>(&sources));
    static const ToolsDebugSwitch debugging;
    kx::ProcessWide<RbxFontList>::install(std::make_unique<RbxFontList>(nullptr, nullptr, &debugging));
    // Glyph maps leave out the code points Unicode has not assigned (worked out for the
    // first map).
    kx::ProcessWide<KXAssignedCharacters>::install(KXAssignedCharacters::fromBundle());
}

} // namespace bridges
