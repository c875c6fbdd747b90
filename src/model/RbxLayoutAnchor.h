#pragma once
// The place a layout keeps in view: a group (by its position in the layout's group list)
// and a character in it, or the group's start. Layouts derive from this; the character
// table saves the anchor while the user scrolls and asks for it when it rebuilds.

#include <cstddef>
#include <vector>

class RbxLayoutAnchor {
public:
    // The anchor character meaning "the start of the anchor group".
    static constexpr char32_t GroupStart = 0xFFFFFFFF;

    virtual ~RbxLayoutAnchor() = default;

    // The recent-characters layout answers true; it never marks its own characters.
    virtual bool isRecentLayout() const { return false; }

    void saveAnchorAtStartOfGroup(int group);
    void saveAnchorCharacter(char32_t c, int group);
    int anchorGroup() const { return anchorGroup_; }
    char32_t anchorCharacter() const { return anchorCharacter_; }

    // Where the anchor character lies in the given characters of the anchor group.
    virtual std::size_t anchorIndexInCharacters(const std::vector<char32_t>& characters) const;

private:
    char32_t anchorCharacter_ = 0;
    int anchorGroup_ = 0;
};
