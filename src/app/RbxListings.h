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
class RbxCharView;
class RbxFontList;

namespace rbx::listings {

// The character table that the timing listing draws: the palette's, or a copy of it.
class TimedTable {
public:
    virtual ~TimedTable() = default;
    // Made ready for timing: the search emptied, the relative font size 30, the window
    // 600 by 600 at its origin.
    virtual void prepare() = 0;
    // Shows the font of that name at 12 points; false when there is none.
    virtual bool showFont(const QString& name) = 0;
    virtual RbxCharView& view() = 0;
    // The size, the window and the font shown as they were before prepare().
    virtual void restore() = 0;
};

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
    TimedTable* timedTable = nullptr;  // what "!time" draws; none: no timing
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
QString listCmaps(const Context&);
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
QString listTimingResults(const Context&);
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
// The subtables of the font's 'cmap' table: "subtables: <count>" (-1: unreadable), one
// line per subtable ("<index>: platform <p>, encoding <e>, format <f>, language <l>"),
// then the indexes of the best Roman and the best Unicode subtable (-1: none).
QString cmapSubtables(const rbx::Font& font);
// The widest characters' text, and the run of them (empty when none) in `widest`.
QString widestCharacters(const rbx::Font& font, QString* widest);
// The fonts that "!time" draws, by name, in order.
const QStringList& timedFontNames();
// The screens a page-by-page pass from the top of the table to its end draws (each one
// painted); the table is left at its top.
int drawScreenByScreen(RbxCharView& view);
// The hex dump of the clipboard listing for data that is not plain text.
QString hexDump(const QByteArray& data);

} // namespace rbx::listings
