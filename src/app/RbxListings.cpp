#include "app/RbxListings.h"

namespace rbx::listings {

const std::vector<Listing>& all() {
    static const std::vector<Listing> listings = {
        {"!info", &listInfo, true},
        {"!fonts", &listFonts, true},
        {"!fam", &listFamilies, true},
        {"!styles", &listFamiliesAndStyles, true},
        {"!glyphs", &listGlyphs, true},
        {"!cmaps", &listCmaps, true},
        {"!gmap", &listGlyphMap, true},
        {"!glyph#", &listGlyphNumbers, true},
        {"!clip", &listClipboard, true},
        {"!pbtypes", &listClipboardTypes, true},
        {"!emoji", &listEmojis, true},
        {"!emosnp", &listEmojisForSnipwright, true},
        {"!emohb", &listEmojisForHintboard, true},
        {"!emoseq", &listEmojiSequences, true},
        {"!flags", &listFlags, true},
        {"!attr", &listAttributes, true},
        {"!sizes", &listFontSizes, true},
        {"!names", &listCharactersWithNames, true},
        {"!wide", &listWidestCharacters, true},
        {"!time", &listTimingResults, true},
        {"!all", &listAllCharacters, false},
        {"!fontchars", &listFontCharacters, true},
        {"!layout", &listCharactersAsLayoutHexAndNames, true},
        {"!chars", &listCharactersAsLayoutChars, true},
        {"!ftab", &listFontTables, true},
        {"!post", &listPostTable, true},
        {"!fglyphs", &listAllFontGlyphs, true},
        {"!flig", &listFontLigatures, true},
        {"!lig#", &listAllFontLigatureCounts, true},
        {"!ligtime", &listLigatureTiming, true},
        {"!ligall", &writeAllFontLigaturesToFile, false},
    };
    return listings;
}

const Listing* forCommand(const QString& command) {
    const QString word = command.startsWith(u'!') ? command : QStringLiteral("!") + command;
    for (const Listing& l : all())
        if (word == QLatin1String(l.command)) return &l;
    return nullptr;
}

} // namespace rbx::listings
