#pragma once
// The menus of a character cell: the context menu (made from the entries of
// buildContextMenu) and the two picture menus of an emoji, which offer it in the five
// skin tones or in text and emoji presentation and post the picture chosen. The
// palette's window controller answers the table's request for a menu with these. Main
// thread only.

#include "table/core/RbxContextMenu.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

class KXGraphicalMenu;
class QMenu;
class RbxCharView;

namespace RbxCharMenus {

// What the table knows for the context menu of a character: the favourites of its font,
// the recent layout, the kind of the selected cell's group, the marked character. The
// window controller adds what only it knows (search field, layout, shape finder).
RbxContextMenuState tableState(const RbxCharView& view, char32_t c);

// The menu titled "Runebox" of the entries; each item carries the character and performs
// its command through the view. Commands that the palette does not offer are shown
// disabled. nullptr when there are no entries.
std::unique_ptr<QMenu> makeMenu(RbxCharView& view, const std::vector<RbxMenuEntry>& entries, char32_t c);

// The picture menus of an emoji; choosing a picture posts its string (0.1 s later, once
// the menu has closed) and updates the table as after a click.
std::unique_ptr<KXGraphicalMenu> skinsMenu(RbxCharView& view, char32_t c);
std::unique_ptr<KXGraphicalMenu> emojiTextMenu(RbxCharView& view, char32_t c);

// One picture of each menu (y down): the emoji over a bar of the skin tone's colour; the
// emoji over a band with its label ("Text", "Emoji"). In the colours of the current
// appearance; `scale` is the device pixel ratio.
QImage skinPicture(const QString& string, int tone, const QFont& emojiFont, double scale);
QImage presentationPicture(const QString& string, const QString& label, const QFont& emojiFont, double scale);

// The font the pictures' emoji are drawn with for the view (the colour emoji font at the
// size of the table's font, at least 36).
QFont pictureFont(const RbxCharView& view);

} // namespace RbxCharMenus
