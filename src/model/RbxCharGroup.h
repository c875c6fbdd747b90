#pragma once
// One titled group of the character table as a layout makes it: its characters in display
// order, its kind, title, message and flags. The table adds the geometry (table/core).

#include "core/CharSet.h"
#include "model/RbxLayoutAnchor.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Kinds of groups.
enum RbxGroupKind : std::int32_t {
    RbxLayoutGroupKind = 0,       // a block, a script, a layout's own group
    RbxFavoritesGroupKind = 1,    // the favourites of a layout
    RbxRecentGroupKind = 2,       // the recent characters inside a layout
    RbxBasicGroupKind = 3,        // the single group of the basic layout
    RbxRecentLayoutGroupKind = 4, // the group of the recent-characters layout
    RbxMessageGroupKind = 5,      // a message instead of characters
};

class RbxCharGroup {
public:
    using Characters = std::vector<char32_t>;

    RbxCharGroup() = default;
    static std::shared_ptr<RbxCharGroup> groupWithCharacters(Characters characters);
    // A message group (kind 5, no header) with the text of a message code.
    static std::shared_ptr<RbxCharGroup> groupWithMessage(std::uint32_t code);
    // The text of a message code; "%@" stands for the font's name.
    static QString messageTextForCode(std::uint32_t code);
    // The hint an empty favourites group shows.
    static QString favoritesHint();

    const QString& name() const { return name_; }
    // Also takes the expanded state the settings keep for that name.
    void setName(const QString& name);

    // A group without a header has nothing to open it again with: it is always expanded,
    // whatever the settings keep for its name.
    bool isExpanded() const { return expanded_ || !showsHeader_; }
    // Also records the state for the group's name in the settings.
    void setExpanded(bool expanded);

    const std::shared_ptr<RbxLayoutAnchor>& layout() const { return layout_; }
    int layoutIndex() const { return layoutIndex_; }
    void setLayout(std::shared_ptr<RbxLayoutAnchor> layout, int index);

    // False for a group made without a character list.
    bool hasCharacterList() const { return characters_.has_value(); }
    const Characters& characters() const;
    void setCharacters(Characters characters);
    // The characters are in ascending code-point order (ties allowed).
    bool isAscending() const { return ascending_; }

    const std::optional<Characters>& recentCharactersToHilite() const { return recentToHilite_; }
    // Kept as none when the group belongs to the recent-characters layout.
    void setRecentCharactersToHilite(std::optional<Characters> characters);
    bool isRecentCharacterToHilite(char32_t c) const;

    // The characters the selected font itself holds; none means "all native".
    const std::shared_ptr<const kx::CharSet>& nativeFontCharacters() const { return nativeFontCharacters_; }
    void setNativeFontCharacters(std::shared_ptr<const kx::CharSet> set) { nativeFontCharacters_ = std::move(set); }

    bool showsHeader() const { return showsHeader_; }
    void setShowsHeader(bool shows) { showsHeader_ = shows; }
    std::int32_t groupKind() const { return kind_; }
    void setGroupKind(std::int32_t kind) { kind_ = kind; }

    bool hasMessage() const { return message_.has_value(); }
    QString message() const { return message_.value_or(QString()); }
    // Also makes this a message group without header.
    void setMessage(const QString& text);
    // The message with the font's name in place of its "%@".
    QString formattedMessage(const QString& fontName) const;

private:
    QString name_;
    std::shared_ptr<RbxLayoutAnchor> layout_;
    int layoutIndex_ = 0;
    std::optional<Characters> characters_;
    bool ascending_ = true;
    std::optional<Characters> recentToHilite_;
    std::shared_ptr<const kx::CharSet> nativeFontCharacters_;
    bool expanded_ = true;
    bool showsHeader_ = true;
    std::int32_t kind_ = RbxLayoutGroupKind;
    std::optional<QString> message_;
};
