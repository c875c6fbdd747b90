#pragma once
// Character names.
//
// One RbxCharacterName is one name record: a code point (possibly a virtual character
// standing for an emoji sequence), the single capital letter A-Z the name stands for
// (used by one-letter searches), the record's priority group in merging, and the name,
// which may carry keywords after "; ".
//
// The class operations keep the one name list of the process: the Unicode names of the
// bundle file "UnicodeNames.data" (zlib) merged with the custom name files of the
// folders "Character Names" (bundle and support folder). The list is loaded on first
// use (on a worker thread), kept sorted by code point, and written with its word index
// to files in the cache folder ("names" and "names.index", ~/.cache/runebox) that the
// first load of each process writes; from then on the list and index are views over
// those files mapped into memory. flushNames() (when the palette hides) drops them; the
// next need maps the files again. The class also keeps the private-use names of font
// families and the names the user gives characters (user-defined names, one property
// list per group in the support folder "Custom Names").
//
// The class state (RbxCharacterNameState, CharacterNameState.h) lives on the main thread.

#include "core/CharSet.h"
#include "core/PageAllocator.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <initializer_list>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// A character's code point(s) in the form "#%d [U+%04X]" and how many parts it has.
class RbxCharacterCodePointInfo {
public:
    RbxCharacterCodePointInfo() = default;
    RbxCharacterCodePointInfo(const QString& string, std::int64_t numberOfParts)
        : string_(string), parts_(numberOfParts) {}
    const QString& string() const { return string_; }
    std::int64_t parts() const { return parts_; }

private:
    QString string_;
    std::int64_t parts_ = 0;
};

class RbxCharacterNameList;
class RbxNameIndex;

// One record of a name list without its name: where the name lies in the list's text.
struct RbxCharacterNameEntry {
    char32_t ch;
    std::uint16_t letter;
    std::uint16_t group;
    std::uint32_t offset;  // of the name in the text, in UTF-16 units
    std::uint32_t length;
};
static_assert(sizeof(RbxCharacterNameEntry) == 16);
// Entries of a list, their memory given back to the system as soon as they are freed.
using RbxCharacterNameEntries = std::vector<RbxCharacterNameEntry, kx::PageAllocator<RbxCharacterNameEntry>>;

class RbxCharacterName {
public:
    using List = RbxCharacterNameList;
    using SharedList = std::shared_ptr<const RbxCharacterNameList>;

