#pragma once
// The activator that opens the palette from anywhere: the tray icon (QSystemTrayIcon,
// "activator" 1) or the strip in a top corner of the main screen (2 top right, else top
// left), a frameless window that bypasses the window manager and never takes the focus.
// With "hide Q in corner" the strip shows only while the pointer is near its corner.
//
// Without a tray (no StatusNotifierItem host and no XEmbed tray) the strip stands in for
// the tray icon, and a watch every second takes up a tray that appears later (unless
// "statusOnly"). The strip is placed anew every 15 s and after each change of desktop,
// screen or full-screen window; while a window is full screen (no panel is visible) and
// while the screen saver runs, nothing changes. After the machine wakes from sleep the
// activator is drawn and placed anew. Each change of the full-screen state logs the
// managed windows for a diagnosis.

#include "kxlib/KXDefaultObserver.h"

#include <QObject>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <memory>

class QSystemTrayIcon;
class RbxActivationSet;
class RbxCharWindowController;
class RbxDefaults;
class RbxStatusItemView;
class ScreenStateWatch;
class SleepWatch;
class X11Session;

class PaletteActivators : public QObject, public KXDefaultObserver {
    Q_OBJECT
public:
    static constexpr int StatusWatchMs = 1000;
    static constexpr int CornerWatchMs = 15000;
    static constexpr int CornerWidth = 10;
    static constexpr int PointerPollMs = 50;

    // `menu` is the program's menu, shown on a right click (may be null).
    PaletteActivators(RbxCharWindowController& windowController, RbxDefaults& settings, X11Session& x11,
                      QMenu* menu, QObject* parent = nullptr);
    ~PaletteActivators() override;

    void showActivator();
    void activateStatusItem(bool on);
    void showCornerQ(bool on);
    bool cornerQShouldBeVisible() const;
    void checkStatusItemVisibility();
    void watchCornerQ();
    void mouseMoved();
    void spaceSwitched();
    void menuBarChangedVisibility(bool visible);
    // Logs the windows in front and whether one of them is full screen (a diagnosis of
    // an activator that went away); logged on each change of the full-screen state.
    bool checkMenuBarVisibilityWindowList();
    void screenSaverStarted();
    void screenSaverStopped();
    void wakeUpFromSleep();

    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    QWidget* cornerWindow() const { return cornerWindow_; }
    bool cornerActive() const { return cornerActive_; }
    // The strip's place in screen coordinates; empty while it is not shown.
    QRect cornerRect() const { return cornerRect_; }

    void defaultChanged(const QString& key) override;

signals:
    // Font files dropped on the activator, activated as one set.
    void fontsDropped(std::shared_ptr<RbxActivationSet> set);

protected:
    QString observerClassName() const override { return QStringLiteral("PaletteActivators"); }

private:
    bool statusItemIsValid() const;
    int activator() const;

    RbxCharWindowController& windowController_;
    RbxDefaults& settings_;
    X11Session& x11_;
    QPointer<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> statusItem_;
    QWidget* cornerWindow_ = nullptr;
    RbxStatusItemView* cornerView_ = nullptr;
    ScreenStateWatch* screenState_ = nullptr;
    SleepWatch* sleep_ = nullptr;
    QTimer pointerTimer_;
    QTimer statusItemTimer_;
    QTimer cornerWatchTimer_;
    QRect cornerRect_;
    bool cornerActive_ = false;
    bool menuBarIsHidden_ = false;
    bool screenSaverIsActive_ = false;
    bool recreatedOnce_ = false;
    bool fellBackLogged_ = false;
};
