#pragma once
// Opening and closing the palette: the first opening of the process, showing with or
// without a fade-in, the repair of a window lost off screen (and the emergency reset
// with Ctrl+Shift+Alt held), closing, Escape and presses outside the window.

#include <QObject>

class RbxCharWindowController;

class PalettePresenter : public QObject {
    Q_OBJECT
public:
    explicit PalettePresenter(RbxCharWindowController& controller);

    void openWindow(QObject* sender);
    // Opens a hidden palette without taking the keyboard (for an alert).
    void openWindowWithoutKeyboard(QObject* sender);
    void toggleWindow(QObject* sender);
    void appearWindow(QObject* sender);
    void showWindow(QObject* sender);
    void close();
    bool closeWithESC();
    void orderFront();
    void clickedOutside();
    void logWindowOpening(QObject* sender);

    // The window had been opened once in this process.
    bool firstOpeningDone() const { return firstOpeningDone_; }

    // The frame after an emergency reset: the origin kept, the minimum width, and as
    // height the larger of the minimum height and half the visible area's height.
    static QRect emergencyFrame(const QRect& frame, const QSize& minimum, const QRect& visibleArea);

private:
    void emergencyReset(QObject* sender);
    // The palette takes the keyboard as opened.
    void takeKeyboard();
    static QString senderText(QObject* sender);

    RbxCharWindowController& c_;
    bool firstOpeningDone_ = false;
    // The opening under way takes the keyboard.
    bool takesKeyboard_ = true;
};
