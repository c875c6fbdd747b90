#pragma once
// One group of a layout as it is written: a name and the characters it lists, as
// inclusive from/to pairs in the written order. Given a font's repertoire it makes the
// table group of those characters the font has.
//
// Special values inside the pairs (written as a pair from = to):
//   SequenceBase + i   the i-th bracketed text of `ligatures` (an emoji sequence or a
//                      ligature written in brackets);
//   AllLigatures       every ligature of the font.

#include "core/CharSet.h"
#include "core/KXIntegerArray.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class RbxCharGroup;
class RbxFontRepertoire;

class RbxGroupDescription {
public:
    static constexpr std::int32_t SequenceBase = 0x110000;
    static constexpr std::int32_t AllLigatures = 0x200000;

    // What a description stands for: a group of a layout, or the shared favourites or
    // recent characters that begin every group layout.
    enum class Role { Layout, Favorites, Recents };

    RbxGroupDescription() = default;
    explicit RbxGroupDescription(const QString& name) : name_(name) {}
    virtual ~RbxGroupDescription() = default;
    RbxGroupDescription(const RbxGroupDescription&) = delete;
    RbxGroupDescription& operator=(const RbxGroupDescription&) = delete;

    // Reads one group of a built-in layout (an array of strings: a name, then numbers
    // in pairs) from `position` on and advances it; nullptr at the end.
    static std::shared_ptr<RbxGroupDescription> descriptionFromArray(const QStringList& array,
                                                                     qsizetype& position);
    // Reads one group of a layout file (a name line and its item lines) from `position`
    // on and advances it; nullptr when only empty lines remain.
    static std::shared_ptr<RbxGroupDescription> descriptionFromLines(const QStringList& lines,
                                                                     qsizetype& position);
    // Reads the item lines that follow a name line, up to the next empty line.
    void getDescriptionFromLines(const QStringList& lines, qsizetype& position);
    // Reads the items of one line (comments already cut).
    void addItemsFromLine(const QString& line);

    virtual Role role() const { return Role::Layout; }
    virtual QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    const KXIntegerArray& ranges() const { return ranges_; }
    // The sum of to - from + 1 over the pairs.
    virtual int nCharacters() const { return nCharacters_; }
    // The text of an OTHER or BLOCK-OTHER directive of this group.
    const std::optional<QString>& otherDescription() const { return otherDescription_; }
    const QStringList& ligatures() const { return ligatures_; }

    // The special value of a bracketed text: AllLigatures for "LIGATURES", else
    // SequenceBase + its index in `ligatures` (appended when new); 0 when no value is
    // left for a new text.
    std::int32_t scanLigature(const QString& text);
    void addRangeFrom(std::int32_t from, std::int32_t to);
    // Each Mac OS Roman code from..to as its own single-character pair.
    void addMacRomanRangeFrom(int from, int to);
    void addRangesFromGroup(const RbxGroupDescription& other);
    // The set's runs of consecutive code points from U+0001 on, ascending.
    void addCharacterSet(const kx::CharSet& set);
    // Every code point of every pair (special values left out).
    virtual kx::CharSet characterSet() const;

    // The table group of the characters the font has, or nullptr when it has none.
    virtual std::shared_ptr<RbxCharGroup> groupForFontInfo(RbxFontRepertoire* info);
    // Where the anchor character c lies in this description's group characters.
    virtual std::size_t bestIndexOf(char32_t c, const std::vector<char32_t>& list) const;

    // "name: (from, to, ...)"
    virtual QString description() const;
    // The name of the class for log lines.
    virtual QString className() const { return QStringLiteral("RbxGroupDescription"); }

protected:
    // Appends the characters of one pair that the repertoire has.
    static void appendAvailable(RbxFontRepertoire& info, char32_t from, char32_t to,
                                std::vector<char32_t>& out);
    void appendPairs(RbxFontRepertoire& info, std::vector<char32_t>& out) const;

private:
    void readBracket(const QString& content);

    QString name_;
    KXIntegerArray ranges_;
    int nCharacters_ = 0;
    std::optional<QString> otherDescription_;
    QStringList ligatures_;
    QHash<QString, std::int32_t> ligatureIndex_;
};
