#pragma once
// What screen readers see of the character table: the view is a list whose items are the
// cells on screen, each named by its character and the character's name ("☃ SNOWMAN"),
// described by its code points, selected while it is the table's selection. Installed
// into Qt's accessibility (and through it AT-SPI) once, for every table view.

namespace rbxaccessible {

// Installs the factory that makes the view's accessible interface; idempotent.
void installCharViewFactory();

} // namespace rbxaccessible