    // A ligature value of the current font (plane 11).
    static constexpr bool isLigatureValue(char32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

    // Group of the names read from "UnicodeNames.data".
    static constexpr std::uint16_t UnicodeGroup = 150;
    // A stated expanded size above this is refused as damaged (the real file expands to
    // a few megabytes).
    static constexpr std::uint32_t MaxExpandedSize = 64u * 1024u * 1024u;
    // Longest name text kept in the cache, in bytes of UTF-16 with its byte-order mark.
    static constexpr std::size_t MaxCachedNameBytes = 1000;

    // ---- one record ---------------------------------------------------------------

    RbxCharacterName() = default;
    RbxCharacterName(char32_t c, const QString& name) : ch_(c), name_(name) {}
    RbxCharacterName(char32_t c, std::uint16_t letter, std::uint16_t group, const QString& name)
        : ch_(c), letter_(letter), group_(group), name_(name) {}

    char32_t character() const { return ch_; }
    // 0, or 'A' to 'Z'.
    std::uint16_t letter() const { return letter_; }
    void setLetter(std::uint16_t letter) { letter_ = letter; }
    std::uint16_t group() const { return group_; }
    void setGroup(std::uint16_t group) { group_ = group; }
    const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    // The text of the character, a virtual character as its sequence.
    QString characterString() const;
    // "%04X".
    QString hexCharacter() const;
    // The name up to the first ";" (the whole name when it has none).
    QString plainName() const;
    // The part after the last ";", trimmed; "" when there is none.
    QString keywords() const;
    // "#%d [U+%04X]" of each part of the character joined by " + "; "N/A" for a
    // ligature value.
    RbxCharacterCodePointInfo codePoint() const;
    // name ("text", hex)
    QString description() const;
    // By code point, then group, then name (plain comparison): -1, 0 or 1.
    int compare(const RbxCharacterName& other) const;
    static int compare(char32_t c1, std::uint16_t g1, QStringView n1, char32_t c2, std::uint16_t g2, QStringView n2);
    bool operator<(const RbxCharacterName& other) const { return compare(other) < 0; }

    // Sets the letter from the name: the first capital A-Z standing as a word of its
    // own (none for names beginning with "NOT A ", "NEITHER A " or "LINEAR B "); else a
    // name ending in a blank and the same capital twice gets that capital.
    void checkForLetter();
    // True when the record has a letter and bit (letter - 'A') of the mask is set.
    bool matchesLetterSet(std::uint32_t mask) const { return letterInMask(letter_, mask); }
    static bool letterInMask(std::uint16_t letter, std::uint32_t mask) {
        return letter >= 'A' && letter <= 'Z' && ((mask >> (letter - 'A')) & 1u);
    }
    // True when the name contains the word, ignoring case and diacritics.
    bool matchesPattern(const QString& word) const;

    // ---- the name list --------------------------------------------------------------
    //
    // The first loading of a process reads the data file, merges the custom names, writes
    // the cache and beside it the index file (RbxNameIndexFile: where each name lies in
    // the cache, and the word index). From then on the list is a view over the mapped
    // cache and its word index one over the mapped index file, so that only the pages a
    // look-up or a search touches are read into memory. Loading runs on a worker thread;
    // a need on the main thread waits for the part it needs.

    // The name list and its word index, as loaded together.
    struct NamesAndIndex {
        SharedList list;
        std::shared_ptr<const RbxNameIndex> index;
    };

    // The name list, loaded when absent (a loading under way is waited for until it has
    // read the names). The list shared out stays valid after a flush.
    static SharedList allNames();
    // The name list with its word index, made when absent (a loading under way is waited
    // for until it has made the index).
    static NamesAndIndex allNamesWithIndex();
    // Drops the list and its index; the next need maps the cache again.
    static void flushNames();
    // Hands back the pages of the mapped files that look-ups and searches read so far
    // (a search calls it when done); they are read again when next needed.
    static void letGoOfMappedPages();
    // Loads the list: from the cache once this process has written it, else from the
    // bundle's data file merged with the custom names (and then writes the cache). The
    // reading is done by a worker; this waits for the names.
    static void readCharacterNames();
    // Starts loading the list and making its index on a worker thread, unless they are
    // there or under way.
    static void loadNamesInBackground();
    // Whether a loading is under way that has not made the index yet.
    static bool isIndexUnderWay();
    // When a mapped file was found cut short in place since the names were last asked for
    // (its end reads as zeros), drops the names and starts reading them again as
    // loadNamesInBackground() does; answers whether it did.
    static bool readAgainIfDamaged();
    // Calls fn once on the main thread when the index under way is made (soon, when none
    // is under way).
    static void whenIndexReady(std::function<void()> fn);

    // The list of a names file, or of UnicodeData.txt in `unicodeFolder` when that is
    // not empty and holds one; `defined` then receives its defined characters. Empty
    // (and logged) when the file is damaged. Any thread.
    static List readFromFile(const QString& path, const QString& unicodeFolder = QString(),
                             std::optional<kx::CharSet>* defined = nullptr);
    // The records of expanded name data. Stops at a record that lacks its 0 byte.
    static List namesFromExpandedData(const QByteArray& expanded);
    static List namesFromExpandedBytes(const char* data, std::size_t size);
    // One record of expanded name data from p; p is moved past its 0 byte. Nothing
    // (and p unchanged) when no complete record starts at p.
    static std::optional<RbxCharacterName> newNameWithBytesAt(const char*& p, const char* end);
    // The expanded data of a names file (4-byte big-endian size, then one zlib stream);
    // nothing (and logged) when the file is damaged.
    static std::optional<QByteArray> expandedNameData(const QByteArray& fileBytes);

    // The cache file: "<cache folder>/names".
    static QString cachedNamesPath();
    // The cache bytes of a list and the list of cache bytes.
    static QByteArray cacheDataForNames(const List& names);
    static List namesFromCacheData(const QByteArray& data);
    // The entries of cache bytes whose offsets count UTF-16 units from the start of the
    // bytes, so that a list over the same bytes can use them. False when a name is in the
    // other byte order (such a list cannot be a view).
    static bool cacheEntries(const char* data, std::size_t size, RbxCharacterNameEntries* entries);
    // Writes the current list to the cache (atomically); false when it failed.
    static bool saveCachedNames();
    // Writes a list to a cache file (atomically); any thread. `entries`, when given,
    // receive where each name lies in the file (as cacheEntries() gives them).
    static bool writeCacheFile(const List& names, const QString& path, RbxCharacterNameEntries* entries = nullptr);
    // Whether the cache of this process is written (the first loading writes it in the
    // background); until then a new loading reads the data file again.
    static bool isCacheWritten();
    // The list of a cache file; any thread.
    static List readCachedNames(const QString& path);

    // Binary search by code point; nothing when absent.
    static std::optional<RbxCharacterName> rbxCharacterNameForCharacter(char32_t c, const List& list);
    // For a private-use character the selected font family's private-use names first;
    // the name list otherwise.
    static std::optional<RbxCharacterName> rbxCharacterNameForCharacter(char32_t c);
    // "" for a ligature value or an unnamed character.
    static QString nameOfCharacter(char32_t c);
    // "user-defined; name" when both exist, else whichever exists ("" when none).
    static QString fullNameOfCharacter(char32_t c);

    // The maintainers' Unicode folder (setting "unicodeFolder", "~" expanded), read
    // once per process; "" when it is not set or is no folder.
    static QString unicodeFolderPath();
    // The records of a UnicodeData.txt; `defined` receives its defined characters and
    // `lines` the number of lines read.
    static List namesFromUnicodeData(const QByteArray& text, kx::CharSet* defined, int* lines);
    // Reads UnicodeData.txt of the folder; nothing when the file is missing. Any thread.
    static std::optional<List> readFromUnicodeDataFile(const QString& folder, kx::CharSet* defined);

    // ---- custom names ---------------------------------------------------------------

    // Private-use lists by family name (one list may serve several families).
    using PuaLists = QHash<QString, std::shared_ptr<const List>>;

    // The folders "Character Names": the support folder's (made when missing), then the
    // bundle's when it has one.
    static QStringList customNameFolders();
    // Reads the custom name files of the folders: records for the name list are appended
    // to `names`, private-use lists go to `pua`. Answers how many were appended; the
    // caller merges them (mergeNames()) with the names they join.
    static int readCustomNames(const QStringList& folders, List& names, PuaLists& pua);
    // Reads every custom name file of the folder, as readCustomNames().
    static int readCustomNamesFromFolder(const QString& folder, List& names, PuaLists& pua);
    static int readCustomNamesFromData(const QByteArray& utf8, List& names, PuaLists& pua);
    // The same; the private-use lists join those of the name state (main thread).
    static int readCustomNamesFromData(const QByteArray& utf8, List& names);
    // One entry of a custom name file from p; p moves past its line. Nothing for a line
    // that yields no entry.
    static std::optional<RbxCharacterName> newNameFromUTF8StringAt(const char*& p, const char* end);
    // Sorts and merges by priority class (group / 100): the highest class present for
    // a code point wins; several records of that class are joined by "; ".
    static void mergeNames(List& names);

    // The private-use list of a family (sorted), or nullptr.
    static std::shared_ptr<const List> puaNamesOfFamily(const QString& family);
    // The private-use list of the selected font's family, or nullptr.
    static std::shared_ptr<const List> puaNamesOfCurrentFont();
    static QStringList familiesWithPuaNames();

    // ---- user-defined names ---------------------------------------------------------

    static QString generalGroupName() { return QStringLiteral("(General)"); }
    // "(General)" for a character that is not private use, else the selected font's
    // family name.
    static QString userDefinedGroupForCharacter(char32_t c);
    static void loadUserDefinedNames();
    static QString userDefinedNameOfCharacter(char32_t c);
    // A non-empty name is stored, an empty one removes the entry; the group's file is
    // written (or deleted when the group became empty). False when the file could not
    // be written.
    static bool setUserDefinedNameOfCharacter(char32_t c, const QString& name);
    // The characters with user-defined names in "(General)" and the selected family's
    // group.
    static kx::CharSet characterSetWithCustomNames();
    static kx::CharSet characterSetWithCustomNamesMatchingFilter(const QString& filter);
    // "group: count\n" per group (sorted ignoring case), "none\n" when there are none.
    static QString userDefinedNamesSummary();
    // The file name (without folder and extension) that holds a group, and back. Slashes,
    // percent signs and a leading dot are percent-encoded.
    static QString fileNameForGroup(const QString& group);
    static QString groupForFileName(const QString& baseName);
    static QString customNamesFolder();

private:
    char32_t ch_ = 0;
    std::uint16_t letter_ = 0;
    std::uint16_t group_ = 0;
    QString name_;
};

// A list of name records kept compactly: the records' numbers in one array and all
// names in one text, so that loading and caching make no object per record. Reading a
// record out (at(), find()) copies its name.
//
// A list can also be a view over memory it does not own (the mapped name cache): the
// entries and the UTF-16 text then stay where they are, kept alive with the list, and
// every name read is checked against the text's end. Changing such a list copies it
// first.
class RbxCharacterNameList {
public:
    using Entry = RbxCharacterNameEntry;
    using Entries = RbxCharacterNameEntries;
    // The names' text of a list of its own.
    using Text = std::vector<char16_t, kx::PageAllocator<char16_t>>;

