#pragma once
// The text of a character in every form the palette delivers, copies or shows: its string
// (a virtual character spelled out), the text of each insert mode, the notations (Swift,
// decimal, hexadecimal), the one-line description, the HTML form and the formatted forms
// (an HTML fragment and an RTF document) of formatted insertion, and the code points of a
// character or a text.
//
// The names and the HTML form that the insert modes use, and the parts of virtual
// characters, come from two process-wide sources (kx::ProcessWide<RbxCharacterTexts>,
// kx::ProcessWide<RbxVirtualCharacters>) that the composition root installs once
// (modelTexts() and modelVirtualCharacters() are the model's own); until then a character
// has no name and no HTML form and every character is one part, itself. Main thread.

#include "core/InsertMode.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

// Names and HTML forms of characters. This base class knows none.
class RbxCharacterTexts {
public:
    virtual ~RbxCharacterTexts() = default;
    static std::unique_ptr<RbxCharacterTexts> makeDefault();
    // The HTML form of a character.
    virtual QString htmlStringForCharacter(char32_t) const { return QString(); }
    // The user-defined name and the standard name joined as "%1; %2" when both exist, else
    // whichever exists, else empty.
    virtual QString fullNameOfCharacter(char32_t) const { return QString(); }
};

// Virtual characters: private values that stand for a sequence (flags, joined emoji
// sequences, keycaps, ligatures of the current font). This base class knows no virtual
// characters: every character is one part, itself.
class RbxVirtualCharacters {
public:
    virtual ~RbxVirtualCharacters() = default;
    static std::unique_ptr<RbxVirtualCharacters> makeDefault();
    virtual bool isVirtualCharacter(char32_t c) const;
    // The text of a character; a virtual character gives its sequence.
    virtual QString stringWithUTF32Character(char32_t c) const;
    // How many code points the character stands for (at least 1).
    virtual int numberOfParts(char32_t c) const;
    // Part i, counted from 1 (part 1 of an ordinary character is the character itself).
    virtual char32_t part(int i, char32_t c) const;
};

class CharacterText {
public:
    CharacterText() = delete;

    // ---- the sources
    static const RbxVirtualCharacters& virtualCharacters();
    // The model's sources: names from the name database and the user's names, HTML forms as
    // htmlStringForCharacter makes them, virtual characters from the emoji tables and the
    // ligatures defined last.
    static std::shared_ptr<RbxCharacterTexts> modelTexts();
    static std::shared_ptr<RbxVirtualCharacters> modelVirtualCharacters();

    // ---- code points
    // The code points of a text: surrogate pairs combined, a broken half taken as it is.
    static std::vector<char32_t> codePoints(const QString& text);
    // The code points a character stands for: its parts in order.
    static std::vector<char32_t> codePointsOfCharacter(char32_t c);

    // ---- one character
    // The text of a character (a virtual one spelled out); "" for character 0.
    static QString stringWithCharacter(char32_t c);
    static QString fullNameOfCharacter(char32_t c);
    // The text of the character in an insert mode; "" for modes without text.
    static QString character(char32_t c, InsertMode mode);

    // One "\u{...}" per part, lower-case hexadecimal, at least four digits.
    static QString swiftRepresentation(char32_t c);
    // "%d" per part, joined by ", ".
    static QString decimalRepresentation(char32_t c);
    // "U+%04X" per part, joined by ", ".
    static QString hexRepresentation(char32_t c);
    // The same for every code point of a text (surrogate pairs combined, a broken one
    // taken unit by unit).
    static QString swiftRepresentationOfString(const QString& text);
    static QString decimalRepresentationOfString(const QString& text);
    static QString hexRepresentationOfString(const QString& text);

    // "\"s\" (decimal; hex; html) name" or, as table, "s\tdecimal\thex\thtml\tname".
    static QString descriptionOfCharacter(char32_t c, bool asTable);
    // A ligature value (U+B0000 to U+BFFFF) gives one description per code point of its
    // text, joined by "\n" (a broken high surrogate left out); any other character its
    // description.
    static QString descriptionOfCharacterOrLigature(char32_t c, bool asTable);

    // A name for a menu title: names of 21 or more UTF-16 units are cut (before unit 13
    // when that is a space, else before 14 when that is a space, else before 15) and
    // "..." is appended; a cut never separates the halves of a surrogate pair.
    static QString shortenedName(const QString& name);

    // ---- what an insertion delivers
    // The text of one character to post (a virtual one spelled out).
    static QString characterToPost(char32_t c);
    // The text of a character or string in a textual insert mode (plain, HTML, 5 to 9); a
    // string of one code point has that character's text, every code point of a longer
    // string that is no emoji sequence has its part in the notations. "" for the other modes.
    static QString textForMode(char32_t c, const QString& s, InsertMode mode);

    // ---- HTML
    // A named entity when the user wants entities ("htmlEntities") and one is known, a
    // numeric character reference (hexadecimal with "hexHtml") for characters that are
    // unsafe in HTML or lie outside printable ASCII, the character itself otherwise.
    // Virtual characters are written part by part, ligatures through their text. With
    // allowBasicCharacters false, printable ASCII is written as references too.
    static QString htmlStringForCharacter(char32_t c, bool allowBasicCharacters = true);
    // Every code point of the text (surrogate pairs combined) in turn.
    static QString htmlStringForString(const QString& text);
    // The numeric reference of one code point in the current form.
    static QString numericReference(char32_t c);

    // ---- formatted text: a text in one font at one size, in the rich forms the clipboard
    // offers for formatted insertion. The RTF form writes UTF-16 units as \u escapes, so
    // that every character survives.
    static QString formattedHtmlFragment(const QString& text, const QString& family, double pointSize);
    static QByteArray formattedRtfDocument(const QString& text, const QString& family, double pointSize);
};
