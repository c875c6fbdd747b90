#pragma once
// The program's menu, shown by a right click on the activator and by the palette's menu
// button: opening or closing the palette, About and the user's guide, the preferences,
// the favourites files, contact and support, and quitting.

class QMenu;
class QWidget;
class RbxCharWindowController;

QMenu* makeProgramMenu(RbxCharWindowController& windowController, QWidget* parent = nullptr);
