#pragma once
// Where the mouse is, as the table view follows it: the palette window with its title
// bar, the table, the font list, an attached sheet, and a menu open anywhere; and what
// follows from it: the hover selection is brought up to date, the palette takes or hands
// back the keys, and the palette closes when the mouse leaves it ("mouse outside
// closes"). One per table view, made and held by it. Main thread only.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>

class QTimer;
class RbxCharView;

class RbxCharTracking : public QObject {
    Q_OBJECT
public:
    enum Area : int { NoArea = 0, WindowArea = 1, ViewArea = 2, FontListArea = 3, SheetArea = 4 };

    explicit RbxCharTracking(RbxCharView& view);
    ~RbxCharTracking() override;

    // ---- the tracked areas
    // The window, the view and the font list (not while miniaturized).
    void setupViewTracking();
    void removeTrackingRects();
    // A sheet's area while it is attached; the mouse is taken to be in it when it appears.
    void setSheetTracking(QWidget* sheet, bool enable);
    // Whether an area's tracking is installed.
    bool isTracking(int area) const;

    // ---- the crossings and their handlers
    void mouseEntered(int area);
    void mouseExited(int area);
    void windowEntered();
    void windowExited();
    void fontsEntered();
    void fontsExited();
    void viewEntered();
    void viewExited();
    void sheetEntered();
    void sheetExited();
    // A menu was opened or closed anywhere on the display.
    void menuOpened();
    void menuClosed();
    // One of the table's own menus (context or picture menu) is open: it takes the press.
    void setContextMenuOpen(bool open) { contextMenuOpen_ = open; }

    // ---- what follows
    // Makes the palette take the keys (true) or gives them back.
    void activateWindow(bool activate);
    void startClosing();
    void stopClosing();
    void setMiniaturized(bool miniaturized);
    // The palette was ordered out (closed or faded out) with the mouse in it or not.
    void windowOrderedOut();

    bool mouseInWindow() const { return inWindow_; }
    bool mouseInView() const { return inView_; }
    bool mouseInSheet() const { return inSheet_; }
    bool mouseInFonts() const { return inFonts_; }
    bool menuOpen() const { return menuOpen_; }
    bool contextMenuOpen() const { return contextMenuOpen_; }
    bool isMiniaturized() const { return isMiniaturized_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trackWidget(int area, QWidget* widget);
    void untrack(int area);
    // Over the window's frame (the title bar) the mouse still counts as inside the window.
    bool overTitleBar() const;
    void checkTitleBarExit();
    void watchModifiers(bool on);
    void shiftMayHaveChanged();
    bool windowHasSheet() const;

    RbxCharView& view_;
    bool inWindow_ = false, inView_ = false, inFonts_ = false, inSheet_ = false;
    bool menuOpen_ = false, contextMenuOpen_ = false, isMiniaturized_ = false;
    // The widgets of the tracked areas (index by Area).
    std::array<QPointer<QWidget>, 5> tracked_;
    // Polls while the mouse is over the window's title bar, which reports no crossing.
    QTimer* titleBarTimer_ = nullptr;
    // Looks at Shift while the mouse is in the window: the palette gets no key events of
    // its own, and Shift shows or hides the magnifier at once.
    QTimer* modifierTimer_ = nullptr;
    bool shiftHeld_ = false;
};
