#pragma once
// Mends what a desktop's colour scheme leaves out. A scheme may set the text and base
// colours but not the colour of placeholder texts (the hint in an empty field, the
// palette's version line): those keep Qt's default, black at half strength, which cannot
// be read on a dark base. Such placeholders become the scheme's text colour at half
// strength, at start and whenever the desktop changes its scheme.

#include <QObject>
#include <QPalette>
#include <optional>

namespace desktoppalette {

// `palette` with placeholders that can be read on its base; nullopt when they can already.
std::optional<QPalette> withReadablePlaceholders(const QPalette& palette);

} // namespace desktoppalette

class DesktopPalette : public QObject {
public:
    // Mends the application's palette now and after each change of it.
    explicit DesktopPalette(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mend();
};
