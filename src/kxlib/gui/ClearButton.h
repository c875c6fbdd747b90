#pragma once
// The clear button of a text field, shown while it holds text, with a name that screen
// readers say (Qt leaves the button it makes unnamed).

class QLineEdit;

namespace kx::view {

void enableClearButton(QLineEdit* field);

} // namespace kx::view
