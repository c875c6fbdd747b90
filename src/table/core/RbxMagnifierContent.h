#pragma once
// What the magnifier shows of a character beside its big picture: its name, its
// user-defined name or keywords, one notation (the one of the front application's insert
// mode where that is a notation, else the HTML form), its code points, the keys that type
// it, and whether the font lacks it.

#include "core/CharSet.h"
#include "core/InsertMode.h"

#include <QString>
#include <QStringList>

struct RbxMagnifierContent {
    QString name;                 // "--" when the character has none
    QString keywordsLabel;        // "Custom Name:", "Keywords:", or empty: the line is hidden
    QString keywordsText;
    QString notationLabel;        // "Swift:", "Decimal:", "Hex:" or "HTML:"
    QString notationText;
    QString codePointLabel;       // "Code Point:" for one part, else "Code Points:"
    QString codePointText;        // "-" when there is none
    QStringList keyCaps;          // empty: no keys type it
    bool notAvailable = false;    // the font does not have the character

    bool keywordsShown() const { return !keywordsLabel.isEmpty(); }
};

// `covered` is the font's covered set (nullptr: the font reports none); `mode` the front
// application's insert mode; `keyCaps` the key strokes of the current keyboard layout.
RbxMagnifierContent magnifierContent(char32_t c, const kx::CharSet* covered, InsertMode mode,
                                     const QStringList& keyCaps);
