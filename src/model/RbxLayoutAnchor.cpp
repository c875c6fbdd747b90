#include "model/RbxLayoutAnchor.h"

void RbxLayoutAnchor::saveAnchorAtStartOfGroup(int group) {
    anchorGroup_ = group;
    anchorCharacter_ = GroupStart;
}

void RbxLayoutAnchor::saveAnchorCharacter(char32_t c, int group) {
    anchorGroup_ = group;
    anchorCharacter_ = c;
}

std::size_t RbxLayoutAnchor::anchorIndexInCharacters(const std::vector<char32_t>&) const { return 0; }
