#pragma once
// The class state behind RbxCharacterName's class operations (main thread): one
// RbxCharacterNameState per process (kx::ProcessWide), made with the palette's selected
// font, or on first use without one.

#include "model/RbxCharacterName.h"

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <map>
#include <memory>
#include <optional>

class RbxFontRepertoire;
class RbxSelectedFont;

class RbxCharacterNameState {
public:
    static RbxCharacterNameState& shared();
    static std::shared_ptr<RbxCharacterNameState> makeDefault();

    // The selected font, when given, must outlive the state.
    explicit RbxCharacterNameState(RbxSelectedFont* selectedFont);
    // Waits for a cache write under way.
    ~RbxCharacterNameState();
    RbxCharacterNameState(const RbxCharacterNameState&) = delete;
    RbxCharacterNameState& operator=(const RbxCharacterNameState&) = delete;

    RbxFontRepertoire* selectedFontRepertoire() const;

    RbxCharacterName::SharedList list;  // null when not loaded
    bool cacheWritten = false;
    std::size_t cachedCount = 0;  // records written to the cache
    bool cacheWriting = false;    // a background write is under way

    // Private-use names per font family (one list may serve several families).
    QHash<QString, std::shared_ptr<const RbxCharacterName::List>> puaLists;

    // User-defined names: group -> (character text -> name).
    bool userNamesLoaded = false;
    std::map<QString, QVariantMap> userNames;

    // The maintainers' Unicode folder, looked up once.
    std::optional<QString> unicodeFolder;

private:
    RbxSelectedFont* const selectedFont_;
};

namespace rbx::names {

using State = RbxCharacterNameState;

inline State& state() { return State::shared(); }

// The selected font's family name ("" when no font is selected).
QString currentFamilyName();
// Hands the defined characters of the maintainers' UnicodeData.txt to the font list.
void definedCharactersFromUnicodeData(const kx::CharSet& defined);

} // namespace rbx::names
