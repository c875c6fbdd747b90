#pragma once
// The diagnostic listings: texts about fonts, glyphs, characters, emoji, ligatures and the
// clipboard, for support and development, with fixed line formats so that outputs can be
// compared. Each listing is a pure function of what it is given (the selected font, the
// font list, the clipboard's content, the table's groups); the palette's maintenance
// commands and `runebox-tool list` run them by their command word ("!fonts", "!glyphs",
// ...). copyString puts a listing on the clipboard and shows it with the bundle script
// "ShowText". Main thread only.

#include "platform/fonts/Font.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class QMimeData;
class RbxFontList;

namespace rbx::listings {

struct Group {
    QString name;
    int kind = 0;  // RbxGroupKind
    std::vector<char32_t> characters;
};

struct Context {
    rbx::Font selectedFont;            // null: no font is selected
    RbxFontList* fontList = nullptr;   // the filtered families and all fonts
    const QMimeData* clipboard = nullptr;
    std::vector<Group> groups;         // the table's groups, in order
    QString desktopFolder;             // where "!ligall" writes its file
};

struct Listing {
    const char* command;               // "!fonts"
    QString (*make)(const Context&);
    bool copies;                       // the text goes to the clipboard and is shown
};

// Every listing, in the order of the maintenance commands.
const std::vector<Listing>& all();
// The listing of a command word ("!fonts"; the "!" may be left out); null when unknown.
const Listing* forCommand(const QString& command);

// Clipboard text, then the bundle script "ShowText" with a file holding the text.
void copyString(const QString& text);

// ---- the listings ---------------------------------------------------------------------
QString listInfo(const Context&);
QString listFonts(const Context&);
QString listFamilies(const Context&);
QString listFamiliesAndStyles(const Context&);
QString listGlyphs(const Context&);
QString listGlyphMap(const Context&);
QString listGlyphNumbers(const Context&);
QString listClipboard(const Context&);
QString listClipboardTypes(const Context&);
QString listEmojis(const Context&);
QString listEmojisForSnipwright(const Context&);
QString listEmojisForHintboard(const Context&);
QString listEmojiSequences(const Context&);
QString listFlags(const Context&);
QString listAttributes(const Context&);
QString listFontSizes(const Context&);
QString listCharactersWithNames(const Context&);
QString listWidestCharacters(const Context&);
QString listAllCharacters(const Context&);
QString listFontCharacters(const Context&);
QString listCharactersAsLayoutHexAndNames(const Context&);
QString listCharactersAsLayoutChars(const Context&);
QString listFontTables(const Context&);
QString listPostTable(const Context&);
QString listAllFontGlyphs(const Context&);
QString listFontLigatures(const Context&);
QString listAllFontLigatureCounts(const Context&);
QString listLigatureTiming(const Context&);
QString writeAllFontLigaturesToFile(const Context&);

// "--- no %@ ligatures\n", or a count line and one line per ligature (the ligature, its
// characters, their codes, the font's glyph for it).
QString listOfLigatures(const std::optional<QStringList>& ligatures, const QString& type, const rbx::Font& font);
// The widest characters' text, and the run of them (empty when none) in `widest`.
QString widestCharacters(const rbx::Font& font, QString* widest);
// The hex dump of the clipboard listing for data that is not plain text.
QString hexDump(const QByteArray& data);

} // namespace rbx::listings