    // Memory a list can be a view over: `count` entries, and the text their offsets count
    // in (`textUnits` units). `keep` holds whatever owns both.
    struct View {
        const Entry* entries = nullptr;
        std::size_t count = 0;
        const char16_t* text = nullptr;
        std::size_t textUnits = 0;
        std::shared_ptr<const void> keep;
    };

    RbxCharacterNameList() = default;
    RbxCharacterNameList(std::initializer_list<RbxCharacterName> names);
    static RbxCharacterNameList viewOf(View view);
    // Whether the list is a view over memory it does not own.
    bool isView() const { return view_ != nullptr; }

    std::size_t size() const { return view_ ? view_->count : entries_.size(); }
    bool empty() const { return size() == 0; }
    void reserve(std::size_t records, std::size_t nameUnits);
    void append(char32_t c, std::uint16_t letter, std::uint16_t group, QStringView name);
    void append(const RbxCharacterName& n) { append(n.character(), n.letter(), n.group(), n.name()); }

    char32_t character(std::size_t i) const { return entry(i).ch; }
    std::uint16_t letter(std::size_t i) const { return entry(i).letter; }
    std::uint16_t group(std::size_t i) const { return entry(i).group; }
    // The name; empty when its entry points beyond the text (a damaged view).
    QStringView nameView(std::size_t i) const { return nameOf(entry(i)); }
    bool matchesLetterSet(std::size_t i, std::uint32_t mask) const {
        return RbxCharacterName::letterInMask(entry(i).letter, mask);
    }
    RbxCharacterName at(std::size_t i) const {
        const Entry& e = entry(i);
        return RbxCharacterName(e.ch, e.letter, e.group, nameOf(e).toString());
    }
    RbxCharacterName operator[](std::size_t i) const { return at(i); }

