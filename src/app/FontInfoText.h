#pragma once
// The facts the font information view shows of a font, as labelled lines in their fixed
// order: names from the font's 'name' table, format, version, file, traits and class
// from 'OS/2', 'post' and 'vhea', the languages fontconfig knows it covers, the
// designer's and maker's texts and the counts of characters, glyphs and ligatures. A
// line without a value is left out.

#include "platform/fonts/Font.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fontinfo {

struct Line {
    QString key;    // the label's text key ("INFO_Family")
    QString value;  // one or more lines of text
    enum Kind { Text, Link, File } kind = Text;
};

// A value as the view shows it: CR becomes LF, runs of empty lines fold into one line
// break, and there are no empty lines at either end.
QString tidied(const QString& value);

// The facts of the tables, each read within its bounds (a damaged table gives no fact).
struct Tables {
    bool italic = false, bold = false, expanded = false, condensed = false, monospace = false, vertical = false;
    int familyClass = 0;     // sFamilyClass's high byte
    double italicAngle = 0;  // degrees, as 'post' has it
};
Tables readTables(const rbx::FontFace& face);

// "italic, bold, ..., monospace|variable spacing, vertical" in the user's words.
QString traits(const Tables& t);
// The class's words; "" for a class without a name (0, 6, 11 and above 12).
QString className(int familyClass);
// Language names in English, sorted ignoring case, joined by ", ".
QString languageNames(const QStringList& codes);
// "-12°" for an italic angle of 12 (rounded and negated).
QString slantText(double italicAngle);

// The developer's extras that the setting "ligainfo" adds: the font's table tags and
// the ligatures its 'GSUB' and 'morx' tables give.
struct LigatureDetails {
    QStringList tables;  // "cmap", "GSUB", ... in the font's order
    qsizetype gsub = 0;
    QStringList morx;
};
// Reads them (the ligature readers' settings and limits apply); logs the 'morx' collection.
LigatureDetails ligatureDetails(const rbx::Font& font);
// The most 'morx' ligatures listed.
constexpr int ListedMorxLigatures = 500;

// The lines for a font, in their order; nothing for a null font. With details, the
// lines "TABLES", "LIGATURES (GSUB)" and "LIGATURES (morx)" follow the version.
QList<Line> linesForFont(const rbx::Font& font, int ligatureCount, const LigatureDetails* details = nullptr);

} // namespace fontinfo
