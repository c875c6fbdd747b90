#include "model/RbxCharGroup.h"

#include "kxlib/RbxDefaults.h"

#include <algorithm>

std::shared_ptr<RbxCharGroup> RbxCharGroup::groupWithCharacters(Characters characters) {
    auto g = std::make_shared<RbxCharGroup>();
    g->setCharacters(std::move(characters));
    return g;
}

std::shared_ptr<RbxCharGroup> RbxCharGroup::groupWithMessage(std::uint32_t code) {
    auto g = std::make_shared<RbxCharGroup>();
    g->setMessage(messageTextForCode(code));
    return g;
}

QString RbxCharGroup::messageTextForCode(std::uint32_t code) {
    switch (code) {
    case 0: return QStringLiteral("The font %@ does not contain any ASCII characters.");
    case 1: return QStringLiteral("No recent characters yet.");
    case 2: return QStringLiteral("The font %@ does not contain any of the recently selected characters.");
    case 3: return QStringLiteral("The font %@ does not contain any of the recently selected ASCII characters.");
    case 4: return QStringLiteral("None of the ASCII characters in the font %@ match the search criteria.");
    case 5: return QStringLiteral("None of the characters in the font %@ match the search criteria.");
    case 6: return QStringLiteral("There is no Unicode character that matches the search criteria.");
    case 7: return QStringLiteral("None of the recent characters match the search criteria for the font %@.");
    case 8: return QStringLiteral("This font cannot be used.");
    default: return QStringLiteral("No characters are available for the font %@.");
    }
}

QString RbxCharGroup::favoritesHint() {
    return QStringLiteral("Right-click or ctrl-click characters to add them to the favorites.");
}

void RbxCharGroup::setName(const QString& name) {
    name_ = name;
    expanded_ = RbxDefaults::userDefaults().isExpandedGroup(name_);
}

void RbxCharGroup::setExpanded(bool expanded) {
    expanded_ = expanded;
    RbxDefaults::userDefaults().setPrefersExpanded(expanded, name_);
}

void RbxCharGroup::setLayout(std::shared_ptr<RbxLayoutAnchor> layout, int index) {
    layout_ = std::move(layout);
    layoutIndex_ = index;
}

const RbxCharGroup::Characters& RbxCharGroup::characters() const {
    static const Characters none;
    return characters_ ? *characters_ : none;
}

void RbxCharGroup::setCharacters(Characters characters) {
    ascending_ = std::is_sorted(characters.begin(), characters.end());
    characters_ = std::move(characters);
}

void RbxCharGroup::setRecentCharactersToHilite(std::optional<Characters> characters) {
    if (layout_ && layout_->isRecentLayout()) characters.reset();
    recentToHilite_ = std::move(characters);
}

bool RbxCharGroup::isRecentCharacterToHilite(char32_t c) const {
    return recentToHilite_ && std::find(recentToHilite_->begin(), recentToHilite_->end(), c) != recentToHilite_->end();
}

void RbxCharGroup::setMessage(const QString& text) {
    message_ = text;
    kind_ = RbxMessageGroupKind;
    showsHeader_ = false;
}

QString RbxCharGroup::formattedMessage(const QString& fontName) const {
    QString text = message();
    text.replace(QStringLiteral("%@"), fontName);
    return text;
}