    // Binary search by code point in a list kept in code-point order; kx::NotFound when
    // absent.
    std::size_t indexOfCharacter(char32_t c) const;
    std::optional<RbxCharacterName> find(char32_t c) const;

    // Orders by compare() (code point, group, name).
    void sort();
    bool isSorted() const;

    std::span<const Entry> entries() const {
        return view_ ? std::span<const Entry>(view_->entries, view_->count) : std::span<const Entry>(entries_);
    }
    // The names' text; an entry's name is the slice (offset, length).
    QStringView text() const {
        return view_ ? QStringView(view_->text, static_cast<qsizetype>(view_->textUnits))
                     : QStringView(text_.data(), static_cast<qsizetype>(text_.size()));
    }

private:
    friend class RbxCharacterName;
    const Entry& entry(std::size_t i) const { return view_ ? view_->entries[i] : entries_[i]; }
    QStringView nameOf(const Entry& e) const {
        const QStringView all = text();
        if (e.offset > std::size_t(all.size()) || e.length > std::size_t(all.size()) - e.offset) return {};
        return all.mid(e.offset, e.length);
    }
    // Makes a view a list of its own (before it is changed).
    void detach();
    bool less(const Entry& a, const Entry& b) const;
    Entries entries_;
    Text text_;
    std::shared_ptr<const View> view_;
};
