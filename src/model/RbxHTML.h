#pragma once
// The named HTML entities of characters (bundle file "HTML.plist"), which the HTML form of
// a character (CharacterText::htmlStringForCharacter) uses when the user wants entities
// ("htmlEntities"). Main thread.

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

// The entity names of the bundle's "HTML.plist" for the process
// (kx::ProcessWide<RbxHTMLEntities>): read on first need from the main bundle; a missing
// file is tried again on the next request.
class RbxHTMLEntities {
public:
    static RbxHTMLEntities& shared();
    static std::unique_ptr<RbxHTMLEntities> makeDefault();

    // Code point -> entity name; nullptr while the file could not be read.
    const QHash<char32_t, QString>* entities();

private:
    std::optional<QHash<char32_t, QString>> entities_;
};

class RbxHTML {
public:
    // Reads "HTML.plist" (decimal code point -> entity name) unless it was read
    // already (RbxHTMLEntities).
    static void loadHtmlDictionary();
    // "&name;" when entities are on and the character has one; a null string otherwise.
    static QString htmlEntityForCharacter(char32_t c);
};
