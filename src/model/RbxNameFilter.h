#pragma once
// The search filter of the palette: one filter text for the whole process, answered
// with the set of characters it matches, computed once per filter text and kept.
//
// What a filter matches, by the first rule that applies:
//   "++words"         characters whose user-defined names hold every word;
//   "--"              every code point without a name;
//   text + U+200B     the characters of the text (without the U+200B);
//   text with a character other than A-Z a-z 0-9 blank + - # ( ), or a "#" that does
//   not start a decimal number: the characters of the text;
//   otherwise words: one-letter words select names standing for that letter; the other
//   words must all occur in the name (ignoring case and diacritics); blocks whose names
//   hold every word (when no letter was given); words read as decimal or hexadecimal
//   code points ("41", "#169", "U+1F600", "x2190").
// The ligatures of the selected font that hold a matched character, or whose text holds
// every word, join the set.
//
// The filter and what is derived from it live in the process's RbxNameFilterState.
// Main thread only.
//
// Name searches go through the word index that comes with the name list
// (RbxCharacterName::allNamesWithIndex()). prepareIndex() has the list loaded and the
// index made on a worker thread ahead of the first search (the palette asks once it has
// shown); a search that comes while it is under way either waits for it
// (filteredCharacters()) or, for a caller that must not block, is made once the index is
// ready (whenIndexReady()).

#include "core/CharSet.h"

#include <QObject>
#include <QTimer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class RbxCharacterName;
class RbxFontRepertoire;
class RbxSelectedFont;

// The filter of the process (kx::ProcessWide<RbxNameFilterState>): installed by the
// composition root with the palette's selected font (whose ligatures join the matches),
// else made on first use without one.
class RbxNameFilterState : public QObject {
    Q_OBJECT
public:
    static RbxNameFilterState& shared();
    static std::unique_ptr<RbxNameFilterState> makeDefault();

    // The selected font, when given, must outlive the state.
    explicit RbxNameFilterState(RbxSelectedFont* selectedFont);
    ~RbxNameFilterState();
    RbxNameFilterState(const RbxNameFilterState&) = delete;
    RbxNameFilterState& operator=(const RbxNameFilterState&) = delete;

    RbxFontRepertoire* selectedFontRepertoire() const;

    // A search read the names: the pages of the mapped name files it read are handed
    // back (RbxCharacterName::letGoOfMappedPages()) once no search came for a while, so
    // that typing a search reads them once and a palette left alone holds none.
    void searched();
    static constexpr int LetGoDelayMs = 1000;

    // The filter text and the matches and words made from it.
    struct Data;
    Data& data() { return *data_; }

private:
    RbxSelectedFont* const selectedFont_;
    std::unique_ptr<Data> data_;
    QTimer letGoTimer_;
};

class RbxNameFilter {
public:
    // Sets the filter; a null or empty text clears it. The derived state is dropped.
    static void setFilter(const QString& text);
    // A copy of the filter, "" when there is none.
    static QString filterString();
    static bool hasFilter();
    // Drops the derived state (computed again on the next request).
    static void rebuildFilter();

    // The filter's characters; none when there is no filter.
    static std::optional<kx::CharSet> filteredCharacters();
    // The name records matching the filter's words and letters; the whole name list
    // when it has neither.
    static std::vector<RbxCharacterName> filteredNames();
    // The characters of a text used as filter; the current filter stays as it was.
    static kx::CharSet charactersMatchingFilter(const QString& text);
    // The records matching a search text: the records of its words' numbers first (in
    // word order, decimal before hexadecimal), then those whose names match.
    static std::vector<RbxCharacterName> namesMatchingSearchString(const QString& text);

    // Removes empty and one-letter words (A-Z, a-z) from the list and answers the mask
    // of the removed letters (bit letter - 'A').
    static std::uint32_t lettersFromFilterParts(QStringList& words);
    // The records (name list, then the selected family's private-use names) whose
    // letter is in the mask (with a mask) and whose name holds every word.
    static std::vector<RbxCharacterName> newListOfNamesMatchingParts(const QStringList& words, std::uint32_t mask);

    // "#" alone is 35; "#" marks before the first non-zero digit are skipped; the rest
    // must be decimal digits. 0 when the word is not a decimal number.
    static char32_t decimalNumberForString(const QString& word);
    // A leading "U+", "u+", "U" or "u" is dropped, an "x" or "X" before the first
    // non-zero digit skipped; the rest must be hexadecimal digits. 0 otherwise.
    static char32_t hexNumberForString(const QString& word);
    // Numbers count from 1 to U+9FFFF and from U+C0000 to U+10FFFF (planes 10 and 11
    // hold the virtual characters).
    static bool countsAsNumber(char32_t value);

    // Every character but A-Z, a-z, 0-9, blank, "+", "-", "#", "(" and ")".
    static const kx::CharSet& textSearchTriggerCharacters();
    // Whether the text is a list of characters rather than words to look up.
    static bool stringContainsTextSearchCharacter(const QString& text);
    // The set plus the selected font's ligatures that hold one of its characters or
    // whose text holds every word of the filter.
    static kx::CharSet addLigaturesToFilter(const kx::CharSet& set);
    static kx::CharSet characterSetForCharacters(const std::vector<RbxCharacterName>& records);

    // Starts loading the name list and making its word index on a worker thread, unless
    // they are there or under way.
    static void prepareIndex();
    // Whether the worker is still making the index.
    static bool isIndexUnderWay();
    // Starts reading the names again when a file of theirs was found cut short in place
    // while mapped; answers whether it did (see RbxCharacterName::readAgainIfDamaged()).
    static bool readNamesAgainIfDamaged();
    // Calls fn once on the main thread when the index under way is ready (dropped when
    // `context` goes first).
    static void whenIndexReady(QObject* context, std::function<void()> fn);
};
