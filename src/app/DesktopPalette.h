#pragma once
// The application's colours as the desktop wants them. A desktop may state a dark
// preference (the settings portal's "color-scheme") without handing programs dark
// colours: the whole palette then takes dark colours of its own, and the desktop's own
// colours come back when the preference ends (live, as the desktop changes it). The
// selection colour is the desktop's accent colour where it states one. And a scheme may
// set the text and base colours but not the colour of placeholder texts (the hint in an
// empty field, the palette's version line): those keep Qt's default, black at half
// strength, which cannot be read on a dark base. Such placeholders become the scheme's
// text colour at half strength.

#include <QColor>
#include <QObject>
#include <QPalette>
#include <optional>

namespace desktoppalette {

// `palette` with placeholders that can be read on its base; nullopt when they can already.
std::optional<QPalette> withReadablePlaceholders(const QPalette& palette);
// Whether the palette's windows are drawn dark.
bool isDark(const QPalette& palette);
// Dark colours in place of `palette`'s, its selection colour kept.
QPalette darkened(const QPalette& palette);
// `palette` with the selection (highlight) colour `accent` and a text colour that can be
// read on it.
QPalette withSelectionColor(const QPalette& palette, const QColor& accent);

} // namespace desktoppalette

class DesktopPalette : public QObject {
public:
    // Follows the application's palette and the desktop's appearance from now on.
    explicit DesktopPalette(QObject* parent = nullptr);

    // The desktop's accent colour (none: the desktop's own selection colour).
    void setAccentColor(const std::optional<QColor>& accent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Takes the application's palette as the desktop's when it is not the one set here.
    void desktopPaletteChanged();
    void apply();

    QPalette desktop_;
    std::optional<QPalette> applied_;
    std::optional<QColor> accent_;
};
