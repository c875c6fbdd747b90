#include "table/core/RbxContextMenu.h"

#include "core/CharSet.h"
#include "model/CharacterText.h"
#include "model/RbxCharGroup.h"
#include "table/core/RbxTools.h"

namespace {

using Command = RbxMenuCommand;
using Target = RbxMenuTarget;

RbxMenuEntry item(const QString& title, Command command, const QString& shortcut = {},
                  Target target = Target::View) {
    return RbxMenuEntry{title, command, shortcut, target, false, true};
}

RbxMenuEntry controllerItem(const QString& title, Command command, const QString& shortcut = {}) {
    return item(title, command, shortcut, Target::WindowController);
}

RbxMenuEntry separator() { return RbxMenuEntry{QString(), Command::None, QString(), Target::View, true, false}; }

} // namespace

std::vector<RbxMenuEntry> buildContextMenu(const RbxContextMenuState& s) {
    std::vector<RbxMenuEntry> menu;
    const char32_t c = s.character;
    const bool ligature = RbxTools::isLigatureCharacter(c);
    // In titles a combining mark stands on a space of its own.
    QString string = CharacterText::stringWithCharacter(c);
    if (kx::CharSet::combiningCharacters().contains(c)) string.prepend(u' ');

    bool characterItems = false;
    if (ligature) {
        menu.push_back(item(QStringLiteral("Copy Ligature %1").arg(string), Command::CopyPlain, QStringLiteral("Ctrl+C")));
        menu.push_back(item(QStringLiteral("Copy Ligature Description"), Command::CopyDescription,
                            QStringLiteral("Ctrl+Shift+D")));
    } else if (c != 0) {
        characterItems = true;
        menu.push_back(item(QStringLiteral("Character Info..."), Command::ShowInfo, QStringLiteral("Ctrl+I")));
        menu.push_back(separator());
        menu.push_back(item(QStringLiteral("Copy Character %1").arg(string), Command::CopyPlain, QStringLiteral("Ctrl+C")));
        menu.push_back(item(QStringLiteral("Copy as HTML (%1)").arg(CharacterText::character(c, InsertMode::HTML)),
                            Command::CopyHTML, QStringLiteral("Ctrl+H")));
        menu.push_back(item(QStringLiteral("Copy as Unicode Decimal (%1)").arg(CharacterText::decimalRepresentation(c)),
                            Command::CopyDecimal, QStringLiteral("Ctrl+D")));
        menu.push_back(item(QStringLiteral("Copy as Unicode Hex (%1)").arg(CharacterText::hexRepresentation(c)),
                            Command::CopyHex, QStringLiteral("Ctrl+X")));
        menu.push_back(item(QStringLiteral("Copy as Swift (%1)").arg(CharacterText::swiftRepresentation(c)),
                            Command::CopySwift, QStringLiteral("Ctrl+Shift+S")));
        if (const QString name = CharacterText::fullNameOfCharacter(c); !name.isEmpty())
            menu.push_back(item(QStringLiteral("Copy Character Name (%1)").arg(CharacterText::shortenedName(name)),
                                Command::CopyName, QStringLiteral("Ctrl+N")));
        menu.push_back(item(QStringLiteral("Copy Character Description"), Command::CopyDescription,
                            QStringLiteral("Ctrl+Shift+D")));
        menu.push_back(separator());
        if (c != s.markedCharacter)
            menu.push_back(controllerItem(QStringLiteral("Mark Fonts Containing %1").arg(string), Command::MarkFonts,
                                          QStringLiteral("Ctrl+K")));
    }

    if (s.markedCharacter != 0) {
        if (!characterItems) menu.push_back(separator());
        RbxMenuEntry reset = controllerItem(QStringLiteral("Reset Marks"), Command::ResetMarks, QStringLiteral("Ctrl+R"));
        reset.carriesCharacter = false;
        menu.push_back(reset);
    }

    if (c != 0) {
        if (!menu.empty()) menu.push_back(separator());
        menu.push_back(s.inFavorites ? controllerItem(QStringLiteral("Remove from Favorites"), Command::RemoveFromFavorites)
                                     : controllerItem(QStringLiteral("Add to Favorites"), Command::AddToFavorites));
        if (s.showingRecentLayout || s.groupKind == RbxRecentGroupKind)
            menu.push_back(controllerItem(QStringLiteral("Remove from Recent Characters"), Command::RemoveFromRecent));
        const QString context = QStringLiteral("Show %1 in the Unicode Context").arg(string);
        if (!s.searchFieldEmpty) {
            menu.push_back(controllerItem(context, Command::ShowInContext));
        } else if (s.groupKind >= 0) {
            if (s.groupKind == RbxFavoritesGroupKind || s.groupKind == RbxRecentGroupKind)
                menu.push_back(controllerItem(context, Command::ShowInContext));
            else if (!s.unicodeBlocksLayout)
                menu.push_back(controllerItem(context, Command::ShowInUnicodeBlocksContext));
        }
        menu.push_back(controllerItem(QStringLiteral("Find Similar Shape..."), Command::FindSimilarShape));
        if (s.shapeTools) {
            menu.push_back(separator());
            menu.push_back(item(QStringLiteral("Best Shape Match"), Command::SetBestMatch, {}, Target::ShapeView));
            menu.push_back(item(QStringLiteral("Shape Mismatch"), Command::AddMismatch, {}, Target::ShapeView));
        }
    }
    return menu;
}

QString menuItemText(const RbxMenuEntry& entry) {
    return entry.shortcutText.isEmpty() ? entry.title : entry.title + u'\t' + entry.shortcutText;
}
