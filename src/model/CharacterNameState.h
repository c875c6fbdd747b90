#pragma once
// The class state behind RbxCharacterName's class operations (main thread): one
// RbxCharacterNameState per process (kx::ProcessWide), made with the palette's selected
// font, or on first use without one.

#include "model/RbxCharacterName.h"

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class RbxFontRepertoire;
class RbxNameIndex;
class RbxSelectedFont;

namespace rbx::names {
class Load;
}

class RbxCharacterNameState {
public:
    static RbxCharacterNameState& shared();
    static std::shared_ptr<RbxCharacterNameState> makeDefault();

    // The selected font, when given, must outlive the state.
    explicit RbxCharacterNameState(RbxSelectedFont* selectedFont);
    // Waits for a loading under way.
    ~RbxCharacterNameState();
    RbxCharacterNameState(const RbxCharacterNameState&) = delete;
    RbxCharacterNameState& operator=(const RbxCharacterNameState&) = delete;

    RbxFontRepertoire* selectedFontRepertoire() const;

    RbxCharacterName::SharedList list;           // null when not loaded
    std::shared_ptr<const RbxNameIndex> index;  // the list's word index, null until made
    bool cacheWritten = false;
    std::size_t cachedCount = 0;  // records written to the cache
    // Mapped files found cut short in this process when the names were last asked for.
    std::uint64_t damagedMappings = 0;
    // Marks the index files this state writes: no other process (or state) uses them.
    const std::uint64_t process;

    // The loading under way (on a worker thread), and whether the list was flushed
    // meanwhile (what it makes is then not kept unless something needs it).
    std::shared_ptr<rbx::names::Load> load;
    bool flushedDuringLoad = false;
    bool definedTaken = false;  // the loading's defined characters went to the font list
    // Called when the index under way is made.
    std::vector<std::function<void()>> indexWaiters;

    // Private-use names per font family (one list may serve several families), read with
    // the custom names when the first loading starts.
    RbxCharacterName::PuaLists puaLists;
    bool customNamesRead = false;

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
