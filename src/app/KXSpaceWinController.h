#pragma once
// A small, frameless, half transparent window shown on every desktop, kept for the rest
// of the process's life once opened. Made invisible (opacity 0) as soon as it is made,
// half transparent (0.5) and raised when shown. Its description (title "SpaceWindow", a
// small frame in the top-left corner, above other windows, on all desktops) is here.
// Main thread.

#include <QWidget>

class KXSpaceWinController : public QWidget {
    Q_OBJECT
public:
    static inline const QString WindowName = QStringLiteral("SpaceWindow");

    // Logs the toolkit's version and "Spaces fix installed", then makes and shows the
    // window; the process keeps it.
    static KXSpaceWinController* openSpaceWindow();

    KXSpaceWinController();
    // Shows the window, half transparent, in front.
    void showWindow();

private:
    void windowDidLoad();
};
