#pragma once
// The palette window: one floating tool window that stays above the windows of every
// application and, as a panel that does not activate, never takes the keyboard focus
// from the application the user types in. While a sheet that needs the keyboard is
// attached it becomes an ordinary window that can take the focus.
//
// What the window does not decide itself it asks its delegate (the window controller):
// whether Escape was consumed, what closing means, and it reports moves, resizes and
// minimising; its first paint after each showing is the signal firstPaint().

#include <QWidget>

class RbxCharWindowDelegate {
public:
    virtual ~RbxCharWindowDelegate() = default;
    // Escape pressed in the window; true when it was consumed.
    virtual bool windowEscapePressed() = 0;
    // The window's close button: the controller closes (or refuses while a sheet is on).
    virtual void windowCloseRequested() = 0;
    virtual void windowMoved() = 0;
    virtual void windowResized() = 0;
    virtual void windowMiniaturized(bool miniaturized) = 0;
    // About to be ordered out: transient helpers (magnifier, tool tip) go first.
    virtual void windowWillOrderOut() = 0;
    virtual void windowOrderedOut() = 0;
};

class RbxCharWindow : public QWidget {
    Q_OBJECT
public:
    explicit RbxCharWindow(RbxCharWindowDelegate* delegate = nullptr, QWidget* parent = nullptr);
    ~RbxCharWindow() override;

    void setDelegate(RbxCharWindowDelegate* delegate) { delegate_ = delegate; }

    // Non-activating (the default): the window manager never gives it the focus and
    // showing it does not activate it. Activating: an ordinary window.
    void setActivating(bool activating);
    bool isActivating() const { return activating_; }

    // Orders the window out: the delegate's transient helpers first, then the window
    // hides, then the delegate hears it (which drops the name list) when the window was
    // on screen.
    void orderOut();

    // Visible on every desktop of the window manager (sticky) or only on its own.
    void setVisibleOnAllDesktops(bool all);
    bool isVisibleOnAllDesktops() const { return allDesktops_; }

    // Milliseconds on the monotonic clock (CLOCK_MONOTONIC, as ns) of the latest paint
    // that completed after the window was last shown; 0 before.
    qint64 lastShowPaintNs() const { return lastShowPaintNs_; }
    int showCount() const { return showCount_; }

    void setVisible(bool visible) override;

    // The application quits: a close no longer only hides the window (the delegate is not
    // asked), so that nothing holds the quit up.
    void allowClosingForQuit() { quitting_ = true; }

signals:
    // The content has been painted for the first time after a showing.
    void firstPaint();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPanelHints();
    void notePainted();

    RbxCharWindowDelegate* delegate_ = nullptr;
    bool activating_ = false;
    bool allDesktops_ = true;
    bool paintPending_ = false;
    bool orderingOut_ = false;
    bool quitting_ = false;
    int showCount_ = 0;
    qint64 lastShowPaintNs_ = 0;
};
