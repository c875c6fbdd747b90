#pragma once
// The class state behind RbxCharacterName's class operations (main thread).

#include "model/RbxCharacterName.h"

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <map>
#include <memory>
#include <optional>

namespace rbx::names {

struct State {
    RbxCharacterName::SharedList list;  // null when not loaded
    bool cacheWritten = false;
    std::size_t cachedCount = 0;  // records written to the cache
    bool cacheWriting = false;    // a background write is under way
    std::uint64_t generation = 0; // moves when the state is reset (stale writes ignored)

    // Private-use names per font family (one list may serve several families).
    QHash<QString, std::shared_ptr<const RbxCharacterName::List>> puaLists;

    // User-defined names: group -> (character text -> name).
    bool userNamesLoaded = false;
    std::map<QString, QVariantMap> userNames;

    // The maintainers' Unicode folder, looked up once.
    std::optional<QString> unicodeFolder;
};

State& state();

// The selected font's family name ("" when no font is selected).
QString currentFamilyName();
// Hands the defined characters of the maintainers' UnicodeData.txt to the font list.
void definedCharactersFromUnicodeData(const kx::CharSet& defined);

} // namespace rbx::names
